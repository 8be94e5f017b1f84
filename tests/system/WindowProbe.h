#pragma once

#include "CameraTabs.h"
#include "DTTitleBar.h"
#include "DTToolBar.h"
#include "MainWindow.h"
#include "RunFolder.h"
#include "framework/DTButton.h"
#include "framework/PluginMessages.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonObject>
#include <QList>
#include <QPushButton>
#include <QTableWidget>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

// Watches a running window from its GUI thread: every record the host relays,
// and the gaps between the ticks of a 10 ms timer, which show how long the
// event loop was held at a stretch.
class WindowProbe : public QObject
{
public:
    void attach(MainWindow* pWindow)
    {
        connect(pWindow, &MainWindow::sendSignalToPlugins, this,
                [this](const PluginMetaData& plt) { m_records << plt; });
        connect(&m_ticker, &QTimer::timeout, this, [this] { m_gaps << m_sinceTick.restart(); });
    }

    void startTicking()
    {
        m_gaps.clear();
        m_sinceTick.start();
        m_ticker.start(10);
    }
    void stopTicking() { m_ticker.stop(); }
    // Turns of the event loop that ran the ticker since startTicking().
    int ticks() const { return int(m_gaps.size()); }
    // Longest gap so far, and how many gaps exceeded the threshold.
    qint64 longestGap() const
    {
        return m_gaps.isEmpty() ? 0 : *std::max_element(m_gaps.begin(), m_gaps.end());
    }
    int gapsOver(qint64 nMs) const
    {
        return int(std::count_if(m_gaps.begin(), m_gaps.end(), [nMs](qint64 n) { return n > nMs; }));
    }

    void clear() { m_records.clear(); }
    // Camera commands for the service since clear() (not the page's save
    // settings or figure requests, which reach no camera).
    int commands() const
    {
        return int(std::count_if(m_records.begin(), m_records.end(), [](const PluginMetaData& plt) {
            return plt.nModule == MODULE_SERVICE && plt.nMsgId >= MSG_TAKE_PHOTO
                && plt.nMsgId <= MSG_CONTINUOUS_STOP;
        }));
    }
    // Status texts for the camera page with the given outcome since clear().
    QStringList statuses(bool bSuccess) const
    {
        QStringList texts;
        for (const PluginMetaData& plt : m_records)
            if (plt.nModule == MODULE_CAPTURO && plt.nMsgId == MSG_RESULT
                && (plt.jsonData.value("success").toInt() == 1) == bSuccess)
                texts << plt.jsonData.value("result").toString();
        return texts;
    }

private:
    QList<PluginMetaData> m_records;
    QList<qint64> m_gaps;
    QElapsedTimer m_sinceTick;
    QTimer m_ticker;
};

// The real main window loading the build's plugins from a run folder of its
// own, with HOME inside the test, watched by a WindowProbe.
class WindowRun
{
public:
    ~WindowRun() { window.reset(); }

    // Builds the window for a core at the endpoint; *pBuiltMs: how long the
    // window's construction (plugins included) held the caller.
    bool start(const QString& strEndpoint, qint64* pBuiltMs = nullptr)
    {
        qRegisterMetaType<PluginMetaData>("PluginMetaData");
        if (!m_home.isValid())
            return false;
        qputenv("HOME", m_home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
        if (!m_run.addListedPlugins() || !m_run.writeConfig(strEndpoint) || !m_run.enter())
            return false;
        QElapsedTimer building;
        building.start();
        window = std::make_unique<MainWindow>(
            HostLifecycle(HostLifecycle::LoadPlugins, HostLifecycle::ReturnOnExit));
        if (pBuiltMs)
            *pBuiltMs = building.elapsed();
        probe.attach(window.get());
        window->setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
        return QTest::qWaitForWindowExposed(window.get());
    }

    // The camera page as an operator reaches it once the home page's search ended: the
    // first open camera's tab (the service opened the only camera by itself); with
    // several cameras listed and none open, the first one's "打开" on the home page,
    // which shows its page; with an older core that lists none, the placeholder tab
    // "test_obj" (each tab clicked left of its close mark).
    bool openCameraPage()
    {
        auto listedOpen = [this]() -> QPushButton* {
            auto* pTable = window->mainWidget()->findChild<QTableWidget*>("tableWidget_Cameras");
            if (!pTable || !pTable->isVisible() || pTable->rowCount() == 0)
                return nullptr;
            QWidget* pCell = pTable->cellWidget(0, pTable->columnCount() - 1);
            return pCell ? pCell->findChild<QPushButton*>() : nullptr;
        };
        const bool bSettled = QTest::qWaitFor(
            [&] {
                return !window->cameraTabs()->cameraIds().isEmpty() || listedOpen()
                    || window->mainWidget()->inherits("CameraSearchNotFoundUI");
            },
            15000);
        if (!bSettled)
            return false;
        const QStringList open = window->cameraTabs()->cameraIds();
        if (open.isEmpty()) {
            // Also right while the service opens the only camera by itself: the
            // window shows the page of the camera asked for whichever answer comes first.
            if (QPushButton* pOpen = listedOpen()) {
                pOpen->click();
                return QTest::qWaitFor([this] { return panel() && panel()->isVisible(); }, 15000);
            }
        }
        QAbstractButton* pTab = open.isEmpty() ? window->titleBar()->findChild<DTButton*>("test_obj")
                                               : window->cameraTabs()->tabOf(open.first());
        if (!pTab)
            return false;
        QTest::mouseClick(pTab, Qt::LeftButton, {}, QPoint(12, pTab->height() / 2));
        return QTest::qWaitFor([this] { return panel() && panel()->isVisible(); }, 5000);
    }

    QWidget* panel() const { return window->mainFuncWidget()->findChild<QWidget*>("CapturoUI"); }
    template <typename T>
    T* control(const char* pName) const
    {
        QWidget* pPanel = panel();
        return pPanel ? pPanel->findChild<T*>(pName) : nullptr;
    }
    QPushButton* toolButton(const char* pName) const
    {
        return window->toolBar()->findChild<QPushButton*>(pName);
    }

    std::unique_ptr<MainWindow> window;
    WindowProbe probe;

private:
    QTemporaryDir m_home;
    RunFolder m_run;
};
