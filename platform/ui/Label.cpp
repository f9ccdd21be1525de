// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/Label.h"

#include "platform/ui/Accessibility.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace platform {

Label::Label(QWidget *parent)
    : QLabel(parent)
{
    installAccessibility();
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void Label::setPlaceholderText(const QString &text)
{
    mPlaceholder = text;
    update();
}

QString Label::shownText() const
{
    const QString all = text();
    qsizetype length = qMin<qsizetype>(all.size(), MaximumShownLength);
    if (length < all.size() && length > 0 && all.at(length - 1).isHighSurrogate())
        --length; // never half a character
    QString line = all.left(length);
    line.replace(u'\n', u' ');
    return line;
}

QSize Label::sizeHint() const
{
    // QLabel would lay out the whole text to find this.
    const QMargins margins = contentsMargins();
    const int extra = 2 * margin() + margins.left() + margins.right();
    return {fontMetrics().horizontalAdvance(shownText()) + extra, minimumSizeHint().height()};
}

QSize Label::minimumSizeHint() const
{
    const QMargins margins = contentsMargins();
    return {0, fontMetrics().height() + 2 * margin() + margins.top() + margins.bottom()};
}

void Label::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    if (text().isEmpty() && !mPlaceholder.isEmpty()) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(area, int(alignment()) | Qt::TextSingleLine,
                         fontMetrics().elidedText(mPlaceholder, Qt::ElideRight, area.width()));
        return;
    }
    // Line breaks in a one-line label read as blanks.
    const QString line = shownText();
    const QString shown = fontMetrics().elidedText(line, Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area, int(alignment()) | Qt::TextSingleLine, palette(),
                          isEnabled(), shown, foregroundRole());
}

bool Label::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        if (text().size() <= MaximumShownLength &&
            fontMetrics().horizontalAdvance(shownText()) <= contentsRect().width()) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        setToolTip(text());
    }
    return QLabel::event(event);
}

} // namespace platform
