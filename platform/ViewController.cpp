#include "ViewController.h"

#include <QWidget>

namespace platform {

ViewController::ViewController(QObject *parent)
    : QObject(parent)
{
}

ViewController::~ViewController()
{
    delete mView.data();
}

QWidget *ViewController::view()
{
    if (!mView) {
        mView = loadView();
        viewDidLoad();
    }
    return mView;
}

bool ViewController::shouldAutorotateToInterfaceOrientation(int orientation) const
{
    return orientation == InterfaceOrientationPortrait;
}

QWidget *ViewController::loadView()
{
    return new QWidget;
}

} // namespace platform
