// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/reminders/RegistryFile.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/Clock.h"
#include "platform/core/Log.h"
#include "platform/core/PrivateFiles.h"
#include "platform/core/PropertyList.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace platform {

RegistryFile::RegistryFile(const QString &path)
    : mPath(path)
{
}

bool RegistryFile::hasChanged() const
{
    return fileFingerprint(mPath) != mKnown;
}

void RegistryFile::remember()
{
    mKnown = fileFingerprint(mPath);
}

QString RegistryFile::freeNameBeside(const QString &what) const
{
    const QString base = mPath + u'.' + what + u'-' + Clock::now().toString(u"yyyyMMdd'T'HHmmss"_s);
    QString name = base;
    for (int n = 1; pathExists(name); ++n)
        name = base + u'-' + QString::number(n);
    return name;
}

bool RegistryFile::setUnusable(const QString &reason)
{
    if (mUnusable == reason)
        return false;
    mUnusable = reason;
    log("Reminders are not used: %@", reason);
    return true;
}

RegistryFile::Reading RegistryFile::read(bool repair,
                                         const std::function<bool(const QVariant &element)> &usable)
{
    remember();
    const QString folder = QFileInfo(mPath).absolutePath();
    QString reason;
    if (QFileInfo::exists(folder) && !isOwnedByUser(folder, &reason))
        return {repair && setUnusable(reason), false};
    if (!pathExists(mPath))
        return {};
    QString error;
    std::optional<QVariantList> list;
    // Not through a link: another user's link would have us write the
    // registry over whatever it points at.
    if (const auto document = readRegularFile(mPath, NoFollow | OwnFile, &error)) {
        const std::optional<QVariant> root = PropertyList::parse(*document, &error);
        if (root && root->metaType().id() == QMetaType::QVariantList)
            list = root->toList();
        else if (root)
            error = u"the root is not an array"_s;
    }
    if (!list) {
        if (repair)
            keepAside(error);
        return {repair, false};
    }
    QVariantList damaged;
    for (const QVariant &element : std::as_const(*list)) {
        if (!usable(element))
            damaged.append(element);
    }
    if (!repair || damaged.isEmpty())
        return {};
    return {true, keepDamaged(damaged)};
}

void RegistryFile::keepAside(const QString &error)
{
    // Kept for whoever can repair it; a fresh registry starts. The move
    // never replaces anything.
    QString reason;
    QString keptAs;
    for (int attempt = 0; attempt < 100 && keptAs.isEmpty(); ++attempt) {
        const QString name = freeNameBeside(u"unreadable"_s);
        const MoveResult moved = renameNoReplace(mPath, name, &reason);
        if (moved == MoveResult::Moved)
            keptAs = name;
        else if (moved == MoveResult::Failed)
            break;
    }
    remember();
    if (keptAs.isEmpty()) {
        setUnusable(u"%1 could not be read (%2) nor kept aside (%3)"_s.arg(mPath, error, reason));
        return;
    }
    mKeptAside = keptAs;
    log("Reminders could not be read from %@ (%@); kept as %@", mPath, error, mKeptAside);
}

bool RegistryFile::keepDamaged(const QVariantList &damaged)
{
    // Kept where the next save cannot reach them.
    QString error;
    const QString keptAs = freeNameBeside(u"damaged"_s);
    if (writeFileAtomically(keptAs, PropertyList::serialize(damaged), &error, false)) {
        mDamagedAside = keptAs;
        mDamagedCount = int(damaged.size());
        log("Kept %d unreadable reminders of %@ as %@", int(damaged.size()), mPath, keptAs);
        return true;
    }
    setUnusable(
        u"%1 holds unreadable reminders that could not be kept aside (%2)"_s.arg(mPath, error));
    return false;
}

void RegistryFile::write(const QByteArray &document)
{
    QString error;
    if (!mUnusable.isEmpty()) {
        log("Cannot save the reminders to %@: %@", mPath, mUnusable);
        return;
    }
    if (makePrivateDirectory(QFileInfo(mPath).absolutePath(), &error) &&
        writeFileAtomically(mPath, document, &error, false)) {
        remember();
    } else {
        log("Cannot save the reminders to %@: %@", mPath, error);
    }
}

} // namespace platform
