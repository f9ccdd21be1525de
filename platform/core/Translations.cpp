// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/Translations.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

using namespace Qt::Literals::StringLiterals;

namespace platform {

bool installTranslations()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    // Compiled in by translations/CMakeLists.txt as :/i18n/velkari_<language>.qm.
    if (!translator->load(QLocale(), u"velkari"_s, u"_"_s, u":/i18n"_s) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

} // namespace platform
