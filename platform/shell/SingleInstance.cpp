// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/SingleInstance.h"

#include "platform/core/Logging.h"
#include "platform/core/PrivateFiles.h"
#include "platform/core/StandardPaths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFileSystemWatcher>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace platform {

SingleInstance::SingleInstance(const QString &key, QObject *parent)
    : QObject(parent)
{
    // Socket paths are limited to about a hundred bytes, so the key is hashed.
    const QByteArray hash =
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    QString folder = privateRuntimeDirectory(u"velkari"_s);
    if (folder.isEmpty()) {
        // Velkari's own data folder is private too; its path may be long for
        // a socket, which then only costs the hand-over.
        folder = applicationDataDirectory() + u"/Library"_s;
        qCWarning(lcShell, "No private runtime folder; using %s", qPrintable(folder));
        if (const Result<void> made = makePrivateDirectory(folder); !made)
            qCWarning(lcShell, "Cannot make %s: %s", qPrintable(folder), qPrintable(made.error()));
    }
    const QString base = folder + u"/" VELKARI_APP_ID "-"_s + QString::number(userId()) + u'-' +
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
        qCWarning(lcShell, "Cannot listen on %s: %s", qPrintable(mSocketPath),
                  qPrintable(mServer->errorString()));
    connect(mServer, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    return true;
}

bool SingleInstance::sendToPrimary(const QByteArray &message, int timeoutMs)
{
    // The running copy may have taken the lock an instant ago and not be
    // listening yet: its socket appears under its name only once it listens
    // (QLocalServer binds elsewhere and renames it into place), so a refused
    // or missing socket is tried again when the folder changes, not on a
    // timer. Nothing else runs in this copy meanwhile; it ends right after.
    QEventLoop loop;
    QLocalSocket socket;
    QFileSystemWatcher folder;
    bool sent = false;
    bool done = false;
    const auto finish = [&](bool success) {
        sent = success;
        done = true;
        loop.quit();
    };
    const auto tryToConnect = [&] {
        if (!done && socket.state() == QLocalSocket::UnconnectedState)
            socket.connectToServer(mSocketPath);
    };
    connect(&socket, &QLocalSocket::connected, &loop, [&] {
        socket.write(message + '\n');
        socket.disconnectFromServer(); // once all is written
    });
    connect(&socket, &QLocalSocket::disconnected, &loop, [&] {
        if (socket.bytesToWrite() == 0)
            finish(true);
    });
    connect(&socket, &QLocalSocket::errorOccurred, &loop,
            [&](QLocalSocket::LocalSocketError error) {
                // Not there yet (or a crashed copy's socket): wait for the folder.
                if (error != QLocalSocket::ServerNotFoundError &&
                    error != QLocalSocket::ConnectionRefusedError)
                    finish(false);
            });
    connect(&folder, &QFileSystemWatcher::directoryChanged, &loop, tryToConnect);
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, [&] { finish(false); });

    folder.addPath(QFileInfo(mSocketPath).absolutePath());
    deadline.start(qMax(timeoutMs, 0));
    tryToConnect();
    if (!done)
        loop.exec();
    return sent;
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
