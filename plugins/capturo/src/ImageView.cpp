#include "ImageView.h"

#include "CapturoLook.h"
#include "DTGraphicsScene.h"
#include "ViewPortModel.h"

#include <QEvent>
#include <QGraphicsView>
#include <QLabel>
#include <QScrollBar>

ImageView::ImageView(QGraphicsView* pView, QLabel* pReadOut, QObject* parent)
    : QObject(parent)
    , m_pView(pView)
    , m_pReadOut(pReadOut)
{
    m_pView->viewport()->installEventFilter(this);
}

bool ImageView::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    // A position shown after the pointer left would be taken for where it is.
    if (pEvent->type() == QEvent::Leave && pWatched == m_pView->viewport() && !m_pReadOut->text().isEmpty())
        showPointerOffImage();
    return QObject::eventFilter(pWatched, pEvent);
}

ImageView::~ImageView()
{
    delete m_pScene;
}

void ImageView::display(const QPixmap& pixmap, bool bFit)
{
    // The operator zoomed into a live picture: the next frame of the same size
    // takes the place of the last one under the same view.
    const bool bKeep = bFit && m_bKeepZoom && m_pScene
        && m_pScene->itemsBoundingRect().size() == QSizeF(pixmap.size());
    // Same scene size and transform: the scroll positions mean the same place again.
    const int nScrollX = m_pView->horizontalScrollBar()->value();
    const int nScrollY = m_pView->verticalScrollBar()->value();
    if (bKeep)
        bFit = false;
    auto* pScene = new DTGraphicsScene();
    pScene->addPixmap(pixmap);
    connect(pScene, SIGNAL(signalItemInfo(QColor, double, double)), this,
            SIGNAL(signalItemInfo(QColor, double, double)));
    connect(pScene, &DTGraphicsScene::signalPointerOffImage, this, &ImageView::showPointerOffImage);
    m_pView->setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    m_pView->setScene(pScene);
    // The replaced scene holds the previous frame and is shown nowhere any more.
    delete m_pScene;
    m_pScene = pScene;
    if (bFit)
        applyFit();
    else if (bKeep) {
        m_pView->horizontalScrollBar()->setValue(nScrollX);
        m_pView->verticalScrollBar()->setValue(nScrollY);
    }
    pScene->update();
    m_pView->update();
    m_pView->show();
    emit signalDisplayed(pixmap);
}

void ImageView::applyFit()
{
    const QRectF bounds = m_pScene->itemsBoundingRect();
    m_pView->ensureVisible(bounds, 50, 50);
    ViewPortModel model(m_pView->transform());
    if (!model.fit(bounds, m_pView->viewport()->rect()))
        return;
    m_pView->setTransform(model.transform());
    m_pView->centerOn(bounds.center());
}

void ImageView::refresh()
{
    m_pView->scene()->update();
    m_pView->update();
}

void ImageView::zoom(double dFactor)
{
    if (!m_pView->scene())
        return;
    m_pView->setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    ViewPortModel model(m_pView->transform());
    if (!model.zoom(dFactor))
        return;
    m_pView->setTransform(model.transform());
    refresh();
}

void ImageView::zoomIn()
{
    zoom(ViewPortModel::ZoomInFactor);
}

void ImageView::zoomOut()
{
    zoom(ViewPortModel::ZoomOutFactor);
}

void ImageView::fit()
{
    if (m_pView->scene())
        applyFit();
}

void ImageView::rotate()
{
    if (!m_pView->scene())
        return;
    m_pView->setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    ViewPortModel model(m_pView->transform());
    model.rotate();
    m_pView->setTransform(model.transform());
    refresh();
}

QString ImageView::readOutText(const QColor& color, double x, double y)
{
    return QStringLiteral("x:%1 , y:%2     R:%3 G:%4 B:%5")
        .arg(QString::number(x, 'g', 6))
        .arg(QString::number(y, 'g', 6))
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue());
}

void ImageView::showReadOut(const QColor& color, double x, double y)
{
    m_pReadOut->setText(readOutText(color, x, y));
}

void ImageView::showPointerOffImage()
{
    m_pReadOut->setText(CapturoLook::text(QT_TRANSLATE_NOOP("CapturoUI", "光标在图像外")));
}
