// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "screens/ScheduleForm.h"

namespace velkari {

// The form for a new schedule, opened from the list's add button.
class Properties : public ScheduleForm {
    Q_OBJECT

public:
    explicit Properties(QObject *parent = nullptr);

    void btnSave();
    void showPicker();

protected:
    QWidget *loadView() override;
    void viewDidLoad() override;
};

} // namespace velkari
