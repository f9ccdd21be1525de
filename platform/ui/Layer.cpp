// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/Layer.h"

#include <QVariant>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

constexpr char radiusProperty[] = "velkariCornerRadius";
constexpr char clipsProperty[] = "velkariClipsToBounds";

// Qt draws rounded backgrounds through style sheets; the rule names the
// view so that its children keep their own look.
void applyStyle(QWidget *view)
{
    const double radius = view->property(radiusProperty).toDouble();
    const bool clips = view->property(clipsProperty).toBool();
    if (view->objectName().isEmpty())
        view->setObjectName(u"roundedView%1"_s.arg(quintptr(view), 0, 16));
    QString rule = u"#%1 { border-radius: %2px; }"_s.arg(view->objectName()).arg(radius);
    if (clips) {
        rule = u"#%1 { border-radius: %2px; background-color: palette(base);"
               " border: 1px solid palette(mid); }"_s.arg(view->objectName())
                   .arg(radius);
    }
    view->setAttribute(Qt::WA_StyledBackground, true);
    view->setStyleSheet(rule);
}

} // namespace

void setCornerRadius(QWidget *view, double radius)
{
    view->setProperty(radiusProperty, radius);
    applyStyle(view);
}

void setClipsToBounds(QWidget *view, bool clips)
{
    view->setProperty(clipsProperty, clips);
    applyStyle(view);
}

} // namespace platform
