// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaType>

namespace platform {

// A row's address in a table: a section and a row within it.
struct IndexPath {
    int section = 0;
    int row = 0;

    static IndexPath forRow(int row, int section = 0) { return {section, row}; }

    friend bool operator==(const IndexPath &a, const IndexPath &b)
    {
        return a.section == b.section && a.row == b.row;
    }
    friend bool operator!=(const IndexPath &a, const IndexPath &b) { return !(a == b); }
};

} // namespace platform

Q_DECLARE_METATYPE(platform::IndexPath)
