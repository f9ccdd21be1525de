// SPDX-License-Identifier: GPL-3.0-or-later
// Renders Velkari's screens to PNG files for the README:
//   velkari_screenshots <output folder>
// Runs offscreen on a data file of its own, in a temporary home.

#include "app/VelkariAppDelegate.h"
#include "platform/core/PropertyList.h"
#include "platform/shell/Application.h"
#include "platform/sms/ModemManagerTransport.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/CalendarSheet.h"
#include "platform/ui/DatePicker.h"
#include "platform/ui/Label.h"
#include "platform/ui/MessageComposer.h"
#include "platform/ui/PeoplePicker.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "screens/EditProps.h"
#include "screens/Properties.h"
#include "screens/RepeatMode.h"
#include "screens/VelkariViewController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QMessageBox>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;
using namespace velkari;

namespace {

// A dozen schedules of every status and repeat mode, around the present.
QVariantList sampleSchedules()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDate today = QDateTime::currentDateTime().date();
    auto at = [&](int days, int hour, int minute) {
        return QDateTime(today.addDays(days), QTime(hour, minute)).toUTC();
    };
    auto id = [](int n) {
        return u"5C0E7A2B-41D8-4F1A-9C3E-0000000000%1"_s.arg(n, 2, 10, QChar(u'0'));
    };
    return {
        QVariantList{id(1), u"Anna Berg"_s, u"+46 70 123 45 67"_s, at(1, 9, 0),
                     u"Happy birthday! Have a wonderful day"_s, u"0"_s, u"5"_s},
        QVariantList{id(2), u"Carl Dahl"_s, u"555 0100"_s, at(-1, 18, 30),
                     u"Don't forget the keys"_s, u"0"_s, u"0"_s},
        QVariantList{id(3), u"Eva Fors"_s, u"(020) 7946 0958"_s, at(-6, 14, 5),
                     u"Meeting moved to 3 pm"_s, u"1"_s, u"0"_s},
        QVariantList{id(4), u"Gustav Holm"_s, u"+1 212 555 0199"_s, now.addSecs(2 * 3600),
                     u"Call me when you land"_s, u"0"_s, u"1"_s},
        QVariantList{id(5), u"Ida Jansson"_s, u"070-123 45 67"_s, at(-30, 7, 45),
                     u"Good morning! Take your pills"_s, u"1"_s, u"2"_s},
        QVariantList{id(6), u"Karin Lund"_s, u"+44 7700 900123"_s, at(5, 12, 0),
                     u"Lunch on Friday?"_s, u"0"_s, u"3"_s},
        QVariantList{id(7), u"Lars Mark"_s, u"555 0142"_s, at(-3, 10, 0), u"Rent is due"_s, u"0"_s,
                     u"4"_s},
        QVariantList{id(8), u"Maja Nord"_s, u"555 0177"_s, at(2, 20, 15),
                     u"Movie tickets are booked"_s, u"2"_s, u"0"_s},
        QVariantList{id(9), u"Nils Ost"_s, u"555 0181"_s, at(-2, 8, 30), u"Bring the charger"_s,
                     u"?"_s, u"0"_s},
        QVariantList{id(10), u"Olle Persson"_s, u"555 0123"_s, at(12, 17, 0),
                     u"Written before repeats existed"_s, u"0"_s},
        QVariantList{id(11), u"Petra Qvist"_s, u"555 0190"_s, at(-10, 16, 45),
                     u"Sent, with a repeat mode nobody knows"_s, u"1"_s, u"9"_s},
        QVariantList{id(12), u"Rut Sjöberg"_s, u"+358 40 123 4567"_s, at(40, 9, 30),
                     u"A long message that does not fit on one line of the list, so the row "
                     "shows its beginning and ends it with an ellipsis."_s,
                     u"0"_s, u"3"_s},
    };
}

