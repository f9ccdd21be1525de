// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/SingleInstance.h"

#include "platform/core/PrivateFiles.h"
#include "platform/core/StandardPaths.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

bool isPrivateFolder(const QByteArray &path, bool wantPrivateMode)
{
    struct stat info = {};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (!wantPrivateMode || (info.st_mode & 077) == 0);
}

// Where the lock and the socket go: a folder only this user can enter, so
// nobody else can take the names first or listen in our place.
QString runtimeDirectory()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime, false))
        return QFile::decodeName(runtime);
    const QByteArray own =
        QFile::encodeName(QDir::tempPath()) + "/velkari-" + QByteArray::number(::geteuid());
    if (::mkdir(own.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    // Someone else may have made it first: checked, not trusted.
    if (!isPrivateFolder(own, true))
        return {};
    return QFile::decodeName(own);
}

} // namespace

SingleInstance::SingleInstance(const QString &key, QObject *parent)
    : QObject(parent)
{
    // Socket paths are limited to about a hundred bytes, so the key is hashed.
    const QByteArray hash =
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    QString folder = runtimeDirectory();
    if (folder.isEmpty()) {
        // Velkari's own data folder is private too; its path may be long for
        // a socket, which then only costs the hand-over.
        folder = applicationDataDirectory() + u"/Library"_s;
        makePrivateDirectory(folder);
        qWarning("No private runtime folder; using %s", qPrintable(folder));
    }
    const QString base = folder + u"/" VELKARI_APP_ID "-"_s + QString::number(::getuid()) + u'-' +
                         QString::fromLatin1(hash);
    mSocketPath = base + u".socket"_s;
    mLock = std::make_unique<QLockFile>(base + u".lock"_s);
    mLock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    if (mServer)
        mServer->close();
}

bool SingleInstance::becomePrimary()
{
    if (!mLock->tryLock(0))
        return false;
    QLocalServer::removeServer(mSocketPath);
    mServer = new QLocalServer(this);
    mServer->setSocketOptions(QLocalServer::UserAccessOption);
    if (!mServer->listen(mSocketPath))
        qWarning("Cannot listen on %s: %s", qPrintable(mSocketPath),
                 qPrintable(mServer->errorString()));
    connect(mServer, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    return true;
}

bool SingleInstance::sendToPrimary(const QByteArray &message, int timeoutMs)
{
    // The running copy may have taken the lock an instant ago and not be
    // listening yet, so try for a while.
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(mSocketPath);
        if (socket.waitForConnected(int(qMax<qint64>(deadline.remainingTime(), 1)))) {
            QByteArray frame = message;
            frame.append('\n');
            socket.write(frame);
            if (!socket.waitForBytesWritten(int(qMax<qint64>(deadline.remainingTime(), 1))))
                return false;
            socket.disconnectFromServer();
            if (socket.state() != QLocalSocket::UnconnectedState)
                socket.waitForDisconnected(500);
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket *socket = mServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                QByteArray line = socket->readLine();
                line.chop(1);
                Q_EMIT messageReceived(line);
            }
        });
    }
}

} // namespace platform
