// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/StandardPaths.h"

#include "platform/core/Logging.h"
#include "platform/core/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

void makeFolder(const QString &path)
{
    if (const Result<void> made = makePrivateDirectory(path); !made)
        qCWarning(lcCore, "Cannot use the folder %s: %s", qUtf8Printable(path),
                  qUtf8Printable(made.error()));
}

// The data home as the bytes the environment gives.
QByteArray dataHomeBytes()
{
    const QByteArray xdg = qgetenv("XDG_DATA_HOME");
    if (xdg.startsWith('/'))
        return xdg;
    return qgetenv("HOME") + "/.local/share";
}

} // namespace

QString applicationDataDirectory()
{
    const QByteArray home = dataHomeBytes();
    if (QFile::encodeName(QFile::decodeName(home)) == home)
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
               u"/Velkari"_s;
    // Bytes that are not UTF-8 have no QString that names them (they would
    // come back as U+FFFD, another folder): the folder is reached through a
    // descriptor of our own on the very bytes.
    static std::map<QByteArray, int> opened;
    auto found = opened.find(home);
    if (found == opened.end()) {
        for (qsizetype slash = home.indexOf('/', 1);; slash = home.indexOf('/', slash + 1)) {
            ::mkdir((slash < 0 ? home : home.left(slash)).constData(), 0700);
            if (slash < 0)
                break;
        }
        const int fd = ::open(home.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return QFile::decodeName(home) + u"/Velkari"_s;
        found = opened.emplace(home, fd).first;
    }
    return u"/proc/self/fd/%1/Velkari"_s.arg(found->second);
}

QString applicationInstanceKey()
{
    const QByteArray home = dataHomeBytes();
    if (QFile::encodeName(QFile::decodeName(home)) == home)
        return applicationDataDirectory();
    return QString::fromLatin1(home.toHex()) + u"/Velkari"_s;
}

QString documentsDirectory()
{
    const QString base = applicationDataDirectory();
    makeFolder(base);
    const QString documents = base + u"/Documents"_s;
    makeFolder(documents);
    return documents;
}

QString contactsDirectory()
{
    return applicationDataDirectory() + u"/Contacts"_s;
}

QString kpeopleVCardDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           u"/kpeoplevcard"_s;
}

} // namespace platform
