#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

QString runtimeDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isWritable())
        return runtime;
    return QDir::tempPath();
}

} // namespace

SingleInstance::SingleInstance(const QString &key, QObject *parent)
    : QObject(parent)
{
    // Socket paths are limited to about a hundred bytes, so the key is hashed.
    const QByteArray hash =
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    const QString base = runtimeDirectory() + u"/velkari-"_s + QString::number(::getuid()) + u'-' +
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
