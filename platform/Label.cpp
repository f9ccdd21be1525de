#include "Label.h"

#include "Accessibility.h"

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

QSize Label::minimumSizeHint() const
{
    return {0, QLabel::minimumSizeHint().height()};
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
    QString line = text();
    line.replace(u'\n', u' ');
    const QString shown = fontMetrics().elidedText(line, Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area, int(alignment()) | Qt::TextSingleLine, palette(),
                          isEnabled(), shown, foregroundRole());
}

bool Label::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        QString line = text();
        line.replace(u'\n', u' ');
        if (fontMetrics().horizontalAdvance(line) <= contentsRect().width()) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        setToolTip(text());
    }
    return QLabel::event(event);
}

} // namespace platform
