// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/reminders/RegistryFile.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/Clock.h"
#include "platform/core/Logging.h"
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
    qCWarning(lcReminders, "Reminders are not used: %s", qUtf8Printable(reason));
    return true;
}

RegistryFile::Reading RegistryFile::read(bool repair,
                                         const std::function<bool(const QVariant &element)> &usable)
{
    remember();
    const QString folder = QFileInfo(mPath).absolutePath();
    if (QFileInfo::exists(folder)) {
        if (const Result<void> owned = isOwnedByUser(folder); !owned)
            return {repair && setUnusable(owned.error()), false};
    }
    if (!pathExists(mPath))
        return {};
    // Not through a link: another user's link would have us write the
    // registry over whatever it points at.
    const Result<QVariantList> list = PropertyList::readArrayFile(mPath, false);
    if (!list) {
        if (repair)
            keepAside(list.error());
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
        const Result<MoveResult> moved = renameNoReplace(mPath, name);
        if (!moved) {
            reason = moved.error();
            break;
        }
        if (*moved == MoveResult::Moved)
            keptAs = name;
    }
    remember();
    if (keptAs.isEmpty()) {
        setUnusable(u"%1 could not be read (%2) nor kept aside (%3)"_s.arg(mPath, error, reason));
        return;
    }
    mKeptAside = keptAs;
    qCWarning(lcReminders, "Reminders could not be read from %s (%s); kept as %s",
              qUtf8Printable(mPath), qUtf8Printable(error), qUtf8Printable(mKeptAside));
}

bool RegistryFile::keepDamaged(const QVariantList &damaged)
{
    // Kept where the next save cannot reach them.
    const QString keptAs = freeNameBeside(u"damaged"_s);
    const Result<void> written =
        writeFileAtomically(keptAs, PropertyList::serialize(damaged), false);
    if (written) {
        mDamagedAside = keptAs;
        mDamagedCount = int(damaged.size());
        qCWarning(lcReminders, "Kept %d unreadable reminders of %s as %s", int(damaged.size()),
                  qUtf8Printable(mPath), qUtf8Printable(keptAs));
        return true;
    }
    setUnusable(u"%1 holds unreadable reminders that could not be kept aside (%2)"_s.arg(
        mPath, written.error()));
    return false;
}

void RegistryFile::write(const QByteArray &document)
{
    if (!mUnusable.isEmpty()) {
        qCWarning(lcReminders, "Cannot save the reminders to %s: %s", qUtf8Printable(mPath),
                  qUtf8Printable(mUnusable));
        return;
    }
    Result<void> written = makePrivateDirectory(QFileInfo(mPath).absolutePath());
    if (written)
        written = writeFileAtomically(mPath, document, false);
    if (written)
        remember();
    else
        qCWarning(lcReminders, "Cannot save the reminders to %s: %s", qUtf8Printable(mPath),
                  qUtf8Printable(written.error()));
}

} // namespace platform
