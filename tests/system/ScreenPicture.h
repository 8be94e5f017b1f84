#pragma once

// The whole screen saved as a picture for the README, when KELVORA_SCREENSHOT_DIR
// asks for it (a relative folder is taken from the source tree): "<name>_<w>x<h>_<lang>.png",
// named after the screen's size and the language shown. Needs KELVORA_SOURCE_DIR.
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

// True when no picture was asked for or it was saved.
inline bool saveScreenPicture(const QString& qsName, bool bEnglish)
{
    const QString qsSetting = qEnvironmentVariable("KELVORA_SCREENSHOT_DIR");
    if (qsSetting.isEmpty())
        return true;
    const QString qsDir = QDir(KELVORA_SOURCE_DIR).absoluteFilePath(qsSetting);
    // Let the last repaints land.
    QTest::qWait(300);
    if (!QDir().mkpath(qsDir))
        return false;
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QString qsFile = QString("%1_%2x%3_%4.png")
                               .arg(qsName)
                               .arg(screen.width())
                               .arg(screen.height())
                               .arg(bEnglish ? "en" : "zh");
    return QGuiApplication::primaryScreen()->grabWindow(0).save(QDir(qsDir).filePath(qsFile));
}
