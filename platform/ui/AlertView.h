// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>

namespace platform {

class AlertView;

class AlertViewDelegate {
public:
    virtual ~AlertViewDelegate() = default;
    virtual void alertViewClickedButtonAtIndex(AlertView &alertView, int buttonIndex) = 0;
};

// A message with buttons that nothing waits for: show() returns at once and
// the delegate hears the pressed button later. The cancel button has index 0
// and the other buttons follow in order (without a cancel button they start
// at 0). A shown alert belongs to the platform and is gone once answered.
class AlertView : public QObject {
    Q_OBJECT

public:
    // Shows an alert over the key window. The delegate may be null; when not,
    // it must outlive the alert.
    static AlertView *show(const QString &title, const QString &message,
                           AlertViewDelegate *delegate, const QString &cancelButtonTitle,
                           const QStringList &otherButtonTitles = {});

    // Alerts shown and not yet answered, oldest first. For tests and UI
    // automation, which answer them with dismissWithClickedButtonIndex.
    static QList<AlertView *> visibleAlerts();

    // For a question whose other answer cannot be undone: the cancel
    // button takes the focus and Enter, not the last button.
    void setCancelButtonIsDefault(bool isDefault) { mCancelIsDefault = isDefault; }

    // A delegate that goes away before the alert is answered lets go first.
    void setDelegate(AlertViewDelegate *delegate) { mDelegate = delegate; }

    QString title() const { return mTitle; }
    QString message() const { return mMessage; }
    int cancelButtonIndex() const { return mCancelButtonTitle.isEmpty() ? -1 : 0; }
    int numberOfButtons() const { return int(mButtonTitles.size()); }
    QString buttonTitleAtIndex(int index) const { return mButtonTitles.value(index); }

    // Answers the alert as if the button had been pressed: the delegate hears
    // the index and the alert closes.
    void dismissWithClickedButtonIndex(int buttonIndex);

    // The dialog on screen, once it has been put there.
    QMessageBox *dialog() const { return mDialog; }

private:
    AlertView(const QString &title, const QString &message, AlertViewDelegate *delegate,
              const QString &cancelButtonTitle, const QStringList &otherButtonTitles);
    ~AlertView() override;

    void present();

    QString mTitle;
    QString mMessage;
    AlertViewDelegate *mDelegate;
    QString mCancelButtonTitle;
    QStringList mButtonTitles;
    QPointer<QMessageBox> mDialog;
    bool mAnswered = false;
    bool mCancelIsDefault = false;
};

} // namespace platform
