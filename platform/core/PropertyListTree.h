// SPDX-License-Identifier: GPL-3.0-or-later
// The property-list builder: reads the document's elements with the
// tokenizer and makes the tree of values, each container once at its final
// size. Elements of the root array shaped as a store's records take a fast
// path (PropertyListRecords.cpp).
#pragma once

#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListScanner.h"

#include <QVariant>

#include <atomic>
#include <optional>
#include <vector>

namespace platform::plist {

enum class Kind { Array, Dict };

enum class Tag { Plist, Array, Dict, Key, String, Date, Integer, Real, True, False, Data, Other };

// An open array or dict; its children wait in the builder's value stack
// from first on (a dict's as key, value, key, ...), so that each container
// is made once at its final size.
struct Frame {
    Kind kind;
    qsizetype first;
    bool hasKey;
};

class Pieces;

class TreeReader : private Scanner {
public:
    // With pieces, the root array's later parts are read meanwhile.
    TreeReader(const char *begin, const char *end, Pieces *pieces = nullptr)
        : Scanner(begin, end)
        , mPieces(pieces)
    {
    }

    // The document's value, or "line N: reason" of the first fault.
    Result<QVariant> run();

    // The root array's elements from start on, read as the reading from the
    // beginning reads them there, up to the first one at or after stopAt
    // (or the array's end); end where it stopped. False on a fault, or when
    // cancelled is set.
    bool readPiece(const char *start, const char *stopAt, const std::atomic_bool &cancelled,
                   QVariantList &values, const char *&end);

private:
    bool document();
    bool elements();
    bool startElement(Tag tag, const char *n, qsizetype length, bool empty);
    bool plainRecord();

    bool canTakeValue();
    void addValue(QVariant &&value);
    // The value read from a leaf's text, or a fault naming what it is not.
    template<typename T>
    bool addParsed(std::optional<T> &&value, const char *what, const QString &text);
    QVariant closeFrame();

    std::vector<Frame> mStack;
    // Values waiting for their container, innermost last (a QList: large
    // ones grow in place, and the outermost array becomes the value as is).
    QVariantList mValues;
    std::optional<QVariant> mRoot;
    bool mPlistOpen = false;
    bool mSeenPlist = false;
    // Reading from the beginning: the pieces read meanwhile, if any.
    Pieces *mPieces = nullptr;
    // Reading a piece: where it ends, and whether it is still wanted.
    const char *mStopAt = nullptr;
    const std::atomic_bool *mCancelled = nullptr;
};

} // namespace platform::plist
