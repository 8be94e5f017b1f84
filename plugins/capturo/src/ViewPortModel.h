#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

#include <optional>

// The geometry of the image view without the view: zoom steps within fixed scale
// limits, fitting an image into a viewport, quarter turns, and mapping a pointer on
// the viewport back to image pixels. The view widget hands in its current transform
// and applies the transform computed here, so all of it is tested without a screen.
class ViewPortModel
{
public:
    static constexpr double MinScale = 0.25;
    static constexpr double MaxScale = 4.0;
    static constexpr double ZoomInFactor = 1.2;
    static constexpr double ZoomOutFactor = 0.8;
    static constexpr double RotateStep = 90.0;
    // Qt keeps this many pixels free on each side of a fitted rectangle.
    static constexpr int FitMargin = 2;

    explicit ViewPortModel(const QTransform& transform = QTransform());

    QTransform transform() const { return m_transform; }
    // The absolute scale: width of the unit square mapped through the transform.
    double scale() const;

    // One zoom step by dFactor. Refused, leaving the transform alone, when the scale
    // would leave [MinScale, MaxScale]; the bounds themselves are allowed. The limits
    // hold for the absolute scale, so after a fit outside them only steps back towards
    // them are taken.
    bool zoom(double dFactor);
    bool zoomIn() { return zoom(ZoomInFactor); }
    bool zoomOut() { return zoom(ZoomOutFactor); }

    // Scales so that qrImage fits qrViewport with its aspect ratio kept, keeping the
    // rotation. Returns false, leaving the transform alone, for a null image rectangle
    // or a degenerate transform; the view then centres on the image when true.
    bool fit(const QRectF& qrImage, const QRectF& qrViewport);

    // A quarter turn clockwise on screen; four make a full turn.
    void rotate();

    // The image position under a viewport point, given the view's full viewport
    // transform (its transform and scrolling); none when the point lies off the image
    // of the given size or the transform cannot be inverted.
    static std::optional<QPointF> imagePosition(const QTransform& viewportTransform,
                                                const QPointF& viewportPos, const QSizeF& imageSize);

private:
    QTransform m_transform;
};
