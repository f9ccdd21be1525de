#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace platform {

// Portrait, the only orientation the screens accept.
constexpr int InterfaceOrientationPortrait = 1;

// A screen's controller. Its view is made on first use (loadView), and
// viewDidLoad follows at once, so a controller can be created cheaply and
// configured before anything is shown.
class ViewController : public QObject {
    Q_OBJECT

public:
    explicit ViewController(QObject *parent = nullptr);
    ~ViewController() override;

    // The controller's view, loading it first if needed.
    QWidget *view();
    bool isViewLoaded() const { return !mView.isNull(); }

    virtual bool shouldAutorotateToInterfaceOrientation(int orientation) const;

protected:
    // Makes the view; the default is an empty widget. Screens build theirs
    // from their layout.
    virtual QWidget *loadView();
    virtual void viewDidLoad() {}

private:
    QPointer<QWidget> mView;
};

} // namespace platform
