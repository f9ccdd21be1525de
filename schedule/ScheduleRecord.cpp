// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/ScheduleRecord.h"

#include <limits>

namespace velkari {

int intValue(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    qint64 value = 0;
    constexpr qint64 limit = qint64(std::numeric_limits<int>::max()) + 1;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + (c - u'0');
        if (value > limit)
            value = limit;
    }
    if (negative)
        return int(-value);
    return int(qMin<qint64>(value, std::numeric_limits<int>::max()));
}

const QVariantList *recordElements(const QVariant &record)
{
    if (record.metaType().id() != QMetaType::QVariantList)
        return nullptr;
    return static_cast<const QVariantList *>(record.constData());
}

namespace {

const QVariant *element(const QVariant &record, int position)
{
    const QVariantList *elements = recordElements(record);
    if (!elements || position < 0 || position >= elements->size())
        return nullptr;
    return &elements->at(position);
}

} // namespace

QString recordText(const QVariant &record, int position)
{
    const QVariant *value = element(record, position);
    if (!value || value->metaType().id() != QMetaType::QString)
        return {};
    return *static_cast<const QString *>(value->constData());
}

QDateTime recordDate(const QVariant &record, int position)
{
    const QVariant *value = element(record, position);
    if (!value || value->metaType().id() != QMetaType::QDateTime)
        return {};
    return *static_cast<const QDateTime *>(value->constData());
}

int recordInt(const QVariant &record, int position)
{
    const QVariant *value = element(record, position);
    if (!value || value->metaType().id() != QMetaType::QString)
        return 0;
    return intValue(*static_cast<const QString *>(value->constData()));
}

} // namespace velkari
