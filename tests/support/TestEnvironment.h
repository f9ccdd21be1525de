// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// Points HOME and the XDG folders at a fresh temporary folder for as long
// as it lives, so that nothing a test does reaches the real home.
class TestEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment();

    QString root() const { return mDir.path(); }
    QString dataHome() const { return mDir.path() + QStringLiteral("/data"); }
    QString documents() const { return dataHome() + QStringLiteral("/Velkari/Documents"); }
    QString dataFile() const { return documents() + QStringLiteral("/ Velkari.dat"); }

    // Moves XDG_DATA_HOME elsewhere (e.g. a path that is not ASCII).
    void setDataHome(const QString &path);

private:
    QTemporaryDir mDir;
    struct Saved;
    std::unique_ptr<Saved> mSaved;
};

// Redirects descriptor 2 into a file while it lives and gives back what was
// written there, Qt messages as the app writes them (platform/core/Logging.h);
// standard error is restored afterwards, also when the code under test moved
// it elsewhere.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();

    QString text() const;

private:
    QTemporaryDir mDir;
    int mSavedFd = -1;
    QtMessageHandler mSavedHandler = nullptr;
};

// Reads a whole file; empty when it cannot be read.
QByteArray readFile(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);

// Source folder of the test data, set by the build.
QString testDataPath(const QString &relative);
