// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/PeoplePicker.h"
#include "platform/ui/ViewController.h"
#include "screens/RepeatMode.h"

#include <functional>

class QAbstractButton;
class QLabel;
class QWidget;
namespace platform {
class DatePicker;
class Label;
class TextView;
} // namespace platform

namespace velkari {

// What the new-schedule form and the edit form share: the recipient from the
// address book, the moment, the text and the repeat mode, the rounded
// panels, and the actions on them. Each form binds its own layout.
class ScheduleForm : public platform::ViewController,
                     public platform::PeoplePickerDelegate,
                     public RepeatModeDelegate,
                     public platform::AlertViewDelegate {
    Q_OBJECT

public:
    explicit ScheduleForm(QObject *parent = nullptr);

    platform::Label *lblName = nullptr;
    platform::Label *lblNumber = nullptr;
    QLabel *lblRepeat = nullptr;
    platform::TextView *txtMessage = nullptr;
    QWidget *mTopView = nullptr;
    QWidget *mRepeatView = nullptr;
    platform::DatePicker *crDate = nullptr;
    int mRepeatIndex = 0;

    void btnCancel();
    void btnExitTxt();
    void btnClear();
    void btnSelectRepeat();
    void SaveData();

    void RepeatModeDidFinish(RepeatMode &picker) override;

    bool peoplePickerShouldContinueAfterSelectingPerson(platform::PeoplePicker &picker,
                                                        const platform::Person &person) override;
    bool peoplePickerShouldContinueAfterSelectingPerson(platform::PeoplePicker &picker,
                                                        const platform::Person &person,
                                                        int property, int identifier) override;
    void peoplePickerDidCancel(platform::PeoplePicker &picker) override;

    void alertViewClickedButtonAtIndex(platform::AlertView &alertView, int buttonIndex) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

    // Binds the outlets and actions both layouts have.
    template<class Ui> void bindShared(Ui &ui)
    {
        lblName = ui.lblName;
        lblNumber = ui.lblNumber;
        lblRepeat = ui.lblRepeat;
        txtMessage = ui.txtMessage;
        mTopView = ui.mTopView;
        mRepeatView = ui.mRepeatView;
        crDate = ui.crDate;
        connectShared(ui.btnCancel, ui.btnClear, ui.btnExitTxt, ui.btnSelectRepeat);
        keepTextInSight(ui.formContent);
    }

    // Opens the address book for a recipient (both forms' picker action).
    void openPeoplePicker();
    // The panels' corners: 10 points for the text, 7 for the two panels.
    void roundCorners();
    // Shows "Error : Time is passed." and answers true when the chosen moment
    // is already behind us; a moment equal to now passes.
    bool refusePassedMoment(platform::AlertViewDelegate *alertDelegate);

private:
    // The form scrolls under a short window (an on-screen keyboard takes the
    // lower half of a phone's screen), keeping the message text in sight
    // while it is typed in.
    void keepTextInSight(QWidget *content);
    const QObject *mScrollViewport = nullptr;
    std::function<void()> mShowText;
    void connectShared(QAbstractButton *cancel, QAbstractButton *clear, QAbstractButton *exitText,
                       QAbstractButton *selectRepeat);
};

} // namespace velkari
