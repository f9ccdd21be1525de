// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/ScheduleForm.h"

#include "platform/core/Clock.h"
#include "platform/core/Log.h"
#include "platform/ui/DatePicker.h"
#include "platform/ui/Label.h"
#include "platform/ui/Layer.h"
#include "platform/ui/TextView.h"
#include "screens/StoreAlerts.h"
#include "screens/VelkariShell.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QEvent>
#include <QScrollArea>

using namespace Qt::Literals::StringLiterals;

namespace velkari {

ScheduleForm::ScheduleForm(QObject *parent)
    : platform::ViewController(parent)
{
}

void ScheduleForm::connectShared(QAbstractButton *cancel, QAbstractButton *clear,
                                 QAbstractButton *exitText, QAbstractButton *selectRepeat)
{
    connect(cancel, &QAbstractButton::clicked, this, &ScheduleForm::btnCancel);
    connect(clear, &QAbstractButton::clicked, this, &ScheduleForm::btnClear);
    connect(exitText, &QAbstractButton::clicked, this, &ScheduleForm::btnExitTxt);
    connect(selectRepeat, &QAbstractButton::clicked, this, &ScheduleForm::btnSelectRepeat);
}

void ScheduleForm::keepTextInSight(QWidget *content)
{
    auto *layout = content->parentWidget()
                       ? qobject_cast<QBoxLayout *>(content->parentWidget()->layout())
                       : nullptr;
    const int index = layout ? layout->indexOf(content) : -1;
    if (index < 0)
        return;
    auto *scroller = new QScrollArea;
    scroller->setObjectName(u"formScroller"_s);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setFocusPolicy(Qt::NoFocus); // its controls take the focus, not the frame
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->insertWidget(index, scroller, layout->stretch(index));
    scroller->setWidget(content); // takes it out of the layout
    content->setAutoFillBackground(false);
    scroller->viewport()->setAutoFillBackground(false);
    const auto showText = [this, scroller] {
        QWidget *focused = QApplication::focusWidget();
        if (!focused || (focused != txtMessage && !txtMessage->isAncestorOf(focused)))
            return;
        // The line being typed, not only some part of the text box.
        const QRect cursor = txtMessage->cursorRect();
        const QPoint at = txtMessage->viewport()->mapTo(scroller->widget(), cursor.center());
        scroller->ensureVisible(at.x(), at.y(), 0, cursor.height());
    };
    // From the event loop: the layout settles first after a resize.
    const auto showTextSoon = [showText, scroller] {
        QMetaObject::invokeMethod(scroller, showText, Qt::QueuedConnection);
    };
    connect(qApp, &QApplication::focusChanged, scroller, showTextSoon);
    connect(txtMessage, &QPlainTextEdit::cursorPositionChanged, scroller, showTextSoon);
    // The window shrinking under a keyboard that comes up while typing.
    scroller->viewport()->installEventFilter(this);
    mShowText = showTextSoon;
    mScrollViewport = scroller->viewport();
}

bool ScheduleForm::eventFilter(QObject *watched, QEvent *event)
{
    // Compared, never followed: the viewport also reports while it goes away.
    if (event->type() == QEvent::Resize && watched == mScrollViewport && mShowText)
        mShowText();
    return platform::ViewController::eventFilter(watched, event);
}

void ScheduleForm::roundCorners()
{
    platform::setCornerRadius(txtMessage, 10.0);
    platform::setClipsToBounds(txtMessage, true);
    platform::setCornerRadius(mTopView, 7.0);
    platform::setClipsToBounds(mTopView, true);
    platform::setCornerRadius(mRepeatView, 7.0);
    platform::setClipsToBounds(mRepeatView, true);
}

bool ScheduleForm::refusePassedMoment(platform::AlertViewDelegate *alertDelegate)
{
    if (!(platform::Clock::now() > crDate->date()))
        return false;
    platform::AlertView::show(u""_s, u"Error : Time is passed."_s, alertDelegate, u"Ok"_s);
    return true;
}

void ScheduleForm::btnCancel()
{
    dismissModalViewControllerAnimated(true);
}

void ScheduleForm::btnExitTxt()
{
    txtMessage->resignFirstResponder();
}

void ScheduleForm::btnClear()
{
    txtMessage->setText(u""_s);
}

void ScheduleForm::btnSelectRepeat()
{
    auto picker = std::make_unique<RepeatMode>();
    picker->delegate = this;
    picker->mMode = 0;
    picker->setModalTransitionStyle(platform::ModalTransitionStyle::CoverVertical);
    presentModalViewController(std::move(picker), true);
}

void ScheduleForm::SaveData()
{
    velkari::SaveData();
}

void ScheduleForm::RepeatModeDidFinish(RepeatMode &picker)
{
    VelkariShell *shell = VelkariShell::shared();
    lblRepeat->setText(shell ? shell->mRepeatList().value(picker.mMode) : QString());
    mRepeatIndex = picker.mMode;
}

void ScheduleForm::openPeoplePicker()
{
    auto picker = std::make_unique<platform::PeoplePicker>();
    picker->setDisplayedProperties({platform::PersonProperty::Phone});
    picker->setPeoplePickerDelegate(this);
    presentModalViewController(std::move(picker), true);
}

bool ScheduleForm::peoplePickerShouldContinueAfterSelectingPerson(platform::PeoplePicker &,
                                                                  const platform::Person &)
{
    return true;
}

bool ScheduleForm::peoplePickerShouldContinueAfterSelectingPerson(platform::PeoplePicker &picker,
                                                                  const platform::Person &person,
                                                                  int, int identifier)
{
    // A missing part reads "(null)" in the format and is then removed, so the
    // blank between the parts stays.
    auto part = [](const QString &text) {
        return text.isNull() ? u"(null)"_s : text;
    };
    QString name = platform::formatString("%@ %@", {part(person.firstName), part(person.lastName)});
    name.replace(u"(null)"_s, u""_s);
    lblName->setText(name);

    const qsizetype index = person.indexOfPhoneNumber(identifier);
    lblNumber->setText(index >= 0 ? person.phoneNumbers.at(index).value : QString());

    picker.dismissModalViewControllerAnimated(true);
    return false;
}

void ScheduleForm::peoplePickerDidCancel(platform::PeoplePicker &picker)
{
    picker.dismissModalViewControllerAnimated(true);
}

void ScheduleForm::alertViewClickedButtonAtIndex(platform::AlertView &, int) {}

} // namespace velkari
