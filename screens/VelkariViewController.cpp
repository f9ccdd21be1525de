// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/VelkariViewController.h"

#include "platform/core/Clock.h"
#include "platform/core/Log.h"
#include "platform/sms/SmsAvailability.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "schedule/RepeatModes.h"
#include "schedule/ScheduleRecord.h"
#include "screens/About.h"
#include "screens/DateText.h"
#include "screens/EditProps.h"
#include "screens/Properties.h"
#include "screens/StoreAlerts.h"
#include "screens/TableCellView.h"
#include "screens/VelkariShell.h"

#include "ui_VelkariViewController.h"

#include <QLocale>
#include <QTimeZone>

using namespace Qt::Literals::StringLiterals;
using platform::log;

namespace velkari {

VelkariViewController::VelkariViewController(QObject *parent)
    : platform::ViewController(parent)
    , ui(std::make_unique<Ui::VelkariViewController>())
{
    // Asked from the start, so that a reminder finds the answer ready.
    connect(&platform::SmsAvailability::shared(), &platform::SmsAvailability::settled, this,
            &VelkariViewController::openWaitingComposer);
}

VelkariViewController::~VelkariViewController() = default;

platform::TableView *VelkariViewController::mTableView()
{
    view();
    return ui->mTableView;
}

platform::BarButtonItem *VelkariViewController::addButton()
{
    view();
    return ui->btnAdd;
}

QWidget *VelkariViewController::loadView()
{
    auto *view = new QWidget;
    ui->setupUi(view);
    ui->mTableView->setDataSource(this);
    ui->mTableView->setDelegate(this);
    connect(ui->btnAbout, &QToolButton::clicked, this, &VelkariViewController::btnAbout);
    connect(ui->btnAdd, &QToolButton::clicked, this, &VelkariViewController::btnAdd);
    return view;
}

void VelkariViewController::viewDidLoad()
{
    LoadData();
    ui->mTableView->reloadData();
}

void VelkariViewController::LoadData()
{
    VelkariShell *shell = VelkariShell::shared();
    if (!shell)
        return;
    ScheduleStore &store = shell->store();
    const ScheduleStore::LoadReport report = store.LoadData();
    reportLoad(report, store.mDataPath());
}

void VelkariViewController::SaveData()
{
    velkari::SaveData();
}

QString VelkariViewController::Date2String(const QDateTime &date)
{
    return velkari::Date2String(date);
}

void VelkariViewController::btnAdd()
{
    auto form = std::make_unique<Properties>();
    form->setModalTransitionStyle(platform::ModalTransitionStyle::FlipHorizontal);
    presentModalViewController(std::move(form), true);
}

void VelkariViewController::btnAbout()
{
    auto about = std::make_unique<About>();
    about->setModalTransitionStyle(platform::ModalTransitionStyle::PartialCurl);
    presentModalViewController(std::move(about), true);
}

int VelkariViewController::numberOfRowsInSection(platform::TableView &, int)
{
    VelkariShell *shell = VelkariShell::shared();
    return shell ? shell->store().count() : 0;
}

platform::TableViewCell *
VelkariViewController::cellForRowAtIndexPath(platform::TableView &tableView,
                                             const platform::IndexPath &indexPath)
{
    VelkariShell *shell = VelkariShell::shared();
    auto *cell =
        static_cast<TableCellView *>(tableView.dequeueReusableCellWithIdentifier(u"tblCellView"_s));
    if (!cell) {
        tblCell = TableCellView::loadFromLayout();
        cell = tblCell;
    }
    if (!shell || !shell->mList() || indexPath.row >= shell->store().count())
        return cell;

    const int r = indexPath.row;
    const QVariantList &list = *shell->mList();
    cell->lblName->setText(recordText(list.at(r), ScheduleField::Name));
    cell->lblNumber->setText(recordText(list.at(r), ScheduleField::Number));
    const QDateTime date = recordDate(list.at(r), ScheduleField::Date);
    cell->crDate->setText(Date2String(date));
    cell->crTxt->setText(recordText(list.at(r), ScheduleField::Text));

    const int status = recordInt(list.at(r), ScheduleField::Status);
    const QDateTime now = platform::Clock::now();
    log("%@", Date2String(date));
    log("status=%d", status);

    // A record without a date has no moment that could have passed.
    QString imageName;
    if (status == 0 && date.isValid() && now > date)
        imageName = u"missed"_s;
    else if (status == 1)
        imageName = u"OK2"_s;
    else
        imageName = u"pending"_s;
    cell->crStatus->setImage(platform::Image::named(platform::localizedString(imageName, u""_s)));

    // A repeat index that names no mode, or none at all, shows "None".
    cell->crRepeatMode->setText(shell->mRepeatList().value(RepeatModes::storedIndex(list.at(r))));

    cell->setAccessibleName(u"%1, %2, %3"_s.arg(cell->lblName->text(), cell->crDate->text(),
                                                cell->crStatus->image().accessibleDescription()));
    return cell;
}

void VelkariViewController::sendSMS(const QString &body, const QStringList &recipientList)
{
    Composition composition{mNotID, body, recipientList};
    // Still asking the bus whether text can be sent: waits for the answer.
    if (mComposer || !platform::SmsAvailability::shared().isSettled()) {
        // Two composers stacked would leave one of them recording its result
        // on the other's schedule.
        mWaitingCompositions.push_back(std::move(composition));
        return;
    }
    openComposer(composition);
}

void VelkariViewController::openComposer(const Composition &composition)
{
    auto composer = std::make_unique<platform::MessageComposer>();
    if (!composer->hasTransport())
        return; // a device that cannot send text shows nothing
    composer->setMessageComposeDelegate(this);
    composer->setBody(composition.body);
    composer->setRecipients(composition.recipients);
    mComposingID = composition.scheduleID;
    mComposer = composer.get();
    // Also when it goes without a result (the window closing under it).
    connect(mComposer, &QObject::destroyed, this, [this] {
        QMetaObject::invokeMethod(this, &VelkariViewController::openWaitingComposer,
                                  Qt::QueuedConnection);
    });
    // Over whatever screen is in front, so that a form left open does not
    // swallow it.
    platform::ViewController *front = this;
    while (front->presentedViewController())
        front = front->presentedViewController();
    front->presentModalViewController(std::move(composer), true);
}

void VelkariViewController::openWaitingComposer()
{
    while (!mComposer && !mWaitingCompositions.empty() &&
           platform::SmsAvailability::shared().isSettled()) {
        const Composition next = std::move(mWaitingCompositions.front());
        mWaitingCompositions.pop_front();
        openComposer(next);
    }
}

void VelkariViewController::messageComposeViewControllerDidFinishWithResult(
    platform::MessageComposer &composer, platform::MessageComposeResult result)
{
    VelkariShell *shell = VelkariShell::shared();
    if (result == platform::MessageComposeResult::Sent && shell && shell->mList()) {
        QVariantList &list = *shell->mList();
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (recordText(list.at(i), ScheduleField::ID) != mComposingID ||
                !recordElements(list.at(i)))
                continue;
            QVariantList record = list.at(i).toList();
            while (record.size() <= ScheduleField::Status)
                record.append(u""_s);
            record[ScheduleField::Status] = u"1"_s;
            list[i] = record;
            SaveData();
            ui->mTableView->reloadData();
        }
    }
    ui->mTableView->reloadData();
    if (shell)
        shell->UpdateIconNumber();
    composer.dismissModalViewControllerAnimated(true);
    if (mComposer == &composer)
        mComposer = nullptr;
    // The next one opens once this one has left the event it finished in.
    QMetaObject::invokeMethod(this, &VelkariViewController::openWaitingComposer,
                              Qt::QueuedConnection);
}

void VelkariViewController::didSelectRowAtIndexPath(platform::TableView &,
                                                    const platform::IndexPath &indexPath)
{
    auto form = std::make_unique<EditProps>();
    form->mIndex = indexPath.row;
    form->setModalTransitionStyle(platform::ModalTransitionStyle::CrossDissolve);
    presentModalViewController(std::move(form), true);
}

} // namespace velkari
