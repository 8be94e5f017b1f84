#include "HostSession.h"

#include "DT_PluginsManager.h"
#include "CameraTabs.h"
#include "MainWindow.h"
#include "framework/PluginMessages.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGraphicsView>
#include <QPluginLoader>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <unistd.h>
#include <functional>

HostSession::HostSession() = default;

HostSession::~HostSession()
{
    // The window unloads the plugins; the run folder goes afterwards.
    m_pWindow.reset();
}

bool HostSession::open(const QString& strEndpoint, const QString& strPlugins)
{
    const QString strSource = strPlugins.isEmpty() ? RunFolder::builtPluginDir() : strPlugins;
    if (!m_run.addListedPlugins(strSource)) {
        std::fprintf(stderr, "cannot link the plugins of %s into %s\n", qPrintable(strSource),
                     qPrintable(m_run.path()));
        return false;
    }
    if (!m_run.writeConfig(strEndpoint) || !m_run.enter())
        return false;

    qRegisterMetaType<PluginMetaData>("PluginMetaData");
    m_pWindow = std::make_unique<MainWindow>(
        HostLifecycle(HostLifecycle::LoadPlugins, HostLifecycle::ReturnOnExit));
    m_pWindow->showMaximized();
    if (m_pWindow->pluginsManager()->loadedPlugins().size() < 2 || !servicePlugin()) {
        std::fprintf(stderr, "the plugins did not load (run folder %s)\n", qPrintable(m_run.path()));
        return false;
    }
    // The home page's search runs first: it lists the core's camera, which the service
    // opens by itself, or (an older core) puts up its not-found page, which would
    // replace the camera page; let it finish as an operator would.
    spinUntil(
        [this] {
            QWidget* pMain = m_pWindow->mainWidget();
            return (pMain && pMain->inherits("CameraSearchNotFoundUI"))
                || !m_pWindow->cameraTabs()->cameraIds().isEmpty();
        },
        8000);
    // The camera tab, as the operator clicks it: it opens the first function, the camera page.
    m_pWindow->slotSetCameraWidget();
    if (!spinUntil([this] { return imageView() && videoBox(); }, 5000)) {
        std::fprintf(stderr, "the camera page did not appear\n");
        return false;
    }
    // The page asks the core for its ranges on activation; let the replies land.
    spinEvents(300);
    m_pView = imageView();
    m_pVideoBox = videoBox();
    if (m_pWindow->mainWidget() != m_pWindow->cameraWidget()) {
        std::fprintf(stderr, "the camera page is not the window's page\n");
        return false;
    }
    return true;
}

QGraphicsView* HostSession::imageView() const
{
    if (m_pView)
        return m_pView;
    return m_pWindow ? m_pWindow->findChild<QGraphicsView*>("graphicsView_Image") : nullptr;
}

QCheckBox* HostSession::videoBox() const
{
    if (m_pVideoBox)
        return m_pVideoBox;
    return m_pWindow ? m_pWindow->findChild<QCheckBox*>("checkBox_Video") : nullptr;
}

QWidget* HostSession::imageSetting() const
{
    // The save pop-up is a top-level window of its own.
    for (QWidget* pWidget : QApplication::topLevelWidgets())
        if (pWidget->objectName() == QLatin1String("ImageSetting"))
            return pWidget;
    return nullptr;
}

QObject* HostSession::servicePlugin() const
{
    if (!m_pWindow)
        return nullptr;
    // A loader of an already loaded plugin hands out the same root object.
    for (const PluginInfo& info : m_pWindow->pluginsManager()->loadedPlugins()) {
        QObject* pPlugin = QPluginLoader(info.path).instance();
        if (pPlugin && pPlugin->inherits("Service"))
            return pPlugin;
    }
    return nullptr;
}

void HostSession::send(int nModule, int nMsgId, const QVariant& value)
{
    PluginMetaData plt;
    plt.nModule = nModule;
    plt.nMsgId = nMsgId;
    plt.varData = value;
    m_pWindow->slotEventFromPlugins(plt);
}

bool HostSession::enableSaving(const QString& strFormat)
{
    QWidget* pSetting = imageSetting();
    if (!pSetting)
        return false;
    auto* pSwitch = pSetting->findChild<QCheckBox*>("checkBox");
    auto* pFormat = pSetting->findChild<QRadioButton*>(strFormat == QLatin1String("jpg") ? "radio_Jpg"
                                                                                         : "radio_Bmp");
    if (!pSwitch || !pFormat)
        return false;
    pSwitch->setChecked(true);
    pFormat->click();
    return pFormat->isChecked();
}

QString HostSession::saveFolder() const
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/kelvora/images";
}

bool HostSession::clickContinuous()
{
    auto* pButton = m_pWindow ? m_pWindow->findChild<QPushButton*>("continuePhoto") : nullptr;
    if (!pButton)
        return false;
    pButton->click();
    return true;
}

FILE* takeResultOutput()
{
    std::fflush(stdout);
    FILE* pOut = fdopen(dup(STDOUT_FILENO), "w");
    if (!pOut || !std::freopen("/dev/null", "w", stdout))
        return stdout;
    setvbuf(pOut, nullptr, _IOLBF, 0);
    return pOut;
}

void spinEvents(int nMs)
{
    QEventLoop loop;
    QTimer::singleShot(nMs, &loop, &QEventLoop::quit);
    loop.exec();
}

bool spinUntil(const std::function<bool()>& bDone, int nTimeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!bDone() && timer.elapsed() < nTimeoutMs)
        spinEvents(10);
    return bDone();
}
