#pragma once

#include "ViewController.h"

#include <QPointer>
#include <QWidget>

class QVBoxLayout;

namespace platform {

// The app's one top-level window, phone-shaped and portrait. It shows its
// root view controller's view and carries the badge in its title.
class Window : public QWidget {
    Q_OBJECT

public:
    explicit Window(QWidget *parent = nullptr);
    ~Window() override;

    ViewController *rootViewController() const { return mRootViewController; }
    // Loads the controller's view (so its viewDidLoad runs now) and shows it.
    // The window does not own the controller.
    void setRootViewController(ViewController *controller);

    // Becomes the application's key window and is shown.
    void makeKeyAndVisible();

    // The title reads "Velkari (3)" while the badge shows 3.
    void setBadgeNumber(int number);

    QSize sizeHint() const override;

private:
    QPointer<ViewController> mRootViewController;
    QVBoxLayout *mLayout;
    QString mBaseTitle;
};

} // namespace platform
