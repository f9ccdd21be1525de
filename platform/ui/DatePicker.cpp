// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/DatePicker.h"

#include "platform/ui/CalendarSheet.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputMethod>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

constexpr int fingertip = 44;
// How far a finger drags a part for one step, like a wheel's notch.
constexpr int dragNotch = 24;

int largest(DatePicker::Part part, const QDate &day)
{
    switch (part) {
    case DatePicker::Part::Day:
        return day.daysInMonth();
    case DatePicker::Part::Hour:
        return 23;
    case DatePicker::Part::Minute:
        return 59;
    }
    return 0;
}

// One part of the moment: drawn as a value in a box, stepped by keys, the
// wheel and drags, replaced by typed digits.
class DatePart : public QWidget {
public:
    DatePart(DatePicker *picker, DatePicker::Part part, DatePart *previous)
        : QWidget(picker)
        , mPicker(picker)
        , mPart(part)
        , mPrevious(previous)
    {
        if (previous)
            previous->mNext = this;
        setFocusPolicy(Qt::StrongFocus);
        // Takes the phone keyboard's digits too.
        setAttribute(Qt::WA_InputMethodEnabled);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        // A tap on the day opens the calendar; the hour and minute turn.
        setCursor(part == DatePicker::Part::Day ? Qt::PointingHandCursor : Qt::SizeVerCursor);
    }

    DatePicker::Part part() const { return mPart; }
    DatePicker *picker() const { return mPicker; }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(valueFont());
        const QString widest = mPart == DatePicker::Part::Day ? mPicker->partText(mPart) : u"00"_s;
        return {qMax(fingertip, metrics.horizontalAdvance(widest) + 16),
                qMax(fingertip, metrics.height() + 12)};
    }
    QSize minimumSizeHint() const override
    {
        return {mPart == DatePicker::Part::Day ? fingertip : sizeHint().width(),
                sizeHint().height()};
    }

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override
    {
        switch (query) {
        case Qt::ImEnabled:
            return true;
        case Qt::ImHints:
            return int(Qt::ImhDigitsOnly | Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase);
        case Qt::ImCursorRectangle:
            return QRectF(rect());
        case Qt::ImSurroundingText:
        case Qt::ImCurrentSelection:
            return QString();
        case Qt::ImCursorPosition:
        case Qt::ImAnchorPosition:
            return 0;
        default:
            return QWidget::inputMethodQuery(query);
        }
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath path;
        path.addRoundedRect(box, 7, 7);
        painter.fillPath(path, palette().color(QPalette::Base));
        painter.setPen(
            QPen(hasFocus() ? palette().color(QPalette::Highlight) : palette().color(QPalette::Mid),
                 hasFocus() ? 2 : 1));
        painter.drawPath(path);
        painter.setFont(valueFont());
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(rect().adjusted(4, 0, -4, 0), Qt::AlignCenter,
                         QFontMetrics(valueFont())
                             .elidedText(mPicker->partText(mPart), Qt::ElideRight, width() - 8));
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        const int key = event->key();
        if (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) {
            event->ignore();
            return;
        }
        if (key >= Qt::Key_0 && key <= Qt::Key_9) {
            typeDigit(key - Qt::Key_0);
        } else if (key == Qt::Key_Up || key == Qt::Key_Down) {
            if (mPart == DatePicker::Part::Day && key == Qt::Key_Down &&
                (event->modifiers() & Qt::AltModifier)) {
                mPicker->showCalendar();
                return;
            }
            mPending.clear();
            mPicker->step(mPart, key == Qt::Key_Up ? 1 : -1);
        } else if (key == Qt::Key_Left && mPrevious) {
            mPrevious->setFocus(Qt::OtherFocusReason);
        } else if (key == Qt::Key_Right && mNext) {
            mNext->setFocus(Qt::OtherFocusReason);
        } else if (key == Qt::Key_Backspace) {
            mPending.clear();
        } else if (mPart == DatePicker::Part::Day && (key == Qt::Key_Space || key == Qt::Key_F4)) {
            mPicker->showCalendar();
        } else {
            // Enter saves the form and Escape leaves it, as anywhere else.
            event->ignore();
        }
    }

    void inputMethodEvent(QInputMethodEvent *event) override
    {
        for (const QChar c : event->commitString()) {
            if (c.isDigit())
                typeDigit(c.digitValue());
        }
        event->accept();
    }

    void wheelEvent(QWheelEvent *event) override
    {
        mWheel += event->angleDelta().y();
        const int steps = mWheel / 120;
        mWheel -= steps * 120;
        if (steps) {
            mPending.clear();
            mPicker->step(mPart, steps);
        }
        event->accept();
    }

    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton) {
            event->ignore();
            return;
        }
        mPressY = event->position().toPoint().y();
        mDragSteps = 0;
        mDragged = false;
    }

    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (!(event->buttons() & Qt::LeftButton))
            return;
        // A finger pushing the part up turns it to later values.
        const int dy = mPressY - event->position().toPoint().y();
        if (!mDragged && qAbs(dy) < dragNotch / 2)
            return;
        mDragged = true;
        const int steps = dy / dragNotch - mDragSteps;
        if (steps) {
            mDragSteps += steps;
            mPending.clear();
            mPicker->step(mPart, steps);
        }
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton || mDragged)
            return;
        if (mPart == DatePicker::Part::Day)
            mPicker->showCalendar();
        else if (hasFocus())
            QGuiApplication::inputMethod()->show();
    }

    void focusInEvent(QFocusEvent *event) override
    {
        mPending.clear();
        QWidget::focusInEvent(event);
        update();
    }

    void focusOutEvent(QFocusEvent *event) override
    {
        mPending.clear();
        QWidget::focusOutEvent(event);
        update();
    }

