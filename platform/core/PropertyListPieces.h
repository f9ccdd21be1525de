// SPDX-License-Identifier: GPL-3.0-or-later
// A large document's root array read in pieces, each on a core of its own,
// while the builder reads from the beginning: a store of 10,000 records
// loads in little more than half the time on two cores.
#pragma once

#include "platform/core/Result.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <vector>

namespace platform::plist {

// Into how many parts, each on its own core, PropertyList::parse reads a
// document of this size.
int piecesFor(qsizetype documentSize);

// PropertyList::parse with the root array read in up to pieces parts at once
// whatever the document's size, for tests that compare it with one pass.
// (In PropertyListReader.cpp, with parse.)
Result<QVariant> parseInPieces(const QByteArray &document, int pieces);

// The pieces of one reading. Each starts where an element of the root array
// begins in the files this format's writers make (a line with one tab before
// the tag) and also checks the UTF-8 from there to the next piece. Its values
// are taken only when the reading from the beginning arrives at that very
// place between two elements of the root array; else, or when the piece met
// a fault, they are dropped and read again in order. So the result, faults
// included, is the one of a single pass. Owns its threads: going, it tells
// them to stop and waits for them.
class Pieces {
public:
    // Reads the root array's elements from start on, as the reading from the
    // beginning reads them there, up to the first one at or after stopAt (or
    // the array's end); end where it stopped. False on a fault, or once
    // cancelled is set.
    using ReadPiece =
        std::function<bool(const char *start, const char *stopAt, const std::atomic_bool &cancelled,
                           QVariantList &values, const char *&end)>;

    // Starts up to count - 1 readers of the document's later parts.
    Pieces(const char *begin, const char *end, int count, const ReadPiece &read);
    ~Pieces();

    Pieces(const Pieces &) = delete;
    Pieces &operator=(const Pieces &) = delete;

    // The first byte from `from` to the document's end that is no XML
    // character, the pieces checking their parts meanwhile; nullptr when
    // there is none. Called once, before take().
    const char *firstInvalid(const char *from, const char *end);

    // When p is where the next piece starts: its values appended to values,
    // p moved past them, true. False when no piece can be used there.
    bool take(const char *&p, QVariantList &values);

private:
    struct Outcome {
        bool ok = false;
        const char *end = nullptr;
        QVariantList values;
    };
    struct Piece {
        const char *start = nullptr;
        const char *next = nullptr; // the next piece's start, or the end
        std::atomic_bool cancelled{false};
        std::promise<const char *> invalid;
        std::future<Outcome> result; // last: its end waits for the thread
    };

    void stopAll();

    std::vector<std::unique_ptr<Piece>> mPieces;
    size_t mNext = 0;
    std::promise<bool> mAllValid;
    bool mValiditySent = false;
};

} // namespace platform::plist