bool save(QWidget *widget, const QString &path)
{
    QPixmap picture = widget->grab();
    // Alerts are windows of their own: drawn over the dimmed window.
    const QList<platform::AlertView *> alerts = platform::AlertView::visibleAlerts();
    if (!alerts.isEmpty() && alerts.last()->dialog()) {
        QMessageBox *box = alerts.last()->dialog();
        box->adjustSize();
        QPainter painter(&picture);
        painter.fillRect(picture.rect(), QColor(0, 0, 0, 90));
        const QPixmap dialog = box->grab();
        const QPoint at((picture.width() - dialog.width()) / 2,
                        (picture.height() - dialog.height()) / 2);
        painter.fillRect(QRect(at, dialog.size()).adjusted(-1, -1, 1, 1), Qt::darkGray);
        painter.drawPixmap(at, dialog);
    }
    const bool saved = picture.save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
    return saved;
}

platform::ViewController *front(platform::ViewController *root)
{
    while (root->presentedViewController())
        root = root->presentedViewController();
    return root;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + u"/data"_s));
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(u"Velkari"_s);
    if (argc < 2) {
        std::fprintf(stderr, "usage: velkari_screenshots <output folder> [--phone]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    const QString documents = home.path() + u"/data/Velkari/Documents"_s;
    QDir().mkpath(documents);
    if (const auto written =
            platform::PropertyList::writeFile(documents + u"/ Velkari.dat"_s, sampleSchedules());
        !written) {
        std::fprintf(stderr, "Cannot write the schedules: %s\n", qPrintable(written.error()));
        return 1;
    }
    const QString contacts = home.path() + u"/data/Velkari/Contacts"_s;
    QDir().mkpath(contacts);
    QFile::copy(QStringLiteral(VELKARI_SAMPLE_CONTACTS), contacts + u"/contacts.vcf"_s);

    platform::ViewController::setAnimationsEnabled(false);
    auto owned = std::make_unique<VelkariAppDelegate>();
    VelkariAppDelegate *delegate = owned.get();
    platform::Application app(std::move(owned));
    app.launch();
    platform::Window *window = delegate->window();
    window->resize(390, 760);

    bool ok = true;
    auto settle = [] {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    };
    settle();
    // The new form and its calendar on a phone's 360x720 screen.
    const auto phoneForm = [&](const QString &suffix) {
        VelkariViewController *phoneList = delegate->viewController();
        phoneList->btnAdd();
        settle();
        auto *phoneForm = static_cast<Properties *>(phoneList->presentedViewController());
        phoneForm->crDate->setDate(QDateTime(QDate::currentDate().addDays(1), QTime(9, 5)));
        ok &= save(window, out + u"/new-schedule-phone"_s + suffix + u".png"_s);
        phoneForm->crDate->showCalendar();
        settle();
        ok &= save(window, out + u"/date-calendar-phone"_s + suffix + u".png"_s);
        phoneForm->crDate->calendar()->cancelButton()->click();
        phoneForm->btnCancel();
        settle();
    };
    // Only the phone's screens, for a run under QT_SCALE_FACTOR.
    if (argc > 2 && QByteArray(argv[2]) == "--phone") {
        window->resize(360, 720);
        settle();
        const QByteArray scale = qgetenv("QT_SCALE_FACTOR");
        const QString suffix = u"-%1x"_s.arg(scale.isEmpty() ? u"1"_s : QString::fromLatin1(scale));
        ok &= save(window, out + u"/list-phone"_s + suffix + u".png"_s);
        phoneForm(suffix);
        return ok ? 0 : 1;
    }
    ok &= save(window, out + u"/list.png"_s);

    VelkariViewController *list = delegate->viewController();
    list->btnAbout();
    settle();
    ok &= save(window, out + u"/about.png"_s);
    list->dismissModalViewControllerAnimated(false);
    settle();

    // A new schedule: a contact, a moment, a text and a repeat mode.
    list->btnAdd();
    settle();
    auto *form = static_cast<Properties *>(list->presentedViewController());
    form->showPicker();
    settle();
    auto *people = static_cast<platform::PeoplePicker *>(form->presentedViewController());
    ok &= save(window, out + u"/people-picker.png"_s);
    people->selectPerson(1);
    settle();
    ok &= save(window, out + u"/people-picker-numbers.png"_s);
    people->selectPhoneNumber(0);
    settle();
    form->crDate->setDate(QDateTime::currentDateTime().addDays(1).addSecs(3600));
    form->txtMessage->setText(u"See you at the station at eight!"_s);
    form->btnSelectRepeat();
    settle();
    auto *repeat = static_cast<RepeatMode *>(form->presentedViewController());
    repeat->mTableView()->selectRowAtIndexPath(platform::IndexPath::forRow(3));
    repeat->didSelectRowAtIndexPath(*repeat->mTableView(), platform::IndexPath::forRow(3));
    settle();
    ok &= save(window, out + u"/repeat-picker.png"_s);
    repeat->btnDone();
    settle();
    ok &= save(window, out + u"/new-schedule.png"_s);
    form->crDate->showCalendar();
    settle();
    ok &= save(window, out + u"/date-calendar.png"_s);
    form->crDate->calendar()->cancelButton()->click();
    settle();

    // A moment already behind us is refused.
    form->crDate->setDate(QDateTime::currentDateTime().addDays(-1));
    form->btnSave();
    settle();
    ok &= save(window, out + u"/alert-time-passed.png"_s);
    for (platform::AlertView *alert : platform::AlertView::visibleAlerts())
        alert->dismissWithClickedButtonIndex(0);
    form->btnCancel();
    settle();

    // Changing a schedule, and deleting it.
    list->didSelectRowAtIndexPath(*list->mTableView(), platform::IndexPath::forRow(0));
    settle();
    ok &= save(window, out + u"/edit-schedule.png"_s);
    auto *edit = static_cast<EditProps *>(list->presentedViewController());
    edit->btnDelete();
    settle();
    ok &= save(window, out + u"/alert-delete.png"_s);
    for (platform::AlertView *alert : platform::AlertView::visibleAlerts())
        alert->dismissWithClickedButtonIndex(0);
    edit->btnCancel();
    settle();

    // The composer, as a reminder opens it (its transport is not used here).
    auto composer = std::make_unique<platform::MessageComposer>(
        std::make_unique<platform::ModemManagerTransport>(QDBusConnection(u"none"_s)));
    composer->setRecipients({u"+46 70 123 45 67"_s});
    composer->setBody(u"Happy birthday! Have a wonderful day"_s);
    front(list)->presentModalViewController(std::move(composer), false);
    settle();
    ok &= save(window, out + u"/composer.png"_s);
    list->dismissModalViewControllerAnimated(false);
    settle();

    // The alert of a reminder that fires while the list is in front.
    window->activateWindow();
    settle();
    platform::Reminder reminder;
    reminder.userInfo = {{u"ID"_s, sampleSchedules().first().toList().first()}};
    delegate->didReceiveLocalNotification(app, reminder);
    settle();
    ok &= save(window, out + u"/alert-reminder.png"_s);
    for (platform::AlertView *alert : platform::AlertView::visibleAlerts())
        alert->dismissWithClickedButtonIndex(0);
    settle();

    // A Phosh phone's screen, and the same list in a dark palette.
    window->resize(360, 720);
    settle();
    ok &= save(window, out + u"/list-phone.png"_s);
    phoneForm(QString());
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x22));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Base, QColor(0x16, 0x16, 0x18));
    dark.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x28));
    dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Button, QColor(0x2c, 0x2c, 0x2e));
    dark.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::PlaceholderText, QColor(0x9a, 0x9a, 0x9e));
    dark.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xe4));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    QApplication::setPalette(dark);
    settle();
    ok &= save(window, out + u"/list-dark.png"_s);
    return ok ? 0 : 1;
}
