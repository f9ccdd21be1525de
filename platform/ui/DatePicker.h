// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QPointer>
#include <QWidget>

class QAbstractButton;

namespace platform {

class CalendarSheet;

// Picks a date and a time of day (to the minute) in the device's zone. It
// holds exactly the moment it was given until the user changes it, so a
// picker set to "now" still holds that instant when read later.
//
// Made for a finger first: the day, the hour and the minute each sit between
// two fingertip-sized buttons that step it back and on, a drag on a part
// turns it like a wheel and a tap on the day opens a month calendar over the
// window. A
// keyboard types digits into a part (replacing it), steps it with the arrow
// keys and moves between the parts with Left and Right; the mouse wheel
// steps the part under it. Stepping carries over: a minute past 23:59 is
// midnight of the next day, a day past the month's last is the 1st of the
// next month.
class DatePicker : public QWidget {
    Q_OBJECT

public:
    // The parts a user sets one by one.
    enum class Part { Day, Hour, Minute };
    Q_ENUM(Part)

    explicit DatePicker(QWidget *parent = nullptr);
    ~DatePicker() override;

    QDateTime date() const { return mDate; }
    void setDate(const QDateTime &date);

    // Moves the moment by count days, hours or minutes, carrying over into
    // the next larger unit.
    void step(Part part, int count);
    // Sets the day of the month, the hour or the minute, keeping the rest; a
    // day past the month's end is its last day.
    void setPart(Part part, int value);
    int partValue(Part part) const;
    // The part as drawn: "Wed 10 Dec 2026", "09", "05".
    QString partText(Part part) const;
    // The whole moment as a screen reader says it.
    QString spokenValue() const;
    // The day shown, in the device's zone.
    QDate shownDay() const;
    // Moves the moment to another day, keeping its time of day.
    void pickDay(const QDate &day);

    // The control showing one part; it takes the focus and the keys.
    QWidget *partControl(Part part) const;
    // The "-" (down) or "+" (up) button of a part.
    QAbstractButton *stepper(Part part, bool up) const;

    // The month calendar over the window, opened on the chosen day.
    void showCalendar();
    // The calendar while it is shown.
    CalendarSheet *calendar() const;

Q_SIGNALS:
    void dateChanged(const QDateTime &date);

protected:
    void hideEvent(QHideEvent *event) override;

private:
    // The shown moment, to the minute, in the device's zone.
    QDateTime shownLocal() const;
    void userChanged(const QDateTime &local);
    void refresh();
    void closeCalendar();

    QDateTime mDate;
    QWidget *mParts[3] = {};
    QAbstractButton *mSteppers[3][2] = {};
    QPointer<CalendarSheet> mCalendar;
};

} // namespace platform
