#include "HistogramOverlay.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

constexpr int kMargin = 8;
constexpr int kTextHeight = 30;

// The tallest bin between the ends: a clipped frame piles most pixels into 0 or 255,
// which would flatten the rest of the curve to nothing.
quint32 scaleOf(const ImageHistogram& histogram, int nChannels)
{
    quint32 nMax = 1;
    for (int c = 0; c < nChannels; ++c) {
        const auto& bins = histogram.channel(c);
        nMax = std::max(nMax, *std::max_element(bins.begin() + 1, bins.end() - 1));
    }
    return nMax;
}

} // namespace

HistogramOverlay::HistogramOverlay(QWidget* parent)
    : QWidget(parent)
{
    setObjectName("histogramOverlay");
    setFixedSize(Width, Height);
    // Clicks and the pointer read-out belong to the image underneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QString HistogramOverlay::saturatedText() const
{
    return tr("饱和像素: %1").arg(m_histogram.estimate(m_histogram.saturated()));
}

QString HistogramOverlay::blackText() const
{
    return tr("黑色像素: %1").arg(m_histogram.estimate(m_histogram.black()));
}

void HistogramOverlay::slotSetHistogram(const ImageHistogram& histogram)
{
    m_histogram = histogram;
    update();
}

void HistogramOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(255, 255, 255, 26));
    painter.setBrush(QColor(9, 7, 18, 120));
    painter.drawRoundedRect(rect().adjusted(0, 0, -1, -1), 6, 6);
    if (m_histogram.isNull())
        return;

    const QRectF plot(kMargin, kMargin, width() - 2 * kMargin, height() - 2 * kMargin - kTextHeight);
    const int nChannels = m_histogram.isGrey() ? 1 : 3;
    const double dScale = scaleOf(m_histogram, nChannels);
    static const QColor kGrey(220, 220, 220), kRed(240, 80, 80), kGreen(90, 210, 110), kBlue(110, 140, 255);
    for (int c = 0; c < nChannels; ++c) {
        const QColor colour = nChannels == 1 ? kGrey : (c == 0 ? kRed : c == 1 ? kGreen : kBlue);
        QPainterPath path(QPointF(plot.left(), plot.bottom()));
        const auto& bins = m_histogram.channel(c);
        for (int i = 0; i < 256; ++i) {
            const double dHeight = std::min(1.0, bins[size_t(i)] / dScale) * plot.height();
            path.lineTo(plot.left() + plot.width() * i / 255.0, plot.bottom() - dHeight);
        }
        path.lineTo(plot.right(), plot.bottom());
        QColor fill = colour;
        fill.setAlpha(nChannels == 1 ? 110 : 70);
        painter.setPen(colour);
        painter.setBrush(fill);
        painter.drawPath(path);
    }

    painter.setPen(QColor(255, 255, 255, 204));
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    const QRectF text(kMargin, plot.bottom() + 4, plot.width(), kTextHeight - 4);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignTop, saturatedText());
    painter.drawText(text, Qt::AlignLeft | Qt::AlignBottom, blackText());
}
