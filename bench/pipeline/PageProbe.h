#pragma once

#include "framework/PluginMetaData.h"

#include <QObject>
#include <QPointer>
#include <QVector>

#include <functional>

class QGraphicsView;

// Watches the camera page from the bus: connected to the window's relay after
// the plugins, it runs right after the page handled each frame record and looks
// at what the view's scene holds then. A frame counts as shown when the scene
// holds a new pixmap; its latency is the time since the core stamped it on
// sending (FrameStamp.h), read back from the pixmap's first pixels.
class PageProbe : public QObject
{
    Q_OBJECT
public:
    explicit PageProbe(QGraphicsView* pView);

    void reset();
    quint64 records() const { return m_nRecords; }
    quint64 shown() const { return m_nShown; }
    quint64 stamped() const { return m_nStamped; }
    quint64 paints() const { return m_nPaints; }
    const QVector<double>& latenciesMs() const { return m_latencies; }
    // Called with each shown frame's key, after the page handled it.
    void setShownHook(std::function<void(const QString&)> hook) { m_shownHook = std::move(hook); }

public slots:
    void slotEventFromPlugins(PluginMetaData plt);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    QPointer<QGraphicsView> m_pView;
    qint64 m_nLastPixmap = 0;
    quint64 m_nRecords = 0;
    quint64 m_nShown = 0;
    quint64 m_nStamped = 0;
    quint64 m_nPaints = 0;
    QVector<double> m_latencies;
    std::function<void(const QString&)> m_shownHook;
};

// The q-quantile (0..1) of the values, nearest rank; 0 when empty.
double quantile(QVector<double> values, double dQ);
