// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/contacts/AddressBook.h"

#include <QObject>

#include <memory>

namespace platform {

// The people of every enabled address book of Evolution Data Server, where
// Phosh and GNOME keep contacts. Everything is asynchronous on the GLib main
// context, which Qt's event loop on Linux runs: nothing here ever blocks the
// thread that made it. Read only.
//
// Reading starts when the source is made. No session bus, no EDS, or a book
// that cannot be opened each cost one log line and leave the rest working;
// while the source lives its books are followed and changed() tells of
// every contact added, changed or removed.
class EdsContactSource : public QObject {
    Q_OBJECT

public:
    // After this long without every book's contacts the source stops saying
    // it is loading; what arrives later still comes in.
    static constexpr int AnswerTimeoutMs = 2000;

    explicit EdsContactSource(QObject *parent = nullptr);
    ~EdsContactSource() override;

    // Book by book in the registry's order, one person once across books.
    QList<Person> people() const;

    // True while books are still being read for the first time, for at most
    // AnswerTimeoutMs.
    bool isLoading() const;

Q_SIGNALS:
    // people() or isLoading() changed. Several changes in a row (a book
    // being read) are told once.
    void changed();

private:
    struct Private;
    std::shared_ptr<Private> d; // answers arriving late hold it weakly
};

} // namespace platform
