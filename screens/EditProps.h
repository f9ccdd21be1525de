// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "screens/ScheduleForm.h"

namespace velkari {

// The form that changes or deletes the schedule at mIndex of the list.
class EditProps : public ScheduleForm {
    Q_OBJECT

public:
    explicit EditProps(QObject *parent = nullptr);

    int mIndex = 0;

    void btnSave();
    void btnDelete();
    void ShowPicker();

    // The answer to "Delete schedule ?" (and to the time alert, whose only
    // button changes nothing).
    void alertViewClickedButtonAtIndex(platform::AlertView &alertView, int buttonIndex) override;

protected:
    QWidget *loadView() override;
    void viewDidLoad() override;
};

} // namespace velkari
