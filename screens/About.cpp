// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/About.h"

#include "ui_About.h"

namespace velkari {

About::About(QObject *parent)
    : platform::ViewController(parent)
{
}

QWidget *About::loadView()
{
    auto *view = new QWidget;
    Ui::About ui;
    ui.setupUi(view);
    connect(ui.btnBack, &QPushButton::clicked, this, &About::btnBack);
    return view;
}

void About::btnBack()
{
    dismissModalViewControllerAnimated(true);
}

} // namespace velkari
