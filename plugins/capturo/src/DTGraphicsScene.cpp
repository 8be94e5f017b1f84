#include "DTGraphicsScene.h"

#include "ViewPortModel.h"

#include <QCursor>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <optional>

DTGraphicsScene::DTGraphicsScene(QObject* parent)
    : QGraphicsScene(parent)
{
}

void DTGraphicsScene::mouseMoveEvent(QGraphicsSceneMouseEvent* event)
{
    // Where the pointer is now (not where the previous event was), in image pixels,
    // and only while it is over the image.
    std::optional<QPointF> pos;
    QWidget* pViewport = event->widget();
    auto* pView = pViewport ? qobject_cast<QGraphicsView*>(pViewport->parentWidget()) : nullptr;
    if (pView) {
        const QPointF viewportPos = pViewport->mapFromGlobal(event->screenPos());
        pos = ViewPortModel::imagePosition(pView->viewportTransform(), viewportPos,
                                           itemsBoundingRect().size());
    }
    if (!pos) {
        emit signalPointerOffImage();
        QGraphicsScene::mouseMoveEvent(event);
        return;
    }
    // The colour is what the screen shows at the cursor (zoomed and smoothed), read
    // back from a 1x1 grab; without a screen there or a grab nothing is reported.
    const QPoint cursor = QCursor::pos();
    if (QScreen* pScreen = QGuiApplication::screenAt(cursor)) {
        const QImage grab = pScreen->grabWindow(0, cursor.x(), cursor.y(), 1, 1).toImage();
        if (!grab.isNull())
            emit signalItemInfo(grab.pixelColor(0, 0), pos->x(), pos->y());
    }
    QGraphicsScene::mouseMoveEvent(event);
}
