// SPDX-License-Identifier: GPL-3.0-or-later
// Saves the store over and over, alternating between two versions of it,
// until it is killed: the crash-safety test kills it at random moments.
//   store_writer <records>
#include "platform/core/TimeZones.h"
#include "schedule/ScheduleStore.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>

using namespace Qt::Literals::StringLiterals;
using namespace velkari;

QVariantList version(int records, const QString &mark)
{
    QVariantList list;
    for (int i = 0; i < records; ++i) {
        list.append(
            QVariant(QVariantList{u"ID-%1"_s.arg(i), mark + u" %1"_s.arg(i), u"555 %1"_s.arg(i),
                                  QDateTime(QDate(2026, 12, 24), QTime(18, 0), platform::utc()),
                                  mark.repeated(20), u"0"_s, u"0"_s}));
    }
    return list;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    ScheduleStore store;
    store.LoadData();
    const QVariantList a = version(records, u"A"_s);
    const QVariantList b = version(records, u"B"_s);
    for (quint64 round = 0;; ++round) {
        store.setMList(round % 2 ? b : a);
        store.SaveData();
    }
}
