// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QList>
#include <QWidget>

class QAbstractButton;
class QFrame;
class QLabel;

namespace platform {

// A month of days over the window, each day a fingertip's size and named for
// a screen reader by its full date. It lies inside the window (never a window
// of its own that could run past a phone's screen edge) and dims the rest;
// a tap beside it or Escape leaves it. Arrow keys move a day or a week,
// Page Up and Page Down a month, Enter or Space picks the day.
class CalendarSheet : public QWidget {
    Q_OBJECT

public:
    CalendarSheet(const QDate &selected, QWidget *window);

    // Shows it over the window, the chosen day holding the focus.
    void open();

    QDate shownMonth() const { return mMonth; }
    // The button of a day of the shown month, or null.
    QAbstractButton *dayButton(const QDate &day) const;
    QAbstractButton *previousMonthButton() const { return mPrevious; }
    QAbstractButton *nextMonthButton() const { return mNext; }
    QAbstractButton *cancelButton() const { return mCancel; }
    // What can be pressed on it now.
    QList<QAbstractButton *> buttons() const;

Q_SIGNALS:
    void picked(const QDate &day);
    void cancelled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void showMonth(const QDate &day);
    void moveCursor(const QDate &day);
    void fitWindow();

    QFrame *mPanel;
    QLabel *mTitle;
    QAbstractButton *mPrevious;
    QAbstractButton *mNext;
    QAbstractButton *mCancel;
    QList<QLabel *> mWeekdays;
    QList<QAbstractButton *> mDays;
    QDate mSelected;
    QDate mMonth;
    QDate mCursor;
};

} // namespace platform
