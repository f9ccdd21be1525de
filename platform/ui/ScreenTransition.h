// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ui/ScreenStack.h"

#include <QPixmap>
#include <QWidget>

#include <functional>

class QVariantAnimation;

namespace platform {

// Plays a screen's transition over the window from two pictures: the screen
// underneath and the one presented over it. Dismissing plays it backwards.
class ScreenTransition : public QWidget {
    Q_OBJECT

public:
    enum Direction { Presenting, Dismissing };

    static constexpr int DefaultDurationMs = 350;
    // How long every transition plays from now on (tests shorten it).
    static void setDuration(int ms);

    ScreenTransition(QWidget *window, ModalTransitionStyle style, const QPixmap &under,
                     const QPixmap &over, Direction direction);

    // Shows the transition and calls finished when it has played; then the
    // overlay goes away.
    void run(std::function<void()> finished);

    // Draws one frame; progress 0 shows only the screen underneath, 1 the
    // presented screen in its final place.
    static void paintFrame(QPainter &painter, const QSize &size, ModalTransitionStyle style,
                           const QPixmap &under, const QPixmap &over, qreal progress);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ModalTransitionStyle mStyle;
    QPixmap mUnder;
    QPixmap mOver;
    qreal mProgress;
    QVariantAnimation *mAnimation;
};

// What stays of the screen underneath once a partial curl has played: its
// page lifted at the bottom. Tapping it takes the presented screen away.
class PageCurl : public QWidget {
    Q_OBJECT

public:
    PageCurl(QWidget *window, const QPixmap &page);

    // Where the fold runs at full lift, as fractions of the height at the
    // left and right edges.
    static constexpr qreal foldLeft = 0.40;
    static constexpr qreal foldRight = 0.48;

    // The part of the page still showing at the given lift (0 to 1).
    static QPolygonF pageShape(const QSize &size, qreal progress);
    static void paintCurl(QPainter &painter, const QSize &size, const QPixmap &page,
                          qreal progress);

Q_SIGNALS:
    void tapped();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QPixmap mPage;
};

} // namespace platform
