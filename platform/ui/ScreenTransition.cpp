// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/ScreenTransition.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <cmath>

namespace platform {

namespace {

int durationMs = ScreenTransition::DefaultDurationMs;

void drawPicture(QPainter &painter, const QSize &size, const QPixmap &picture)
{
    painter.drawPixmap(QRect(QPoint(0, 0), size), picture);
}

} // namespace

void ScreenTransition::setDuration(int ms)
{
    durationMs = ms;
}

ScreenTransition::ScreenTransition(QWidget *window, ModalTransitionStyle style,
                                   const QPixmap &under, const QPixmap &over, Direction direction)
    : QWidget(window)
    , mStyle(style)
    , mUnder(under)
    , mOver(over)
    , mProgress(direction == Presenting ? 0.0 : 1.0)
    , mAnimation(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    mAnimation->setDuration(durationMs);
    mAnimation->setEasingCurve(QEasingCurve::InOutCubic);
    mAnimation->setStartValue(mProgress);
    mAnimation->setEndValue(direction == Presenting ? 1.0 : 0.0);
    connect(mAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        mProgress = value.toReal();
        update();
    });
}

void ScreenTransition::run(std::function<void()> finished)
{
    connect(mAnimation, &QVariantAnimation::finished, this, [this, finished] {
        finished();
        deleteLater();
    });
    show();
    raise();
    mAnimation->start();
}

void ScreenTransition::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintFrame(painter, size(), mStyle, mUnder, mOver, mProgress);
}

void ScreenTransition::paintFrame(QPainter &painter, const QSize &size, ModalTransitionStyle style,
                                  const QPixmap &under, const QPixmap &over, qreal progress)
{
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const qreal p = qBound(0.0, progress, 1.0);
    switch (style) {
    case ModalTransitionStyle::CoverVertical:
        drawPicture(painter, size, under);
        painter.fillRect(QRect(QPoint(0, 0), size), QColor(0, 0, 0, int(60 * p)));
        painter.drawPixmap(QRect(QPoint(0, int((1 - p) * size.height())), size), over);
        break;
    case ModalTransitionStyle::CrossDissolve:
        drawPicture(painter, size, under);
        painter.setOpacity(p);
        drawPicture(painter, size, over);
        break;
    case ModalTransitionStyle::FlipHorizontal: {
        painter.fillRect(QRect(QPoint(0, 0), size), Qt::black);
        const qreal angle = p * 180.0;
        const bool front = angle <= 90.0;
        QTransform turn;
        turn.translate(size.width() / 2.0, size.height() / 2.0);
        turn.rotate(front ? angle : angle - 180.0, Qt::YAxis);
        turn.translate(-size.width() / 2.0, -size.height() / 2.0);
        painter.setTransform(turn);
        drawPicture(painter, size, front ? under : over);
        break;
    }
    case ModalTransitionStyle::PartialCurl:
        drawPicture(painter, size, over);
        PageCurl::paintCurl(painter, size, under, p);
        break;
    }
}

PageCurl::PageCurl(QWidget *window, const QPixmap &page)
    : QWidget(window)
    , mPage(page)
{
    setCursor(Qt::PointingHandCursor);
    setToolTip(tr("Back"));
    setAccessibleName(tr("Back"));
}

QPolygonF PageCurl::pageShape(const QSize &size, qreal progress)
{
    const qreal h = size.height();
    const qreal w = size.width();
    const qreal left = h - progress * (h - foldLeft * h);
    const qreal right = h - progress * (h - foldRight * h);
    return QPolygonF({QPointF(0, 0), QPointF(w, 0), QPointF(w, right), QPointF(0, left)});
}

void PageCurl::paintCurl(QPainter &painter, const QSize &size, const QPixmap &page, qreal progress)
{
    if (progress <= 0.0) {
        drawPicture(painter, size, page);
        return;
    }
    const QPolygonF shape = pageShape(size, progress);
    const QPointF foldLeftPoint = shape[3];
    const QPointF foldRightPoint = shape[2];

    // The shadow the lifted page throws on the screen it reveals.
    QLinearGradient shadow(QPointF(0, foldLeftPoint.y()), QPointF(0, foldLeftPoint.y() + 24));
    shadow.setColorAt(0, QColor(0, 0, 0, 90));
    shadow.setColorAt(1, QColor(0, 0, 0, 0));
    painter.fillRect(QRectF(0, qMin(foldLeftPoint.y(), foldRightPoint.y()), size.width(), 30),
                     shadow);

    painter.save();
    QPainterPath clip;
    clip.addPolygon(shape);
    painter.setClipPath(clip);
    drawPicture(painter, size, page);
    painter.restore();

    // The rolled part: the back of the page, curving up from the fold like
    // a cylinder lit from above.
    const qreal band = qMin(size.height() * 0.07, (size.height() - foldLeftPoint.y()) * 0.5);
    if (band < 1.0)
        return;
    const QPolygonF roll({foldLeftPoint - QPointF(0, band), foldRightPoint - QPointF(0, band),
                          foldRightPoint, foldLeftPoint});
    QLinearGradient paper(QPointF(0, foldLeftPoint.y() - band), QPointF(0, foldLeftPoint.y()));
    paper.setColorAt(0.0, QColor(215, 215, 215));
    paper.setColorAt(0.35, QColor(252, 252, 252));
    paper.setColorAt(0.8, QColor(236, 236, 236));
    paper.setColorAt(1.0, QColor(196, 196, 196));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(160, 160, 160), 1));
    painter.setBrush(paper);
    painter.drawPolygon(roll);
}

void PageCurl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintCurl(painter, size(), mPage, 1.0);
}

void PageCurl::resizeEvent(QResizeEvent *)
{
    // Only the page takes clicks; the revealed screen below stays usable.
    setMask(QRegion(pageShape(size(), 1.0).toPolygon()));
}

void PageCurl::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        Q_EMIT tapped();
}

} // namespace platform
