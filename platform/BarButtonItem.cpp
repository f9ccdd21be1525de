#include "BarButtonItem.h"

using namespace Qt::Literals::StringLiterals;

namespace platform {

BarButtonItem::BarButtonItem(QWidget *parent)
    : QToolButton(parent)
{
    setAutoRaise(true);
    setFocusPolicy(Qt::StrongFocus);
    setIconSize({24, 24});
    setCursor(Qt::PointingHandCursor);
}

void BarButtonItem::setSystemItem(SystemItem item)
{
    mSystemItem = item;
    switch (item) {
    case Add:
        setIcon(QIcon(u":/platform/icons/add.svg"_s));
        break;
    case Info:
        setIcon(QIcon(u":/platform/icons/info.svg"_s));
        break;
    case Custom:
        setIcon({});
        break;
    }
    setToolButtonStyle(item == Custom ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
}

} // namespace platform
