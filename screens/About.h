#pragma once

#include "platform/ViewController.h"

// What Velkari is, opened from the list with a page curl.
class About : public platform::ViewController {
    Q_OBJECT

public:
    explicit About(QObject *parent = nullptr);

    void btnBack();

protected:
    QWidget *loadView() override;
};
