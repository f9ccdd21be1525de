#include "StandardPaths.h"

#include "Log.h"
#include "PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

void makeFolder(const QString &path)
{
    QString error;
    if (!makePrivateDirectory(path, &error))
        log("Cannot use the folder %@: %@", path, error);
}

} // namespace

QString applicationDataDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Velkari"_s;
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

} // namespace platform
