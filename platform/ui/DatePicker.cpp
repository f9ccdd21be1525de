// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/DatePicker.h"

#include <QDateTimeEdit>
#include <QEvent>
#include <QHBoxLayout>
#include <QTimeZone>

using namespace Qt::Literals::StringLiterals;

namespace platform {

DatePicker::DatePicker(QWidget *parent)
    : QWidget(parent)
    , mEdit(new QDateTimeEdit(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mEdit);
    mEdit->setObjectName(u"dateTimeEdit"_s);
    mEdit->setCalendarPopup(true);
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    mEdit->setTimeZone(QTimeZone(QTimeZone::LocalTime)); // setTimeSpec is deprecated
#else
    mEdit->setTimeSpec(Qt::LocalTime);
#endif
    mEdit->setDisplayFormat(u"ddd d MMM yyyy   HH:mm"_s);
    mEdit->setMinimumHeight(36);
    setFocusProxy(mEdit);
    mEdit->setAccessibleName(tr("Date and time"));
    connect(mEdit, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime &edited) {
        if (mSetting)
            return;
        // The user sets minutes; seconds start at zero.
        QDateTime picked = edited;
        picked.setTime(QTime(edited.time().hour(), edited.time().minute()));
        mDate = picked.toUTC();
    });
    setDate(QDateTime::currentDateTimeUtc());
}

void DatePicker::setDate(const QDateTime &date)
{
    mDate = date.toUTC();
    mSetting = true;
    mEdit->setDateTime(date.toLocalTime());
    mSetting = false;
}

} // namespace platform

namespace platform {

bool DatePicker::event(QEvent *event)
{
    // The control a screen reader lands on is the inner edit: it carries the
    // name the screen gave this picker.
    if (event->type() == QEvent::Polish && !accessibleName().isEmpty())
        mEdit->setAccessibleName(accessibleName());
    return QWidget::event(event);
}

} // namespace platform
