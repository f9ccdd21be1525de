// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/PropertyListPieces.h"

#include "platform/core/PropertyListText.h"

#include <QThread>

#include <algorithm>
#include <string_view>
#include <system_error>

namespace platform::plist {

int piecesFor(qsizetype documentSize)
{
    // Below this a thread's start costs more than its piece saves.
    constexpr qsizetype smallestPiece = 256 * 1024;
    return int(std::min<qsizetype>({QThread::idealThreadCount(), documentSize / smallestPiece, 8}));
}

Pieces::Pieces(const char *begin, const char *end, int count, const ReadPiece &read)
{
    const std::string_view text(begin, size_t(end - begin));
    size_t from = 0;
    for (int i = 1; i < count; ++i) {
        size_t at = std::max(from, text.size() / size_t(count) * size_t(i));
        // An element's start tag (not an end tag, comment or instruction).
        for (at = text.find("\n\t<", at); at != text.npos; at = text.find("\n\t<", at + 1)) {
            if (at + 3 < text.size() && isAsciiNameStart(text[at + 3]))
                break;
        }
        if (at == text.npos)
            break;
        auto piece = std::make_unique<Piece>();
        piece->start = begin + at + 2;
        mPieces.push_back(std::move(piece));
        from = at + 3;
    }
    if (mPieces.empty())
        return;
    const std::shared_future<bool> allValid = mAllValid.get_future().share();
    for (size_t i = 0; i < mPieces.size(); ++i) {
        Piece &piece = *mPieces[i];
        piece.next = i + 1 < mPieces.size() ? mPieces[i + 1]->start : end;
        try {
            piece.result = std::async(std::launch::async, [read, &piece, allValid] {
                piece.invalid.set_value(plist::firstInvalid(piece.start, piece.next));
                Outcome result;
                if (!allValid.get())
                    return result;
                result.ok =
                    read(piece.start, piece.next, piece.cancelled, result.values, result.end);
                return result;
            });
        } catch (const std::system_error &) {
            // No thread to be had: one pass reads it all.
            stopAll();
            return;
        }
    }
}

Pieces::~Pieces()
{
    stopAll();
}

void Pieces::stopAll()
{
    for (const auto &piece : mPieces)
        piece->cancelled = true;
    if (!mPieces.empty() && !mValiditySent) {
        mAllValid.set_value(false);
        mValiditySent = true;
    }
    mPieces.clear(); // waits for those that started
    mNext = 0;
}

const char *Pieces::firstInvalid(const char *from, const char *end)
{
    if (mPieces.empty())
        return plist::firstInvalid(from, end);
    const char *bad = plist::firstInvalid(from, mPieces.front()->start);
    for (const auto &piece : mPieces) {
        const char *theirs = piece->invalid.get_future().get();
        if (!bad)
            bad = theirs;
    }
    mAllValid.set_value(!bad);
    mValiditySent = true;
    return bad;
}

bool Pieces::take(const char *&p, QVariantList &values)
{
    while (mNext < mPieces.size() && mPieces[mNext]->start < p)
        mPieces[mNext++]->cancelled = true;
    if (mNext == mPieces.size() || mPieces[mNext]->start != p)
        return false;
    Outcome piece = mPieces[mNext++]->result.get();
    if (!piece.ok)
        return false; // read in order again, which finds its fault in place
    values.append(std::move(piece.values));
    p = piece.end;
    return true;
}

} // namespace platform::plist
