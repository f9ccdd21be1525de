#include "StandardPaths.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

void makePrivateDirectory(const QString &path)
{
    if (QFileInfo::exists(path))
        return;
    if (QDir().mkpath(path))
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

QString applicationDataDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Velkari"_s;
}

QString documentsDirectory()
{
    const QString base = applicationDataDirectory();
    makePrivateDirectory(base);
    const QString documents = base + u"/Documents"_s;
    makePrivateDirectory(documents);
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
