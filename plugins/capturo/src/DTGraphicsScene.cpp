#include "DTGraphicsScene.h"

#include <QCursor>
#include <QGraphicsSceneMouseEvent>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

DTGraphicsScene::DTGraphicsScene(QObject* parent)
    : QGraphicsScene(parent)
{
}

void DTGraphicsScene::mouseMoveEvent(QGraphicsSceneMouseEvent* event)
{
    const QPointF pos = event->lastScenePos();
    // The colour is what the screen shows at the cursor (zoomed and smoothed), read
    // back from a 1x1 grab; without a screen there or a grab nothing is reported.
    const QPoint cursor = QCursor::pos();
    if (QScreen* pScreen = QGuiApplication::screenAt(cursor)) {
        const QImage grab = pScreen->grabWindow(0, cursor.x(), cursor.y(), 1, 1).toImage();
        if (!grab.isNull())
            emit signalItemInfo(grab.pixelColor(0, 0), pos.x(), pos.y());
    }
    QGraphicsScene::mouseMoveEvent(event);
}
