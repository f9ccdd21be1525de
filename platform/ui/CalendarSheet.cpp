// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/CalendarSheet.h"

#include "platform/core/Clock.h"
#include "platform/ui/Window.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

constexpr int fingertip = 44;
constexpr int columns = 7;
constexpr int rows = 6;
// Between the panel and the window's edges.
constexpr int edge = 8;

QToolButton *sheetButton(QWidget *parent, const QString &text, const QString &name)
{
    auto *button = new QToolButton(parent);
    button->setText(text);
    button->setAccessibleName(name);
    button->setMinimumSize(fingertip, fingertip);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

} // namespace

CalendarSheet::CalendarSheet(const QDate &selected, QWidget *window)
    : QWidget(window)
    , mPanel(new QFrame(this))
    , mTitle(new QLabel(mPanel))
    , mSelected(selected)
{
    setObjectName(u"calendarSheet"_s);
    setAccessibleName(tr("Calendar"));
    setAttribute(Qt::WA_NoMousePropagation);
    mPanel->setObjectName(u"calendarPanel"_s);
    mPanel->setFrameShape(QFrame::StyledPanel);
    mPanel->setAutoFillBackground(true);
    mPanel->setBackgroundRole(QPalette::Window);
    // A tap on the panel between its buttons stays on it.
    mPanel->setAttribute(Qt::WA_NoMousePropagation);

    mPrevious = sheetButton(mPanel, u"‹"_s, tr("Previous month"));
    mPrevious->setObjectName(u"previousMonth"_s);
    mNext = sheetButton(mPanel, u"›"_s, tr("Next month"));
    mNext->setObjectName(u"nextMonth"_s);
    for (QAbstractButton *arrow : {mPrevious, mNext}) {
        arrow->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        QFont font = arrow->font();
        font.setPointSizeF(font.pointSizeF() * 1.4);
        arrow->setFont(font);
    }
    connect(mPrevious, &QAbstractButton::clicked, this,
            [this] { moveCursor(mCursor.addMonths(-1)); });
    connect(mNext, &QAbstractButton::clicked, this, [this] { moveCursor(mCursor.addMonths(1)); });
    mTitle->setObjectName(u"calendarTitle"_s);
    mTitle->setAlignment(Qt::AlignCenter);
    QFont bold = mTitle->font();
    bold.setBold(true);
    mTitle->setFont(bold);

    auto *header = new QHBoxLayout;
    header->addWidget(mPrevious);
    header->addWidget(mTitle, 1);
    header->addWidget(mNext);

    auto *grid = new QGridLayout;
    grid->setSpacing(2);
    const int firstDay = locale().firstDayOfWeek();
    for (int column = 0; column < columns; ++column) {
        const int weekday = (firstDay - 1 + column) % 7 + 1;
        auto *name = new QLabel(locale().standaloneDayName(weekday, QLocale::ShortFormat), mPanel);
        name->setAlignment(Qt::AlignCenter);
        name->setAccessibleName(locale().standaloneDayName(weekday, QLocale::LongFormat));
        grid->addWidget(name, 0, column);
        mWeekdays.append(name);
    }
    for (int cell = 0; cell < rows * columns; ++cell) {
        QToolButton *day = sheetButton(mPanel, QString(), QString());
        day->setCheckable(true);
        day->setAutoRaise(true);
        day->setMinimumSize(fingertip, fingertip);
        QSizePolicy keep = day->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        day->setSizePolicy(keep);
        day->installEventFilter(this);
        connect(day, &QAbstractButton::clicked, this, [this, day] {
            day->setChecked(true);
            Q_EMIT picked(day->property("date").toDate());
        });
        grid->addWidget(day, 1 + cell / columns, cell % columns);
        mDays.append(day);
    }

    auto *cancel = new QPushButton(tr("Cancel"), mPanel);
    cancel->setObjectName(u"calendarCancel"_s);
    cancel->setMinimumSize(88, fingertip);
    cancel->setAutoDefault(false);
    mCancel = cancel;
    connect(mCancel, &QAbstractButton::clicked, this, &CalendarSheet::cancelled);
    auto *footer = new QHBoxLayout;
    footer->addStretch(1);
    footer->addWidget(mCancel);

    auto *layout = new QVBoxLayout(mPanel);
    layout->setContentsMargins(edge, edge, edge, edge);
    layout->setSpacing(6);
    layout->addLayout(header);
    layout->addLayout(grid);
    layout->addLayout(footer);

    showMonth(selected);
    mCursor = selected;
    window->installEventFilter(this);
    hide();
}

void CalendarSheet::open()
{
    fitWindow();
    show();
    raise();
    if (QAbstractButton *day = dayButton(mCursor))
        day->setFocus(Qt::OtherFocusReason);
}

QAbstractButton *CalendarSheet::dayButton(const QDate &day) const
{
    for (QAbstractButton *button : mDays) {
        if (button->isVisibleTo(mPanel) && button->property("date").toDate() == day)
            return button;
    }
    return nullptr;
}

