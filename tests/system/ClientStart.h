#pragma once

// The whole client as its program starts it, in a run folder of its own against one
// core: the listed plugins, config.ini naming the core, the language chosen as the
// program chooses it (KELVORA_LANG, else config.ini; read before any window exists),
// and the real window on the whole screen, exposed.
#include "HostLifecycle.h"
#include "Language.h"
#include "MainWindow.h"
#include "RunFolder.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

#include <memory>

// False when a step failed (the run folder, the language or the window).
inline bool startClient(const QString& strEndpoint, std::unique_ptr<RunFolder>& pRun,
                        std::unique_ptr<MainWindow>& pWindow, bool* pEnglish)
{
    pRun = std::make_unique<RunFolder>();
    if (!pRun->addListedPlugins() || !pRun->writeConfig(strEndpoint) || !pRun->enter())
        return false;
    const QString qsChoice = Language::chosen(qEnvironmentVariable("KELVORA_LANG"), "config.ini");
    *pEnglish = qsChoice == "en";
    if (Language::install(qsChoice) != *pEnglish)
        return false;
    pWindow = std::make_unique<MainWindow>(
        HostLifecycle(HostLifecycle::LoadPlugins, HostLifecycle::ReturnOnExit));
    pWindow->setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    return QTest::qWaitForWindowExposed(pWindow.get());
}
