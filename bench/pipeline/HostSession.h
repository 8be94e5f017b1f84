#pragma once

#include "RunFolder.h"
#include "framework/PluginMetaData.h"

#include <QCheckBox>
#include <QGraphicsView>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <cstdio>
#include <functional>
#include <memory>

class MainWindow;
class QWidget;

// The real client in this process: a temporary run folder (plugins/ pointing at
// the built plugins, config.ini naming the core), the real MainWindow with every
// plugin loaded, and the camera page activated as the operator does it.
class HostSession
{
public:
    HostSession();
    ~HostSession();

    // Builds the window against the core at strEndpoint and opens the camera
    // page; false (with the reason on stderr) when the page did not come up.
    // strPlugins: the folder of plugin files (default: the built ones).
    bool open(const QString& strEndpoint, const QString& strPlugins = QString());

    MainWindow* window() const { return m_pWindow.get(); }
    QString runFolder() const { return m_run.path(); }

    // The page's widgets, found by object name.
    QGraphicsView* imageView() const;
    QCheckBox* videoBox() const;
    QWidget* imageSetting() const;
    QObject* servicePlugin() const;

    // A record onto the bus, as a plugin's sendEvent puts it there.
    void send(int nModule, int nMsgId, const QVariant& value = QVariant());
    // Saving on in the save pop-up, with ".bmp" or ".jpg".
    bool enableSaving(const QString& strFormat);
    // The folder frames are saved to (the pop-up's default under the Documents folder).
    QString saveFolder() const;
    // Clicks the tool bar's continuous shooting button.
    bool clickContinuous();

private:
    RunFolder m_run;
    std::unique_ptr<MainWindow> m_pWindow;
    QPointer<QGraphicsView> m_pView;
    QPointer<QCheckBox> m_pVideoBox;
};

// The original standard output, for results; stdout itself is sent to
// /dev/null, since the client's log echoes every line (one per frame) there.
FILE* takeResultOutput();
// Runs the event loop for nMs milliseconds.
void spinEvents(int nMs);
// Runs the event loop until bDone() or nTimeoutMs; returns bDone().
bool spinUntil(const std::function<bool()>& bDone, int nTimeoutMs);
