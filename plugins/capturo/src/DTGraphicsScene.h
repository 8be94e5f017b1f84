#pragma once

#include <QColor>
#include <QGraphicsScene>

// Scene of one displayed image: the pixmap item sits at the origin, so scene
// coordinates are image pixels. Reports position and on-screen colour under the mouse.
class DTGraphicsScene : public QGraphicsScene
{
    Q_OBJECT
public:
    explicit DTGraphicsScene(QObject* parent = nullptr);

signals:
    // The pointer is over the image: on-screen colour and image position, now.
    void signalItemInfo(QColor color, double x, double y);
    // The pointer is over the view but off the image.
    void signalPointerOffImage();

protected:
    void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
};
