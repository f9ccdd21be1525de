// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/core/PropertyList.h"

#include <QByteArray>

#include <optional>

namespace platform {

// The property-list reading the app once did with QXmlStreamReader, kept as
// the reference that PropertyList::parse must agree with on every input.
std::optional<QVariant> parseWithXmlStreamReader(const QByteArray &document,
                                                 QString *error = nullptr);

} // namespace platform
