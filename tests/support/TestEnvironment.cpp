// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestEnvironment.h"

#include "platform/core/Logging.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <fcntl.h>
#include <map>
#include <optional>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {
const char *const variables[] = {"HOME",           "XDG_DATA_HOME",  "XDG_CONFIG_HOME",
                                 "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"};
} // namespace

struct TestEnvironment::Saved {
    std::map<QByteArray, std::optional<QByteArray>> values;
};

TestEnvironment::TestEnvironment()
    : mSaved(std::make_unique<Saved>())
{
    for (const char *name : variables) {
        mSaved->values[name] = qEnvironmentVariableIsSet(name)
                                   ? std::optional<QByteArray>(qgetenv(name))
                                   : std::nullopt;
    }
    const QString base = mDir.path();
    const QStringList folders{u"home"_s,  u"data"_s,  u"config"_s,
                              u"cache"_s, u"state"_s, u"runtime"_s};
    for (const QString &folder : folders)
        QDir(base).mkpath(folder);
    QFile::setPermissions(base + u"/runtime"_s,
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", QFile::encodeName(base + u"/home"_s));
    qputenv("XDG_DATA_HOME", QFile::encodeName(base + u"/data"_s));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(base + u"/config"_s));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(base + u"/cache"_s));
    qputenv("XDG_STATE_HOME", QFile::encodeName(base + u"/state"_s));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(base + u"/runtime"_s));
}

TestEnvironment::~TestEnvironment()
{
    for (const auto &[name, value] : mSaved->values) {
        if (value)
            qputenv(name.constData(), *value);
        else
            qunsetenv(name.constData());
    }
}

void TestEnvironment::setDataHome(const QString &path)
{
    QDir().mkpath(path);
    qputenv("XDG_DATA_HOME", QFile::encodeName(path));
}

StderrCapture::StderrCapture()
{
    std::fflush(stderr);
    mSavedFd = ::dup(STDERR_FILENO);
    const QByteArray path = QFile::encodeName(mDir.path() + u"/stderr"_s);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ::dup2(fd, STDERR_FILENO);
    ::close(fd);
    // As the app does: the platform's diagnostics are lines of its log.
    mSavedHandler = platform::installLogMessageHandler();
}

StderrCapture::~StderrCapture()
{
    qInstallMessageHandler(mSavedHandler);
    std::fflush(stderr);
    ::dup2(mSavedFd, STDERR_FILENO);
    ::close(mSavedFd);
}

QString StderrCapture::text() const
{
    std::fflush(stderr);
    return QString::fromUtf8(readFile(mDir.path() + u"/stderr"_s));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QString testDataPath(const QString &relative)
{
    return QStringLiteral(VELKARI_TEST_DATA) + u'/' + relative;
}
