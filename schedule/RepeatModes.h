#pragma once

#include <QString>
#include <QStringList>

// The six repeat modes by index, as stored in a record's repeat element.
namespace RepeatModes {

constexpr int Count = 6;

// Display names by index; index 4 is spelled "Eevery Month" on purpose, as
// the product always has.
QStringList names();

} // namespace RepeatModes
