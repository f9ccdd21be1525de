// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/AlertView.h"

#include "platform/ui/Window.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {
QList<AlertView *> shownAlerts;
} // namespace

AlertView *AlertView::show(const QString &title, const QString &message,
                           AlertViewDelegate *delegate, const QString &cancelButtonTitle,
                           const QStringList &otherButtonTitles)
{
    auto *alert = new AlertView(title, message, delegate, cancelButtonTitle, otherButtonTitles);
    shownAlerts.append(alert);
    // Put on screen from the event loop: an alert raised while the window is
    // still being built then appears over the finished window.
    QMetaObject::invokeMethod(alert, &AlertView::present, Qt::QueuedConnection);
    return alert;
}

QList<AlertView *> AlertView::visibleAlerts()
{
    return shownAlerts;
}

AlertView::AlertView(const QString &title, const QString &message, AlertViewDelegate *delegate,
                     const QString &cancelButtonTitle, const QStringList &otherButtonTitles)
    : mTitle(title)
    , mMessage(message)
    , mDelegate(delegate)
    , mCancelButtonTitle(cancelButtonTitle)
{
    if (!cancelButtonTitle.isEmpty())
        mButtonTitles.append(cancelButtonTitle);
    mButtonTitles += otherButtonTitles;
}

AlertView::~AlertView()
{
    shownAlerts.removeOne(this);
    delete mDialog.data();
}

void AlertView::present()
{
    if (mAnswered || mDialog)
        return;
    QWidget *parent = Window::keyWindow();
    auto *box = new QMessageBox(parent);
    mDialog = box;
    box->setObjectName(u"alertView"_s);
    box->setAccessibleName(mTitle.isEmpty() ? tr("Alert") : mTitle);
    box->setAccessibleDescription(mMessage);
    box->setWindowTitle(mTitle.isEmpty() ? u"Velkari"_s : mTitle);
    // Title above message, as a phone's alert reads; dialog titles are not
    // always drawn by the desktop.
    box->setTextFormat(Qt::PlainText);
    if (mTitle.isEmpty()) {
        box->setText(mMessage);
    } else {
        box->setText(mTitle);
        box->setInformativeText(mMessage);
        if (auto *title = box->findChild<QLabel *>(u"qt_msgbox_label"_s)) {
            QFont bold = title->font();
            bold.setBold(true);
            title->setFont(bold);
        }
    }
    box->setIcon(QMessageBox::NoIcon);
    box->setWindowModality(Qt::WindowModal);
    for (int i = 0; i < mButtonTitles.size(); ++i) {
        const bool isCancel = i == cancelButtonIndex();
        QPushButton *button = box->addButton(mButtonTitles[i], isCancel ? QMessageBox::RejectRole
                                                                        : QMessageBox::AcceptRole);
        button->setObjectName(u"alertButton%1"_s.arg(i));
        button->setAccessibleName(mButtonTitles[i]);
        // A fingertip's size, as every other button of the app.
        button->setMinimumSize(88, 44);
        if (isCancel)
            box->setEscapeButton(button);
        if (mCancelIsDefault ? isCancel : (!isCancel && i == mButtonTitles.size() - 1))
            box->setDefaultButton(button);
        connect(button, &QPushButton::clicked, this,
                [this, i] { dismissWithClickedButtonIndex(i); });
    }
    box->open();
    if (QPushButton *focused = box->defaultButton())
        focused->setFocus(Qt::OtherFocusReason);
}

void AlertView::dismissWithClickedButtonIndex(int buttonIndex)
{
    if (mAnswered)
        return;
    mAnswered = true;
    shownAlerts.removeOne(this);
    if (mDialog)
        mDialog->hide();
    if (mDelegate)
        mDelegate->alertViewClickedButtonAtIndex(*this, buttonIndex);
    deleteLater();
}

} // namespace platform
