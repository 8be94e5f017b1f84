#pragma once

#include <QObject>
#include <QPixmap>

class HistogramOverlay;
class HistogramWorker;
class QAction;
class QActionGroup;
class QGraphicsView;
class QMenu;

// The image view's context menu and what it switches on: the histogram drawn over the
// view's corner and the acquisition figures in the window's status bar. Everything
// starts off, so the page looks and costs exactly as without it until the operator
// asks; frames shown while the histogram is off are not even looked at.
class ViewOptions : public QObject
{
    Q_OBJECT
public:
    explicit ViewOptions(QGraphicsView* pView, QObject* parent = nullptr);
    ~ViewOptions() override;

    QMenu* menu() const { return m_pMenu; }
    QAction* histogramAction() const { return m_pHistogram; }
    QAction* figuresAction() const { return m_pFigures; }
    QAction* keepZoomAction() const { return m_pKeepZoom; }
    // The corner the histogram is drawn in, chosen from the same menu.
    enum Corner
    {
        TopLeft,
        TopRight,
        BottomLeft,
        BottomRight
    };
    Corner histogramCorner() const { return m_eCorner; }
    QAction* cornerAction(Corner eCorner) const;
    HistogramOverlay* histogramOverlay() const { return m_pOverlay; }

public slots:
    // Every image the view shows, camera frame or local file.
    void slotImageShown(const QPixmap& pixmap);

signals:
    void signalFiguresToggled(bool bOn);
    // New frames keep the operator's zoom (on) or are fitted (off, the default).
    void signalKeepZoomToggled(bool bOn);

private:
    void slotHistogramToggled(bool bOn);
    void placeOverlay();
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

    QGraphicsView* m_pView;
    QObject* m_pViewport = nullptr;
    QMenu* m_pMenu;
    QAction* m_pHistogram;
    QAction* m_pFigures;
    QAction* m_pKeepZoom;
    QMenu* m_pCornerMenu;
    QActionGroup* m_pCornerGroup;
    Corner m_eCorner = TopRight;
    HistogramOverlay* m_pOverlay;
    HistogramWorker* m_pWorker;
};
