// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/contacts/AddressBook.h"

#include "platform/core/Logging.h"
#include "platform/core/PrivateFiles.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSet>

#include <algorithm>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

// The first bytes of a vCard file, at most limit; nullopt when it cannot be
// opened. The one place that opens a contact file.
std::optional<QByteArray> readVCardFile(const QString &path, qint64 limit)
{
    // A link to a FIFO passes the folder's filter: the opened file is checked.
    const Result<int> fd = openRegularFile(path, FollowLinks);
    if (!fd)
        return std::nullopt;
    QFile file;
    if (!file.open(*fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(*fd);
        return std::nullopt;
    }
    return file.read(limit);
}

// Names (null or not) and the numbers' values, in order.
QString duplicateKey(const Person &person)
{
    QStringList parts{person.firstName.isNull() ? u"\x01"_s : person.firstName,
                      person.lastName.isNull() ? u"\x01"_s : person.lastName};
    for (const PhoneNumber &number : person.phoneNumbers)
        parts.append(number.value);
    return parts.join(u'\x00');
}

// The people already taken, so that the same person found again is left out.
class Taken {
public:
    bool contains(const Person &person, const QString &key) const
    {
        return (!person.uid.isEmpty() && mUids.contains(person.uid)) || mKeys.contains(key);
    }
    void add(const Person &person, const QString &key)
    {
        if (!person.uid.isEmpty())
            mUids.insert(person.uid);
        mKeys.insert(key);
    }

private:
    QSet<QString> mUids;
    QSet<QString> mKeys;
};

// One folder's vCard files, in name order.
struct Listing {
    QString folder;
    QFileInfoList files;
};

struct FolderIdentity {
    dev_t device;
    ino_t inode;
    friend bool operator<(const FolderIdentity &a, const FolderIdentity &b)
    {
        return std::tie(a.device, a.inode) < std::tie(b.device, b.inode);
    }
};

// The folder's vCard files and, with subfolders, those of every folder below
// it: each folder before its subfolders, in name order. As KPeople's
// KPeopleVCard::processDirectory (KDE/kpeoplevcard, src/kpeoplevcard.cpp)
// walks kpeoplevcard: *.vcf and *.vcard, linked folders followed, hidden
// files and folders left out. Unlike it, a folder reached again (a link back
// to a parent) is not read twice, and depth, folders and files are bounded.
QList<Listing> listFolder(const AddressBook::Folder &top)
{
    static const QStringList vcf{u"*.vcf"_s};
    static const QStringList vcfAndVcard{u"*.vcf"_s, u"*.vcard"_s};
    const QStringList &names = top.withSubfolders ? vcfAndVcard : vcf;
    // Regular files only: a FIFO or a device named *.vcf would block or
    // never end. Folders whatever their names.
    const QDir::Filters kinds =
        top.withSubfolders ? QDir::Files | QDir::AllDirs | QDir::NoDotAndDotDot : QDir::Files;

    QList<Listing> listings;
    std::set<FolderIdentity> seen;
    struct Pending {
        QString path;
        int depth;
    };
    std::vector<Pending> pending{{top.path, 0}};
    int files = 0;
    int unlisted = 0;
    bool tooDeep = false;
    bool tooManyFolders = false;
    bool tooManyFiles = false;
    while (!pending.empty()) {
        const Pending folder = std::move(pending.back());
        pending.pop_back();
        struct stat status {};
        if (::stat(QFile::encodeName(folder.path).constData(), &status) != 0 ||
            !S_ISDIR(status.st_mode) || !seen.insert({status.st_dev, status.st_ino}).second)
            continue; // missing, no folder, or read already
        if (int(seen.size()) > AddressBook::MaximumFolders + 1) {
            tooManyFolders = true;
            break;
        }
        if (::access(QFile::encodeName(folder.path).constData(), R_OK | X_OK) != 0) {
            ++unlisted;
            continue;
        }
        Listing listing{folder.path, {}};
        std::vector<Pending> below;
        const QFileInfoList entries = QDir(folder.path).entryInfoList(names, kinds, QDir::Name);
        for (const QFileInfo &entry : entries) {
            if (entry.isDir()) {
                if (folder.depth < AddressBook::MaximumFolderDepth)
                    below.push_back({entry.filePath(), folder.depth + 1});
                else
                    tooDeep = true;
            } else if (files < AddressBook::MaximumFiles) {
                listing.files.append(entry);
                ++files;
            } else {
                tooManyFiles = true;
            }
        }
        listings.append(std::move(listing));
        // Taken from the back: the first name is read first.
        pending.insert(pending.end(), std::make_move_iterator(below.rbegin()),
                       std::make_move_iterator(below.rend()));
    }
    if (unlisted > 0)
        qCWarning(lcContacts, "Contacts: %d folders in %s could not be read", unlisted,
                  qUtf8Printable(top.path));
    if (tooDeep)
        qCWarning(lcContacts, "Contacts: folders more than %d deep in %s not read",
                  AddressBook::MaximumFolderDepth, qUtf8Printable(top.path));
    if (tooManyFolders)
        qCWarning(lcContacts, "Contacts: only the first %d folders in %s read",
                  AddressBook::MaximumFolders, qUtf8Printable(top.path));
    if (tooManyFiles)
        qCWarning(lcContacts, "Contacts: only the first %d files in %s read",
                  AddressBook::MaximumFiles, qUtf8Printable(top.path));
    return listings;
}

} // namespace

