// A station under load, with the whole client: two fake GigE Vision cameras
// (Aravis's fake, hosted by this program so that its software trigger answers at
// once) at 1920x1080 Mono8, shooting continuously every 33 ms with saving on
// (BMP), and the simulated camera at 1920x1080 BGR every 100 ms, all three open in
// the real MainWindow with every plugin, one camera's page shown. Per camera, from
// the service's own figures of it: frames the camera completed (the core's frame
// accounting for the fakes; the frame numbers' span for the simulator), received
// by the service, saved (and files reported written), and for the shown page the
// new pictures in its view; the client's CPU per received frame and the load
// average.
// Goals: received/completed >= 0.99 for every camera, saved/received >= 0.99 for
// the two saving cameras.
//
//   station_bench [--seconds 20] [--gap 33] [--sim-gap 100]
//
// Runs itself in a network namespace of its own (needs root; exit code 77 where
// it cannot), where 127.0.0.2 is added to the loopback for the second fake.
// Aravis (GLib) first: Qt's keyword macros would break its headers.
#include <arv.h>

#include "DTTitleBar.h"
#include "DTToolBar.h"
#include "CameraTabs.h"
#include "FakeGigECamera.h"
#include "HostSession.h"
#include "MainWindow.h"
#include "NetNamespace.h"
#include "PageProbe.h"
#include "RunFolder.h"
#include "SimCore.h"
#include "framework/DTButton.h"
#include "framework/PluginMessages.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QFile>
#include <QGraphicsView>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

namespace {

FILE* g_pOut = stdout;

// The fake camera of Aravis in this process, with its software-trigger poll raised
// from 25 Hz, so that triggers every 33 ms give 30 frames a second. Ends on SIGTERM.
int runFake(const QString& qsAddress, const QString& qsSerial)
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    ArvGvFakeCamera* pFake = arv_gv_fake_camera_new(qsAddress.toLatin1().constData(),
                                                    qsSerial.toLatin1().constData());
    if (!pFake || !arv_gv_fake_camera_is_running(pFake)) {
        std::fprintf(stderr, "the fake camera did not start on %s\n", qPrintable(qsAddress));
        return 1;
    }
    arv_fake_camera_set_trigger_frequency(arv_gv_fake_camera_get_fake_camera(pFake), 1000.0);
    int nSignal = 0;
    sigwait(&stopSignals, &nSignal);
    g_object_unref(pFake);
    return 0;
}

struct CameraRun
{
    QString strId;
    QString strLabel;
    bool bSaving = false;
    bool bFake = false;
    double dGapMs = 0;
    // The service's figures of the camera (MSG_FIGURES): its totals and the core's
    // frame accounting for it; the latest, and those when shooting began.
    QJsonObject figures;
    QJsonObject figuresBefore;
    quint64 nFilesSaved = 0;
    qint64 nFirstKey = -1;
    qint64 nLastKey = -1;

    double since(const char* pName) const
    {
        return figures.value(pName).toDouble() - figuresBefore.value(pName).toDouble();
    }
};

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec
        + usage.ru_stime.tv_usec / 1e6;
}

QString loadAverage()
{
    QFile file("/proc/loadavg");
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(' ', 0, 2)
                                          : QString();
}

// The client's window and the three cameras opened from its home page, as an operator does.
class StationClient
{
public:
    bool open(const QString& strEndpoint)
    {
        if (!m_run.addListedPlugins() || !m_run.writeConfig(strEndpoint) || !m_run.enter())
            return false;
        qRegisterMetaType<PluginMetaData>("PluginMetaData");
        m_pWindow = std::make_unique<MainWindow>(
            HostLifecycle(HostLifecycle::LoadPlugins, HostLifecycle::ReturnOnExit));
        m_pWindow->showMaximized();
        return true;
    }
    MainWindow* window() const { return m_pWindow.get(); }