private:
    QFont valueFont() const
    {
        QFont font = this->font();
        if (mPart != DatePicker::Part::Day)
            font.setPointSizeF(font.pointSizeF() * 1.3);
        return font;
    }

    // Each digit takes effect at once, so what is shown is what is held. Two
    // digits make a number; a digit that no second one could follow (a 3
    // for the hour, a 6 for the minute) finishes the part alone. A finished
    // part hands the focus on, so "2359" typed into the hour sets 23:59.
    void typeDigit(int digit)
    {
        const int lowest = mPart == DatePicker::Part::Day ? 1 : 0;
        const int highest = largest(mPart, mPicker->shownDay());
        if (!mPending.isEmpty()) {
            const int value = mPending.toInt() * 10 + digit;
            mPending.clear();
            if (value >= lowest && value <= highest) {
                mPicker->setPart(mPart, value);
                finish();
                return;
            }
        }
        if (digit * 10 > highest) {
            if (digit >= lowest) {
                mPicker->setPart(mPart, digit);
                finish();
            }
            return;
        }
        mPending = QString::number(digit);
        if (digit >= lowest)
            mPicker->setPart(mPart, digit);
    }

    void finish()
    {
        if (mNext)
            mNext->setFocus(Qt::OtherFocusReason);
    }

    DatePicker *mPicker;
    DatePicker::Part mPart;
    DatePart *mPrevious;
    DatePart *mNext = nullptr;
    QString mPending;
    int mWheel = 0;
    int mPressY = 0;
    int mDragSteps = 0;
    bool mDragged = false;
};

// A screen reader hears a part as a spin box: its name ("Hour"), its value
// ("09") and, as its description, the whole moment.
class DatePartAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit DatePartAccessible(DatePart *part)
        : QAccessibleWidget(part, QAccessible::SpinBox)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override
    {
        switch (kind) {
        case QAccessible::Name:
            return widget()->accessibleName();
        case QAccessible::Value:
            return part()->picker()->partText(part()->part());
        case QAccessible::Description:
            return part()->picker()->spokenValue();
        default:
            return QAccessibleWidget::text(kind);
        }
    }

    QStringList actionNames() const override
    {
        return QStringList{increaseAction(), decreaseAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &name) override
    {
        if (name == increaseAction() || name == decreaseAction())
            part()->picker()->step(part()->part(), name == increaseAction() ? 1 : -1);
        else
            QAccessibleWidget::doAction(name);
    }

    QVariant currentValue() const override { return part()->picker()->partValue(part()->part()); }
    void setCurrentValue(const QVariant &value) override
    {
        part()->picker()->setPart(part()->part(), value.toInt());
    }
    QVariant maximumValue() const override
    {
        return largest(part()->part(), part()->picker()->shownDay());
    }
    QVariant minimumValue() const override
    {
        return part()->part() == DatePicker::Part::Day ? 1 : 0;
    }
    QVariant minimumStepSize() const override { return 1; }

private:
    DatePart *part() const { return static_cast<DatePart *>(widget()); }
};

