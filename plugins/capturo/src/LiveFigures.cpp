#include "LiveFigures.h"

#include <QLabel>

namespace {
const char* const kLabelStyle =
    "font: 12px; color: rgba(255, 255, 255, 0.8); background-color: rgb(32, 29, 29); padding: 2px 12px;";
}

LiveFigures::LiveFigures(QObject* parent)
    : QObject(parent)
    , m_pLabel(new QLabel)
{
    m_pLabel->setObjectName("lbl_AcquisitionFigures");
    m_pLabel->setStyleSheet(kLabelStyle);
    m_refresh.setInterval(RefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &LiveFigures::refresh);
    m_clock.start();
}

LiveFigures::~LiveFigures()
{
    // Never placed, the label has no parent to take it.
    if (m_pLabel && !m_pLabel->parent())
        delete m_pLabel;
}

void LiveFigures::setOn(bool bOn)
{
    if (bOn == m_bOn)
        return;
    m_bOn = bOn;
    m_figures.reset();
    emit signalRequest(bOn);
    if (!bOn) {
        m_refresh.stop();
        if (m_pLabel)
            m_pLabel->hide();
        return;
    }
    refresh();
    if (!m_bPlaced) {
        m_bPlaced = true;
        emit signalPlaceLabel(m_pLabel);
    }
    if (m_pLabel)
        m_pLabel->show();
    m_refresh.start();
}

void LiveFigures::addTotals(const QJsonObject& totals)
{
    if (!m_bOn)
        return;
    AcquisitionFigures::Totals t;
    t.nReceived = quint64(totals.value("received").toDouble());
    t.nBytes = quint64(totals.value("bytes").toDouble());
    t.nDropped = quint64(totals.value("dropped").toDouble());
    t.nDroppedByCore = quint64(totals.value("dropped_by_core").toDouble());
    t.nSaved = quint64(totals.value("saved").toDouble());
    t.nSaveFailed = quint64(totals.value("save_failed").toDouble());
    t.qsLink = totals.value("link").toString();
    t.qsCamera = totals.value("camera_state").toString();
    t.bCameraCounts = totals.contains("incomplete");
    t.nCompleted = quint64(totals.value("completed").toDouble());
    t.nIncomplete = quint64(totals.value("incomplete").toDouble());
    t.nNoBuffer = quint64(totals.value("no_buffer").toDouble());
    t.nMissingPackets = quint64(totals.value("missing_packets").toDouble());
    t.nResent = quint64(totals.value("resent").toDouble());
    m_figures.addTotals(m_clock.elapsed(), t);
}

void LiveFigures::restart()
{
    if (m_bOn)
        m_figures.reset();
}

void LiveFigures::frameShown()
{
    if (m_bOn)
        m_figures.addShown(m_clock.elapsed());
}

void LiveFigures::refresh()
{
    if (!m_pLabel)
        return;
    const AcquisitionFigures::Figures figures = m_figures.figures(m_clock.elapsed());
    m_pLabel->setText(AcquisitionFigures::text(figures));
    m_pLabel->setToolTip(AcquisitionFigures::cameraDetails(figures.totals));
}
