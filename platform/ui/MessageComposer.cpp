// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/MessageComposer.h"

#include "platform/core/Logging.h"
#include "platform/sms/SmsAvailability.h"
#include "platform/sms/SmsTransport.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/TextView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace platform {

MessageComposer::MessageComposer(QObject *parent)
    : MessageComposer(SmsAvailability::shared().makeTransport(), parent)
{
}

MessageComposer::MessageComposer(std::unique_ptr<SmsTransport> transport, QObject *parent)
    : ViewController(parent)
    , mTransport(std::move(transport))
{
    if (mTransport) {
        connect(mTransport.get(), &SmsTransport::finished, this,
                [this](bool sent, const QString &error) {
                    if (!sent) {
                        sendFailed(error);
                        return;
                    }
                    if (!mQueue.isEmpty())
                        mQueue.removeFirst();
                    sendNext();
                });
    }
}

MessageComposer::~MessageComposer()
{
    if (mFailureAlert)
        mFailureAlert->setDelegate(nullptr);
}

bool MessageComposer::canSendText()
{
    return SmsAvailability::shared().canSendText();
}

void MessageComposer::setBody(const QString &body)
{
    mBody = body;
    if (mText)
        mText->setText(body);
}

QString MessageComposer::body() const
{
    return mText ? mText->text() : mBody;
}

void MessageComposer::setRecipients(const QStringList &recipients)
{
    mRecipients = recipients;
    if (mTo)
        mTo->setText(recipients.join(u", "_s));
}

QWidget *MessageComposer::loadView()
{
    auto *view = new QWidget;
    view->setObjectName(u"MessageComposer"_s);
    view->setAccessibleName(tr("New Message"));
    view->setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->setSpacing(8);

    mCancel = BarButtonItem::titled(tr("Cancel"), u"btnCancel"_s);
    mSend = BarButtonItem::titled(tr("Send"), u"btnSend"_s);
    QFont sendFont = mSend->font();
    sendFont.setBold(true);
    mSend->setFont(sendFont);
    QWidget *bar = navigationBar(mCancel, tr("New Message"), mSend);
    layout->addWidget(bar);

    auto *content = new QVBoxLayout;
    content->setContentsMargins(12, 0, 12, 0);
    content->setSpacing(8);
    auto *toRow = new QHBoxLayout;
    auto *toLabel = new QLabel(tr("To:"));
    mTo = new QLabel(mRecipients.join(u", "_s));
    mTo->setObjectName(u"recipients"_s);
    mTo->setAccessibleName(tr("Recipients"));
    mTo->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont toFont = mTo->font();
    toFont.setBold(true);
    mTo->setFont(toFont);
    toRow->addWidget(toLabel);
    toRow->addWidget(mTo, 1);
    content->addLayout(toRow);
    mText = new TextView;
    mText->setObjectName(u"body"_s);
    mText->setAccessibleName(tr("Message"));
    mText->setText(mBody);
    content->addWidget(mText, 1);
    auto *statusRow = new QHBoxLayout;
    mBusy = new QProgressBar;
    mBusy->setObjectName(u"progress"_s);
    mBusy->setRange(0, 0);
    mBusy->setMaximumWidth(80);
    mBusy->setTextVisible(false);
    mBusy->hide();
    mStatus = new QLabel;
    mStatus->setObjectName(u"status"_s);
    mStatus->setWordWrap(true);
    statusRow->addWidget(mBusy);
    statusRow->addWidget(mStatus, 1);
    content->addLayout(statusRow);
    layout->addLayout(content, 1);

    connect(mSend, &QToolButton::clicked, this, &MessageComposer::send);
    connect(mCancel, &QToolButton::clicked, this, &MessageComposer::cancel);
    if (!mTransport) {
        mSend->setEnabled(false);
        showProgress(tr("This device cannot send text messages."), false);
    }
    return view;
}

void MessageComposer::send()
{
    if (mSending || mFinished || !mTransport)
        return;
    mBody = body();
    mQueue = mRecipients;
    if (mQueue.isEmpty()) {
        finish(MessageComposeResult::Failed);
        return;
    }
    mSending = true;
    setEditable(false); // the message may be on its way already
    showProgress(tr("Sending…"), true);
    sendNext();
}

void MessageComposer::setEditable(bool editable)
{
    if (mSend)
        mSend->setEnabled(editable);
    if (mCancel)
        mCancel->setEnabled(editable);
    if (mText)
        mText->setReadOnly(!editable);
}

void MessageComposer::sendNext()
{
    if (mQueue.isEmpty()) {
        showProgress(tr("Sent."), false);
        finish(MessageComposeResult::Sent);
        return;
    }
    if (!mTransport->send(mQueue.first(), mBody))
        sendFailed(tr("The message could not be handed to the phone."));
}

void MessageComposer::sendFailed(const QString &error)
{
    qCWarning(lcSms, "The message could not be sent: %s", qUtf8Printable(error));
    showProgress(tr("Not sent."), false);
    mFailureAlert =
        AlertView::show(tr("Message not sent"), error, this, tr("Close"), {tr("Try Again")});
}

void MessageComposer::alertViewClickedButtonAtIndex(AlertView &, int buttonIndex)
{
    if (buttonIndex == 1) {
        // From the number that failed on: the ones before it went out.
        showProgress(tr("Sending…"), true);
        sendNext();
        return;
    }
    finish(MessageComposeResult::Failed);
}

void MessageComposer::cancel()
{
    if (!mSending)
        finish(MessageComposeResult::Cancelled);
}

void MessageComposer::finish(MessageComposeResult result)
{
    if (mFinished)
        return;
    mFinished = true;
    mSending = false;
    if (mDelegate)
        mDelegate->messageComposeViewControllerDidFinishWithResult(*this, result);
}

void MessageComposer::showProgress(const QString &text, bool busy)
{
    if (mStatus)
        mStatus->setText(text);
    if (mBusy)
        mBusy->setVisible(busy);
}

} // namespace platform
