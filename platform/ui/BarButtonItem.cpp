// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/BarButtonItem.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>

using namespace Qt::Literals::StringLiterals;

namespace platform {

BarButtonItem::BarButtonItem(QWidget *parent)
    : QToolButton(parent)
{
    setAutoRaise(true);
    setFocusPolicy(Qt::StrongFocus);
    setIconSize({24, 24});
    // A fingertip's size, whatever the icon or text.
    setMinimumSize(44, 44);
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

BarButtonItem *BarButtonItem::titled(const QString &title, const QString &objectName)
{
    auto *item = new BarButtonItem;
    item->setText(title);
    item->setObjectName(objectName);
    item->setAccessibleName(title);
    return item;
}

QWidget *navigationBar(QWidget *left, const QString &title, QWidget *right)
{
    auto *bar = new QFrame;
    bar->setObjectName(u"navigationBar"_s);
    bar->setFrameShape(QFrame::StyledPanel);
    bar->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(8, 8, 8, 8);
    auto *label = new QLabel(title);
    label->setObjectName(u"lblTitle"_s);
    QFont bold = label->font();
    bold.setBold(true);
    // Somewhat larger than the text around it, following the user's font.
    bold.setPointSizeF(QApplication::font().pointSizeF() * 1.2);
    label->setFont(bold);
    label->setAlignment(Qt::AlignCenter);
    // An empty side keeps the width of the other, so the title stays centred.
    auto side = [](QWidget *item, QWidget *other) -> QWidget * {
        if (item)
            return item;
        auto *spacer = new QWidget;
        spacer->setFixedWidth(other ? other->sizeHint().width() : 0);
        return spacer;
    };
    layout->addWidget(side(left, right));
    layout->addWidget(label, 1);
    layout->addWidget(side(right, left));
    return bar;
}

} // namespace platform
