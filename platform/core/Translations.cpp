// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace Qt::Literals::StringLiterals;

namespace platform {

bool installTranslations()
{
    // Qt's own texts (a text field's menu, standard buttons), where the
    // system has them (qt6-translations-l10n).
    auto *qt = new QTranslator(QCoreApplication::instance());
    if (!qt->load(QLocale(), u"qtbase"_s, u"_"_s,
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(qt))
        delete qt;
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
