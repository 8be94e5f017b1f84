#include "ViewPortModel.h"

#include <QtGlobal>

ViewPortModel::ViewPortModel(const QTransform& transform)
    : m_transform(transform)
{
}

double ViewPortModel::scale() const
{
    return m_transform.mapRect(QRectF(0, 0, 1, 1)).width();
}

bool ViewPortModel::zoom(double dFactor)
{
    QTransform candidate = m_transform;
    candidate.scale(dFactor, dFactor);
    const double dScale = candidate.mapRect(QRectF(0, 0, 1, 1)).width();
    if (dScale < MinScale || dScale > MaxScale)
        return false;
    m_transform = candidate;
    return true;
}

bool ViewPortModel::fit(const QRectF& qrImage, const QRectF& qrViewport)
{
    // The same steps as QGraphicsView::fitInView, so that applying the result and
    // centring on the image shows exactly what fitInView would.
    if (qrImage.isNull())
        return false;
    const QRectF unity = m_transform.mapRect(QRectF(0, 0, 1, 1));
    if (unity.isEmpty())
        return false;
    QTransform candidate = m_transform;
    candidate.scale(1 / unity.width(), 1 / unity.height());

    const QRectF viewRect = qrViewport.adjusted(FitMargin, FitMargin, -FitMargin, -FitMargin);
    const QRectF shown = candidate.mapRect(qrImage);
    if (!viewRect.isEmpty() && !shown.isEmpty()) {
        const double dRatio = qMin(viewRect.width() / shown.width(), viewRect.height() / shown.height());
        candidate.scale(dRatio, dRatio);
    }
    m_transform = candidate;
    return true;
}

void ViewPortModel::rotate()
{
    m_transform.rotate(RotateStep);
}

std::optional<QPointF> ViewPortModel::imagePosition(const QTransform& viewportTransform,
                                                    const QPointF& viewportPos, const QSizeF& imageSize)
{
    bool bInvertible = false;
    const QTransform inverse = viewportTransform.inverted(&bInvertible);
    if (!bInvertible)
        return std::nullopt;
    const QPointF pos = inverse.map(viewportPos);
    if (pos.x() < 0 || pos.y() < 0 || pos.x() >= imageSize.width() || pos.y() >= imageSize.height())
        return std::nullopt;
    return pos;
}