    QPushButton* openButton(const QString& strId) const
    {
        QWidget* pPage = m_pWindow->mainWidget();
        return pPage ? pPage->findChild<QPushButton*>("btn_Open_" + strId) : nullptr;
    }
    bool openCamera(const QString& strId)
    {
        m_pWindow->titleBar()->homeButton()->click();
        if (!spinUntil([&] { return openButton(strId) && openButton(strId)->isVisible(); }, 20000)) {
            std::fprintf(stderr, "the home page does not offer %s\n", qPrintable(strId));
            return false;
        }
        openButton(strId)->click();
        if (!spinUntil([&] { return panelOf(strId) && panelOf(strId)->isVisible(); }, 20000)) {
            std::fprintf(stderr, "%s opened into no page\n", qPrintable(strId));
            return false;
        }
        return true;
    }
    QWidget* panelOf(const QString& strId) const
    {
        for (QWidget* pPanel : m_pWindow->mainFuncWidget()->findChildren<QWidget*>("CapturoUI"))
            if (pPanel->property("camera").toString() == strId)
                return pPanel;
        return nullptr;
    }
    bool select(const QString& strId)
    {
        QAbstractButton* pTab = m_pWindow->cameraTabs()->tabOf(strId);
        if (!pTab)
            return false;
        pTab->click();
        return spinUntil([&] { return panelOf(strId) && panelOf(strId)->isVisible(); }, 5000);
    }
    // Internal trigger every dGapMs, saving on (BMP) or off, on the camera's own page.
    bool prepare(const CameraRun& camera)
    {
        if (!select(camera.strId)) {
            std::fprintf(stderr, "the tab of %s does not show its page\n", qPrintable(camera.strLabel));
            return false;
        }
        QWidget* pPanel = panelOf(camera.strId);
        auto* pInner = pPanel->findChild<QRadioButton*>("radioBtn_Inner");
        auto* pGap = pPanel->findChild<QLineEdit*>("plainText_Trigger_Gap");
        auto* pSave = pPanel->findChild<QPushButton*>("btn_Save_ImageSetting");
        if (!pInner || !pGap || !pSave) {
            std::fprintf(stderr, "the page of %s lacks its trigger or save controls\n",
                         qPrintable(camera.strLabel));
            return false;
        }
        pInner->click();
        spinEvents(300);
        pGap->setText(QString::number(camera.dGapMs));
        emit pGap->returnPressed();
        QWidget* pPopup = savePopupOf(pSave);
        auto* pSwitch = pPopup ? pPopup->findChild<QCheckBox*>("checkBox") : nullptr;
        auto* pBmp = pPopup ? pPopup->findChild<QRadioButton*>("radio_Bmp") : nullptr;
        if (!pSwitch || !pBmp) {
            std::fprintf(stderr, "the save pop-up of %s did not show\n", qPrintable(camera.strLabel));
            return false;
        }
        pSwitch->setChecked(camera.bSaving);
        if (camera.bSaving)
            pBmp->click();
        pPopup->hide();
        spinEvents(300);
        return true;
    }
    // A page's own save pop-up, shown as when the pointer rests on its button (every
    // page has one, each a window of its own).
    static QWidget* savePopupOf(QPushButton* pSave)
    {
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(pSave, &enter);
        for (QWidget* pWidget : QApplication::topLevelWidgets())
            if (pWidget->objectName() == QLatin1String("ImageSetting") && pWidget->isVisible())
                return pWidget;
        return nullptr;
    }
    bool clickContinuous(const QString& strId)
    {
        auto* pButton = m_pWindow->toolBar()->findChild<QPushButton*>("continuePhoto");
        if (!select(strId) || !pButton)
            return false;
        pButton->click();
        return true;
    }

private:
    RunFolder m_run;
    std::unique_ptr<MainWindow> m_pWindow;
};

