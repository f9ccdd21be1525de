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

// Texts of up to this many bytes are made once and shared by every record
// that holds them.
constexpr qsizetype LongestSharedText = 32;

// Into how many parts, each on its own core, PropertyList::parse reads a
// document of this size.
int piecesFor(qsizetype documentSize);

// PropertyList::parse with the root array read in up to pieces parts at once
// whatever the document's size, for tests that compare it with one pass.
std::optional<QVariant> parseInPieces(const QByteArray &document, int pieces,
                                      QString *error = nullptr);

} // namespace platform::plist
