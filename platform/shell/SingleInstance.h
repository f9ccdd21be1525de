// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <memory>

class QLocalServer;
class QLockFile;

namespace platform {

// Keeps one running copy per user and data folder. The first copy holds a
// lock and listens on a local socket; a later copy finds the lock taken,
// passes its message to the first one and ends.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // key tells apart copies that must not share a process (one per data
    // folder); it becomes part of the lock and socket names.
    explicit SingleInstance(const QString &key, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the one running copy and listens for the
    // others. A stale lock left by a crashed copy is taken over.
    bool becomePrimary();

    // Hands the message to the running copy; false when none answered.
    bool sendToPrimary(const QByteArray &message, int timeoutMs = 3000);

    QString socketPath() const { return mSocketPath; }

Q_SIGNALS:
    void messageReceived(const QByteArray &message);

private:
    void acceptConnection();

    QString mSocketPath;
    std::unique_ptr<QLockFile> mLock;
    QLocalServer *mServer = nullptr;
};

} // namespace platform
