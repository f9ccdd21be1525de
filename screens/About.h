// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ui/ViewController.h"

namespace velkari {

// What Velkari is, opened from the list with a page curl.
class About : public platform::ViewController {
    Q_OBJECT

public:
    explicit About(QObject *parent = nullptr);

    void btnBack();

protected:
    QWidget *loadView() override;
};

} // namespace velkari