QStringList AddressBook::contactFolders()
{
    return {kpeopleVCardDirectory(), contactsDirectory()};
}

AddressBook AddressBook::load()
{
    return load(QList<Folder>{{kpeopleVCardDirectory(), true}, {contactsDirectory(), false}});
}

AddressBook AddressBook::load(const QString &directory)
{
    return load(QList<Folder>{{directory, false}});
}

AddressBook AddressBook::load(const QStringList &directories)
{
    QList<Folder> folders;
    for (const QString &directory : directories)
        folders.append({directory, false});
    return load(folders);
}

QList<Person> AddressBook::withoutDuplicates(const QList<Person> &people,
                                             const QList<Person> &taken)
{
    if (people.isEmpty() || taken.isEmpty())
        return people;
    Taken known;
    for (const Person &person : taken)
        known.add(person, duplicateKey(person));
    QList<Person> kept;
    for (const Person &person : people) {
        if (!known.contains(person, duplicateKey(person)))
            kept.append(person);
    }
    return kept;
}

AddressBook AddressBook::load(const QList<Folder> &folders)
{
    AddressBook book;
    Taken taken;
    qint64 total = 0;
    for (const Folder &folder : folders) {
        int unreadable = 0;
        for (const Listing &listing : listFolder(folder)) {
            book.mFolders.append(listing.folder);
            // Duplicates inside one folder are the user's own: kept. Those
            // of earlier folders are left out.
            QList<std::pair<Person, QString>> found;
            for (const QFileInfo &info : listing.files) {
                book.mFiles.append(info.filePath());
                if (total >= MaximumTotalSize ||
                    book.mPeople.size() + found.size() >= MaximumPeople)
                    continue; // still watched: a change may bring it under the bounds
                const std::optional<QByteArray> bytes = readVCardFile(
                    info.filePath(), std::min(MaximumFileSize, MaximumTotalSize - total));
                if (!bytes) {
                    ++unreadable;
                    continue;
                }
                total += bytes->size();
                for (Person &person : parseVCards(*bytes)) {
                    QString key = duplicateKey(person);
                    if (!taken.contains(person, key))
                        found.append({std::move(person), std::move(key)});
                }
            }
            for (auto &[person, key] : found) {
                if (book.mPeople.size() >= MaximumPeople)
                    break;
                taken.add(person, key);
                book.mPeople.append(std::move(person));
            }
        }
        if (unreadable > 0)
            qCWarning(lcContacts, "Contacts: %d files in %s could not be read", unreadable,
                      qUtf8Printable(folder.path));
    }
    sortForDisplay(book.mPeople);
    return book;
}

} // namespace platform

namespace platform {

AddressBook AddressBook::merged(const QList<Person> &first, const AddressBook &folders)
{
    AddressBook book;
    book.mPeople = first.mid(0, MaximumPeople);
    book.mPeople.append(withoutDuplicates(folders.mPeople, book.mPeople)
                            .mid(0, MaximumPeople - book.mPeople.size()));
    sortForDisplay(book.mPeople);
    return book;
}

} // namespace platform
