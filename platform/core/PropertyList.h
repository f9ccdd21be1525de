// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/core/Result.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>

#include <optional>
#include <utility>

class QByteArray;

namespace platform {

// The XML property-list format, as the platform and Python's plistlib write it.
//
// Values map to QVariant as: string -> QString, date -> QDateTime (UTC, whole
// seconds), array -> QVariantList, dict -> PropertyList::Dictionary (keys in
// file order), integer -> qint64 (quint64 above its range), real -> double,
// true/false -> bool, data -> QByteArray. Every type survives a read and a
// write unchanged.
class PropertyList {
public:
    // A dict keeps its entries in the order of the file, so that a read and a
    // write give back the same bytes.
    struct Dictionary {
        QList<std::pair<QString, QVariant>> entries;

        friend bool operator==(const Dictionary &a, const Dictionary &b)
        {
            return a.entries == b.entries;
        }
        friend bool operator!=(const Dictionary &a, const Dictionary &b) { return !(a == b); }
    };

    // Arrays and dicts nested deeper than this are refused: no honest file
    // needs it, and it bounds the work a hostile one can cause.
    static constexpr int MaximumDepth = 128;

    // Parses a document. Refuses ("line N: reason") anything that is not
    // well-formed, declares entities, holds an unknown element, a date,
    // number or structure that does not parse, or nests too deeply.
    static Result<QVariant> parse(const QByteArray &document);

    // The document, byte for byte as plistlib writes it: header and DOCTYPE,
    // tab indentation, <array/> and <dict/> when empty, UTC dates with "Z".
    // Characters XML 1.0 cannot carry are replaced by U+FFFD and a carriage
    // return is written as "&#13;", so the file is always well-formed and
    // reads back as written.
    static QByteArray serialize(const QVariant &root);

    // One element of a root array as serialize() writes it, for writers that
    // keep the elements of a large array ready and only join them.
    static QByteArray serializeArrayElement(const QVariant &element);
    // A document whose root array holds the elements made above, in order.
    static QByteArray joinArrayElements(const QList<QByteArray> &elements);

    // A dict (or a QVariantMap) as a map; anything else gives an empty map.
    static QVariantMap toMap(const QVariant &value);

    // Reads a file of this user's whose root is an array; the reason instead
    // when the file is missing, unreadable, not a property list or has
    // another root. Without followLinks a link in the last place is refused.
    static Result<QVariantList> readArrayFile(const QString &path, bool followLinks = true);

    // Writes the document atomically: a crash or a full disk leaves either the
    // old file or the new one, never a torn one.
    static Result<void> writeFile(const QString &path, const QVariant &root);
};

} // namespace platform

Q_DECLARE_METATYPE(platform::PropertyList::Dictionary)