int runStation(double dSeconds, double dGap, double dSimGap)
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    std::vector<std::unique_ptr<FakeGigECamera>> fakes;
    for (const auto& fake : {std::make_pair("127.0.0.1", "BENCH1"), std::make_pair("127.0.0.2", "BENCH2")}) {
        fakes.push_back(std::make_unique<FakeGigECamera>(fake.first, fake.second));
        fakes.back()->setProgram(QCoreApplication::applicationFilePath(), {"--fake"});
        if (!fakes.back()->start()) {
            std::fprintf(stderr, "the fake camera on %s did not start\n", fake.first);
            return 1;
        }
    }
    SimCore core;
    core.setProgram(SimCore::Program::Station);
    if (!core.start({"--simulated", "1", "--width", "1920", "--height", "1080", "--pixel-format", "Mono8",
                     "--packet-size", "8192"})) {
        std::fprintf(stderr, "vision-core did not start\n");
        return 1;
    }
    std::vector<kelvora::core::CameraEntry> listed;
    if (!core.listCameras(&listed) || listed.size() != 3) {
        std::fprintf(stderr, "the core lists %zu cameras, not 3\n", listed.size());
        return 1;
    }
    std::vector<CameraRun> cameras;
    for (const auto& entry : listed) {
        CameraRun camera;
        camera.strId = QString::fromStdString(entry.id());
        camera.bFake = entry.interface() != "simulated";
        camera.strLabel = camera.bFake ? QString::fromStdString(entry.serial()) : QStringLiteral("simulated");
        camera.bSaving = camera.bFake;
        camera.dGapMs = camera.bFake ? dGap : dSimGap;
        cameras.push_back(camera);
    }
    std::sort(cameras.begin(), cameras.end(),
              [](const CameraRun& a, const CameraRun& b) { return a.strLabel < b.strLabel; });

    StationClient client;
    if (!client.open(core.endpoint()))
        return 1;
    for (CameraRun& camera : cameras)
        if (!client.openCamera(camera.strId) || !client.prepare(camera)) {
            std::fprintf(stderr, "camera %s did not open and take its settings\n",
                         qPrintable(camera.strLabel));
            return 1;
        }
    QMap<QString, CameraRun*> byId;
    for (CameraRun& camera : cameras)
        byId[camera.strId] = &camera;
    QObject::connect(client.window(), &MainWindow::sendSignalToPlugins, [&](const PluginMetaData& plt) {
        if (plt.nModule != MODULE_CAPTURO)
            return;
        CameraRun* pCamera = byId.value(plt.jsonData.value("camera").toString());
        if (!pCamera)
            return;
        if (plt.nMsgId == MSG_FIGURES) {
            pCamera->figures = plt.jsonData;
        } else if (plt.nMsgId == MSG_FRAME) {
            // Frames on their way to a page (the service drops some for display): the
            // simulator's frame numbers tell how many it sent.
            const qint64 nKey = plt.jsonData.value("key").toString().toLongLong();
            if (pCamera->nFirstKey < 0)
                pCamera->nFirstKey = nKey;
            pCamera->nLastKey = nKey;
        } else if (plt.nMsgId == MSG_FRAME_SAVED) {
            ++pCamera->nFilesSaved;
            // Counted and gone: thousands of 2 MB frames would fill the disk.
            QFile::remove(plt.jsonData.value("file").toString());
        }
    });
    // The figures of every open camera, once a second, as the page's menu asks for them.
    PluginMetaData request;
    request.nModule = MODULE_SERVICE;
    request.nMsgId = MSG_FIGURES_REQUEST;
    request.varData = true;
    client.window()->slotEventFromPlugins(request);
    // One page shown: the first fake's.
    CameraRun& shown = cameras.front();
    client.select(shown.strId);
    PageProbe probe(client.panelOf(shown.strId)->findChild<QGraphicsView*>("graphicsView_Image"));
    QObject::connect(client.window(), &MainWindow::sendSignalToPlugins, &probe,
                     &PageProbe::slotEventFromPlugins);
    spinEvents(2500);
    for (CameraRun& camera : cameras) {
        camera.figuresBefore = camera.figures;
        camera.nFilesSaved = 0;
    }

    const QString qsLoadBefore = loadAverage();
    const double dCpu0 = cpuSeconds();
    for (const CameraRun& camera : cameras)
        client.clickContinuous(camera.strId);
    client.select(shown.strId);
    probe.reset();
    spinEvents(int(dSeconds * 1000));
    for (const CameraRun& camera : cameras)
        client.clickContinuous(camera.strId);
    client.select(shown.strId);
    // Frames and files in flight land; the core's next report (every 2 s) comes.
    spinEvents(4000);
    const double dCpu = cpuSeconds() - dCpu0;
    const QString qsLoadAfter = loadAverage();

    std::fprintf(
        g_pOut,
        "station: 2 fake GigE cameras 1920x1080 Mono8 every %.0f ms saving BMP, simulator 1920x1080 BGR "
        "every %.0f ms; %.0f s of continuous shooting, the %s page shown (platform %s)\n",
        dGap, dSimGap, dSeconds, qPrintable(shown.strLabel), qPrintable(QGuiApplication::platformName()));
    double dAllReceived = 0;
    for (const CameraRun& camera : cameras) {
        // The fakes' own count of the frames they completed (the core's accounting);
        // the simulator's frame numbers.
        const double dCompleted = camera.bFake ? camera.since("completed")
                                               : double(camera.nLastKey - camera.nFirstKey + 1);
        const double dReceived = camera.since("received");
        const double dSaved = camera.since("saved");
        dAllReceived += dReceived;
        std::fprintf(
            g_pOut,
            "  %-9s completed %5.0f  received %5.0f  saved %5.0f (files %llu, not saved %.0f)  shown %5s"
            "  received/completed %.3f  left out by the core %.0f%s\n",
            qPrintable(camera.strLabel), dCompleted, dReceived, dSaved,
            static_cast<unsigned long long>(camera.nFilesSaved), camera.since("save_failed"),
            &camera == &shown ? qPrintable(QString::number(probe.shown())) : "-",
            dCompleted > 0 ? dReceived / dCompleted : 0.0, camera.since("dropped_by_core"),
            camera.bSaving && dReceived > 0
                ? qPrintable(QString("  saved/received %1").arg(dSaved / dReceived, 0, 'f', 3))
                : "");
        if (camera.bFake)
            std::fprintf(
                g_pOut,
                "            link: incomplete %.0f, missing packets %.0f, no buffer %.0f; dropped for "
                "display %.0f\n",
                camera.since("incomplete"), camera.since("missing_packets"), camera.since("no_buffer"),
                camera.since("dropped"));
    }
    std::fprintf(g_pOut,
                 "  client CPU %.2f s, %.2f ms per received frame; load average %s before, %s after\n", dCpu,
                 dAllReceived > 0 ? 1e3 * dCpu / dAllReceived : 0.0, qPrintable(qsLoadBefore),
                 qPrintable(qsLoadAfter));
    std::fflush(g_pOut);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && QByteArray(argv[1]) == "--fake") {
        QCoreApplication app(argc, argv);
        const QStringList args = app.arguments();
        return runFake(args.value(args.indexOf("-i") + 1), args.value(args.indexOf("-s") + 1));
    }
    NetNamespace::enter(argc, argv, {"127.0.0.2/8"});
    QApplication app(argc, argv);
    g_pOut = takeResultOutput();
    Q_INIT_RESOURCE(kelvora_host_icons);
    QCommandLineParser parser;
    parser.addOptions({{"seconds", "Continuous shooting time.", "s", "20"},
                       {"gap", "Trigger gap of the fakes, ms.", "ms", "33"},
                       {"sim-gap", "Trigger gap of the simulator, ms.", "ms", "100"}});
    parser.addHelpOption();
    parser.process(app);
    return runStation(parser.value("seconds").toDouble(), parser.value("gap").toDouble(),
                      parser.value("sim-gap").toDouble());
}
