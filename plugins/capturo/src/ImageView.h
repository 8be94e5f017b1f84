#pragma once

#include <QColor>
#include <QObject>
#include <QPixmap>

class DTGraphicsScene;
class QGraphicsView;
class QLabel;

// The image view of the camera page: one fresh scene per displayed image, zoom, fit
// and rotation as ViewPortModel computes them, and the position and colour read-out
// under the view. Owns the current scene; the view and label belong to the form.
class ImageView : public QObject
{
    Q_OBJECT
public:
    ImageView(QGraphicsView* pView, QLabel* pReadOut, QObject* parent = nullptr);
    ~ImageView() override;

    // Shows the pixmap in a new scene; bFit fits it into the view, keeping the rotation.
    // With keep-zoom on, a frame of the size shown before keeps the operator's zoom,
    // position and rotation instead of being fitted.
    void display(const QPixmap& pixmap, bool bFit);
    bool keepsZoom() const { return m_bKeepZoom; }
    void setKeepZoom(bool bKeep) { m_bKeepZoom = bKeep; }
    DTGraphicsScene* currentScene() const { return m_pScene; }

    // Each does nothing while no image has been displayed.
    void zoomIn();
    void zoomOut();
    void fit();
    void rotate();

    void showReadOut(const QColor& color, double x, double y);
    // The pointer is off the image (or has left the view): no position to show.
    void showPointerOffImage();
    // "x:%1 , y:%2     R:%3 G:%4 B:%5" with the coordinates to six significant digits.
    static QString readOutText(const QColor& color, double x, double y);

signals:
    // Every image put on screen, so views over it (the histogram) follow the display.
    void signalDisplayed(const QPixmap& pixmap);
    // The current scene's read-out under the mouse: on-screen colour and position.
    void signalItemInfo(QColor color, double x, double y);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void zoom(double dFactor);
    void applyFit();
    void refresh();

    QGraphicsView* m_pView;
    QLabel* m_pReadOut;
    DTGraphicsScene* m_pScene = nullptr;
    bool m_bKeepZoom = false;
};
