// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/ScheduleStore.h"

#include <QStringList>

namespace velkari {

class VelkariViewController;
}
namespace platform {
class TableView;
}

namespace velkari {

// What every screen reaches through the shared application's delegate, each
// time it needs it: the store, the repeat-mode names, the list screen and
// the badge recount. The application delegate implements it.
class VelkariShell {
public:
    virtual ~VelkariShell() = default;

    // The shared application's delegate, or nullptr when there is none.
    static VelkariShell *shared();

    virtual ScheduleStore &store() = 0;
    virtual const QStringList &mRepeatList() const = 0;
    virtual VelkariViewController *viewController() const = 0;
    // The list screen's table, which the forms reload after a save.
    virtual platform::TableView *listTableView() const = 0;
    virtual void UpdateIconNumber() = 0;

    std::optional<QVariantList> &mList() { return store().mList(); }
};

} // namespace velkari
