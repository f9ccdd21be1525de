#include "RepeatModes.h"

using namespace Qt::Literals::StringLiterals;

namespace RepeatModes {

QStringList names()
{
    return {u"None"_s,       u"Every Hour"_s,   u"Every Day"_s,
            u"Every Week"_s, u"Eevery Month"_s, u"Every Year"_s};
}

} // namespace RepeatModes