QList<QAbstractButton *> CalendarSheet::buttons() const
{
    QList<QAbstractButton *> shown{mPrevious, mNext};
    for (QAbstractButton *day : mDays) {
        if (day->isVisibleTo(mPanel))
            shown.append(day);
    }
    shown.append(mCancel);
    return shown;
}

void CalendarSheet::showMonth(const QDate &day)
{
    mMonth = QDate(day.year(), day.month(), 1);
    mTitle->setText(locale().toString(mMonth, u"MMMM yyyy"_s));
    mTitle->setAccessibleName(mTitle->text());
    const int lead = (mMonth.dayOfWeek() - locale().firstDayOfWeek() + 7) % 7;
    const QDate today = Clock::now().toLocalTime().date();
    for (int cell = 0; cell < mDays.size(); ++cell) {
        QAbstractButton *button = mDays[cell];
        const QDate date = mMonth.addDays(cell - lead);
        const bool inMonth = date.month() == mMonth.month();
        button->setVisible(inMonth);
        button->setProperty("date", date);
        button->setText(QString::number(date.day()));
        button->setAccessibleName(locale().toString(date, QLocale::LongFormat));
        button->setChecked(date == mSelected);
        QFont font = button->font();
        font.setBold(date == today);
        font.setUnderline(date == today);
        button->setFont(font);
    }
}

void CalendarSheet::moveCursor(const QDate &day)
{
    if (!day.isValid())
        return;
    // The month arrows keep the focus while a finger leafs through the
    // months; a day moved from by a key hands it to the next.
    QWidget *focused = focusWidget();
    const bool onADay = focused && focused->hasFocus() && mDays.contains(focused);
    if (day.year() != mMonth.year() || day.month() != mMonth.month())
        showMonth(day);
    mCursor = day;
    QAbstractButton *button = dayButton(day);
    if (button && onADay)
        button->setFocus(Qt::OtherFocusReason);
}

bool CalendarSheet::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        fitWindow();
        return false;
    }
    if (event->type() != QEvent::KeyPress || !mDays.contains(watched))
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    const QDate at = static_cast<QAbstractButton *>(watched)->property("date").toDate();
    switch (key->key()) {
    case Qt::Key_Left:
        moveCursor(at.addDays(-1));
        return true;
    case Qt::Key_Right:
        moveCursor(at.addDays(1));
        return true;
    case Qt::Key_Up:
        moveCursor(at.addDays(-7));
        return true;
    case Qt::Key_Down:
        moveCursor(at.addDays(7));
        return true;
    case Qt::Key_PageUp:
        moveCursor(at.addMonths(-1));
        return true;
    case Qt::Key_PageDown:
        moveCursor(at.addMonths(1));
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        static_cast<QAbstractButton *>(watched)->click();
        return true;
    default:
        return false;
    }
}

bool CalendarSheet::focusNextPrevChild(bool next)
{
    // The focus stays on the sheet while it is open: the arrows, the chosen
    // day (arrow keys move among the days), Cancel.
    QAbstractButton *day = dayButton(mCursor);
    if (!day)
        day = dayButton(mMonth);
    QList<QWidget *> chain{mPrevious, mNext};
    if (day)
        chain.append(day);
    chain.append(mCancel);
    qsizetype at = chain.indexOf(focusWidget());
    if (at < 0 && mDays.contains(focusWidget()))
        at = chain.indexOf(day);
    const qsizetype size = chain.size();
    chain.at(((at < 0 ? (next ? -1 : 0) : at) + (next ? 1 : -1) + size) % size)
        ->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void CalendarSheet::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        Q_EMIT cancelled();
        return;
    }
    auto *focused = qobject_cast<QAbstractButton *>(focusWidget());
    if (focused && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        focused->click();
        return;
    }
    // Nothing reaches the form under the sheet.
    event->accept();
}

void CalendarSheet::mousePressEvent(QMouseEvent *event)
{
    // A tap beside the month leaves it, as beside a phone's sheet.
    Q_UNUSED(event);
    Q_EMIT cancelled();
}

void CalendarSheet::paintEvent(QPaintEvent *)
{
    QPainter(this).fillRect(rect(), QColor(0, 0, 0, 90));
}

void CalendarSheet::resizeEvent(QResizeEvent *)
{
    const int width = qMin(this->width() - 2 * edge, qMax(mPanel->minimumSizeHint().width(), 420));
    const int height = qMin(this->height() - 2 * edge, mPanel->heightForWidth(width) > 0
                                                           ? mPanel->heightForWidth(width)
                                                           : mPanel->sizeHint().height());
    mPanel->setGeometry((this->width() - width) / 2, (this->height() - height) / 2, width, height);
}

void CalendarSheet::fitWindow()
{
    auto *window = parentWidget();
    if (!window)
        return;
    const auto *phone = qobject_cast<Window *>(window);
    setGeometry(phone ? phone->screenRect() : window->rect());
}

} // namespace platform
