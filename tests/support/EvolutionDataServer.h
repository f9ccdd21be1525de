// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/PrivateBus.h"
#include "support/TestEnvironment.h"

#include <QByteArray>
#include <QString>

#include <memory>

// The machine's real Evolution Data Server, for the test alone: HOME and the
// XDG folders in a temporary folder, a private session bus (the process's
// session bus from now on) that starts EDS on demand and ends it with
// itself. Contacts go in through EDS's own client library, as GNOME
// Contacts writes them. Make one per test program: GLib keeps its session
// connection for the life of the process.
class EvolutionDataServer {
public:
    EvolutionDataServer();
    ~EvolutionDataServer();

    // The registry answered and the built-in book opened.
    bool isRunning() const;
    QString lastError() const;
    const TestEnvironment &env() const { return mEnv; }

    // A new address book of this backend ("local" keeps it in a file; an
    // unknown one gives a book that cannot be opened); its uid, empty on
    // failure.
    QString addBook(const QString &name, const QByteArray &backend = "local");

    // Stores a vCard as a contact of the book (the built-in one when no uid
    // is given), adding it or, when its UID is there, replacing it.
    bool saveContact(const QByteArray &vcard, const QString &book = {});
    bool saveContacts(const QList<QByteArray> &vcards, const QString &book = {});
    bool removeContact(const QString &uid, const QString &book = {});

    // Ends every EDS process at once, as a crash would.
    void kill();

private:
    TestEnvironment mEnv; // first: the bus starts EDS in this environment
    PrivateBus mBus{PrivateBus::MachineServices};
    struct Private;
    std::unique_ptr<Private> d;
};
