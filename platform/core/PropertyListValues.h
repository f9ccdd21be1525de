// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QStringView>
#include <QVariant>

#include <optional>
#include <string_view>

class QByteArray;

// The texts of <date>, <integer> and <real>, read the one way every reader of
// the format here reads them.
namespace platform::plist {

std::optional<QDateTime> parseDate(QStringView text);
// The same over the bytes of an ASCII text.
std::optional<QDateTime> parseDate(std::string_view text);
// qint64, or quint64 above its range.
std::optional<QVariant> parseInteger(QStringView text);
std::optional<double> parseReal(QStringView text);

} // namespace platform::plist
