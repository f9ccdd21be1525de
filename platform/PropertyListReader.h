#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariant>

#include <optional>

namespace platform::plist {

// The XML property-list reader behind PropertyList::parse, straight over the
// document's bytes.
std::optional<QVariant> readPropertyList(QByteArrayView document, QString *error);

} // namespace platform::plist
