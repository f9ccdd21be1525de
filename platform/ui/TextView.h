// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPlainTextEdit>

namespace platform {

// Several lines of plain text the user edits.
class TextView : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit TextView(QWidget *parent = nullptr);

    QString text() const { return toPlainText(); }
    void setText(const QString &text) { setPlainText(text); }

    // Ends editing: the focus leaves, and with it the on-screen keyboard.
    void resignFirstResponder();
};

} // namespace platform
