// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/ViewController.h"

#include <QStringList>

#include <memory>

class QLabel;
class QProgressBar;
namespace platform {
class BarButtonItem;
class SmsTransport;
class TextView;
} // namespace platform

namespace platform {

class MessageComposer;

// Results, numbered as the platform numbers them.
enum class MessageComposeResult : int {
    Cancelled = 0,
    Sent = 1,
    Failed = 2,
};

class MessageComposeDelegate {
public:
    virtual ~MessageComposeDelegate() = default;
    virtual void messageComposeViewControllerDidFinishWithResult(MessageComposer &composer,
                                                                 MessageComposeResult result) = 0;
};

// The platform's message composer: shows the recipients and the text (which
// the user may still change), and sends it with Send through the device's
// transport. It reports exactly one result to its delegate, once: cancelled,
// sent or failed. Sending never freezes the window; a send that gets no
// answer in time fails. A failure is said, with the choice to try again;
// the composer reports "failed" only once the user gives up.
class MessageComposer : public ViewController, private AlertViewDelegate {
    Q_OBJECT

public:
    // Sends through the transport last found available, if any; never waits.
    explicit MessageComposer(QObject *parent = nullptr);
    explicit MessageComposer(std::unique_ptr<SmsTransport> transport, QObject *parent = nullptr);
    ~MessageComposer() override;

    // Whether this device can send text messages at all, as last found.
    static bool canSendText();

    void setMessageComposeDelegate(MessageComposeDelegate *delegate) { mDelegate = delegate; }
    void setBody(const QString &body);
    QString body() const;
    void setRecipients(const QStringList &recipients);
    QStringList recipients() const { return mRecipients; }

    bool hasTransport() const { return mTransport != nullptr; }
    bool isSending() const { return mSending; }
    bool hasFinished() const { return mFinished; }

    // What the Send and Cancel buttons do.
    void send();
    void cancel();

protected:
    QWidget *loadView() override;

private:
    void sendNext();
    void sendFailed(const QString &error);
    void alertViewClickedButtonAtIndex(AlertView &alertView, int buttonIndex) override;
    void setEditable(bool editable);
    void finish(MessageComposeResult result);
    void showProgress(const QString &text, bool busy);

    std::unique_ptr<SmsTransport> mTransport;
    MessageComposeDelegate *mDelegate = nullptr;
    QStringList mRecipients;
    QString mBody;
    // Numbers still to send to, the one being sent first.
    QStringList mQueue;
    QPointer<AlertView> mFailureAlert;
    bool mSending = false;
    bool mFinished = false;
    QLabel *mTo = nullptr;
    TextView *mText = nullptr;
    BarButtonItem *mSend = nullptr;
    BarButtonItem *mCancel = nullptr;
    QLabel *mStatus = nullptr;
    QProgressBar *mBusy = nullptr;
};

} // namespace platform
