#pragma once

#include "ImageHistogram.h"

#include <QWidget>

// The histogram drawn over a corner of the image view: one curve per channel for a
// colour frame, one for grey, and the counts of clipped white and black pixels. It
// only paints what it is given; the computing happens in HistogramWorker.
class HistogramOverlay : public QWidget
{
    Q_OBJECT
public:
    // Small and see-through enough that the picture under it stays readable.
    static constexpr int Width = 200;
    static constexpr int Height = 112;

    explicit HistogramOverlay(QWidget* parent = nullptr);

    const ImageHistogram& histogram() const { return m_histogram; }
    // The two lines under the curves, as shown.
    QString saturatedText() const;
    QString blackText() const;

public slots:
    void slotSetHistogram(const ImageHistogram& histogram);

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    ImageHistogram m_histogram;
};