QAccessibleInterface *datePartAccessible(const QString &, QObject *object)
{
    if (auto *part = dynamic_cast<DatePart *>(object))
        return new DatePartAccessible(part);
    return nullptr;
}

QAbstractButton *stepButton(QWidget *parent, const QString &glyph, const QString &name)
{
    auto *button = new QToolButton(parent);
    button->setText(glyph);
    button->setAccessibleName(name);
    button->setToolTip(name);
    // A finger holding it keeps stepping; keys step the part itself.
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(400);
    button->setAutoRepeatInterval(90);
    button->setFocusPolicy(Qt::NoFocus);
    button->setMinimumSize(fingertip, fingertip);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    QFont font = button->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    button->setFont(font);
    return button;
}

} // namespace

DatePicker::DatePicker(QWidget *parent)
    : QWidget(parent)
{
    static const bool accessible = [] {
        QAccessible::installFactory(datePartAccessible);
        return true;
    }();
    Q_UNUSED(accessible);

    mDate = QDateTime::currentDateTimeUtc();
    const QString names[3] = {tr("Day"), tr("Hour"), tr("Minute")};
    const QString downNames[3] = {tr("Previous day"), tr("One hour earlier"),
                                  tr("One minute earlier")};
    const QString upNames[3] = {tr("Next day"), tr("One hour later"), tr("One minute later")};
    DatePart *previous = nullptr;
    for (int i = 0; i < 3; ++i) {
        auto *part = new DatePart(this, Part(i), previous);
        part->setObjectName(QStringList{u"day"_s, u"hour"_s, u"minute"_s}.at(i));
        part->setAccessibleName(names[i]);
        mParts[i] = part;
        previous = part;
        mSteppers[i][0] = stepButton(this, i == 0 ? u"‹"_s : u"−"_s, downNames[i]);
        mSteppers[i][1] = stepButton(this, i == 0 ? u"›"_s : u"+"_s, upNames[i]);
        mSteppers[i][0]->setObjectName(part->objectName() + u"Down"_s);
        mSteppers[i][1]->setObjectName(part->objectName() + u"Up"_s);
        connect(mSteppers[i][0], &QAbstractButton::clicked, this, [this, i] { step(Part(i), -1); });
        connect(mSteppers[i][1], &QAbstractButton::clicked, this, [this, i] { step(Part(i), 1); });
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto *dayRow = new QHBoxLayout;
    dayRow->setSpacing(2);
    dayRow->addWidget(mSteppers[0][0]);
    dayRow->addWidget(mParts[0], 1);
    dayRow->addWidget(mSteppers[0][1]);
    layout->addLayout(dayRow);
    auto *timeRow = new QHBoxLayout;
    timeRow->setSpacing(2);
    for (int i = 1; i < 3; ++i) {
        if (i == 2) {
            auto *colon = new QLabel(u":"_s, this);
            colon->setObjectName(u"timeSeparator"_s);
            colon->setAlignment(Qt::AlignCenter);
            timeRow->addWidget(colon);
        }
        timeRow->addWidget(mSteppers[i][0]);
        timeRow->addWidget(mParts[i], 1);
        timeRow->addWidget(mSteppers[i][1]);
    }
    layout->addLayout(timeRow);
    setFocusProxy(mParts[0]);
    refresh();
}

DatePicker::~DatePicker()
{
    delete mCalendar.data();
}

QDate DatePicker::shownDay() const
{
    return shownLocal().date();
}

QDateTime DatePicker::shownLocal() const
{
    const QDateTime local = mDate.toLocalTime();
    return QDateTime(local.date(), QTime(local.time().hour(), local.time().minute()));
}

void DatePicker::setDate(const QDateTime &date)
{
    mDate = date.toUTC();
    refresh();
}

void DatePicker::step(Part part, int count)
{
    const QDateTime local = shownLocal();
    switch (part) {
    case Part::Day:
        userChanged(local.addDays(count));
        break;
    case Part::Hour:
        userChanged(local.addSecs(3600LL * count));
        break;
    case Part::Minute:
        userChanged(local.addSecs(60LL * count));
        break;
    }
}

void DatePicker::setPart(Part part, int value)
{
    const QDateTime local = shownLocal();
    QDate day = local.date();
    QTime time = local.time();
    switch (part) {
    case Part::Day:
        day = QDate(day.year(), day.month(), qBound(1, value, day.daysInMonth()));
        break;
    case Part::Hour:
        time = QTime(qBound(0, value, 23), time.minute());
        break;
    case Part::Minute:
        time = QTime(time.hour(), qBound(0, value, 59));
        break;
    }
    userChanged(QDateTime(day, time));
}

void DatePicker::pickDay(const QDate &day)
{
    if (day.isValid())
        userChanged(QDateTime(day, shownLocal().time()));
}

int DatePicker::partValue(Part part) const
{
    const QDateTime local = shownLocal();
    switch (part) {
    case Part::Day:
        return local.date().day();
    case Part::Hour:
        return local.time().hour();
    case Part::Minute:
        return local.time().minute();
    }
    return 0;
}

QString DatePicker::partText(Part part) const
{
    if (part == Part::Day)
        return locale().toString(shownDay(), u"ddd d MMM yyyy"_s);
    return u"%1"_s.arg(partValue(part), 2, 10, QChar(u'0'));
}

QString DatePicker::spokenValue() const
{
    const QDateTime local = shownLocal();
    return u"%1, %2"_s.arg(locale().toString(local.date(), QLocale::LongFormat),
                           local.time().toString(u"HH:mm"_s));
}

QWidget *DatePicker::partControl(Part part) const
{
    return mParts[int(part)];
}

QAbstractButton *DatePicker::stepper(Part part, bool up) const
{
    return mSteppers[int(part)][up ? 1 : 0];
}

void DatePicker::userChanged(const QDateTime &local)
{
    if (!local.isValid())
        return;
    // The user sets minutes; seconds start at zero.
    mDate = local.toUTC();
    refresh();
    Q_EMIT dateChanged(mDate);
}

void DatePicker::refresh()
{
    // The whole moment, for a screen reader on the picker itself.
    setAccessibleDescription(spokenValue());
    for (QWidget *part : mParts) {
        part->updateGeometry();
        part->update();
        if (QAccessible::isActive()) {
            QAccessibleValueChangeEvent changed(part,
                                                partValue(static_cast<DatePart *>(part)->part()));
            QAccessible::updateAccessibility(&changed);
        }
    }
}

void DatePicker::showCalendar()
{
    if (mCalendar || !window())
        return;
    mCalendar = new CalendarSheet(shownDay(), window());
    connect(mCalendar, &CalendarSheet::picked, this, [this](const QDate &day) {
        closeCalendar();
        pickDay(day);
    });
    connect(mCalendar, &CalendarSheet::cancelled, this, &DatePicker::closeCalendar);
    mCalendar->open();
}

CalendarSheet *DatePicker::calendar() const
{
    return mCalendar;
}

void DatePicker::closeCalendar()
{
    if (!mCalendar)
        return;
    mCalendar->hide();
    mCalendar->deleteLater();
    mCalendar = nullptr;
    if (isVisible())
        mParts[0]->setFocus(Qt::OtherFocusReason);
}

void DatePicker::hideEvent(QHideEvent *event)
{
    // The form going away takes its calendar with it.
    closeCalendar();
    QWidget::hideEvent(event);
}

} // namespace platform
