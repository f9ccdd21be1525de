// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QWidget>

class QDateTimeEdit;

namespace platform {

// Picks a date and a time of day (to the minute) in the device's zone. It
// holds exactly the moment it was given until the user changes it, so a
// picker set to "now" still holds that instant when read later.
class DatePicker : public QWidget {
    Q_OBJECT

public:
    explicit DatePicker(QWidget *parent = nullptr);

    QDateTime date() const { return mDate; }
    void setDate(const QDateTime &date);

    QDateTimeEdit *editor() const { return mEdit; }

protected:
    bool event(QEvent *event) override;

private:
    QDateTimeEdit *mEdit;
    QDateTime mDate;
    bool mSetting = false;
};

} // namespace platform
