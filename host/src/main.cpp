#include "DebugConsole.h"
#include "Language.h"
#include "MainWindow.h"
#include "SignalQuit.h"
#include "framework/DTLog.h"

#include <QApplication>
#include <QScreen>
#include <QStringList>
#include <QTextCodec>

int main(int argc, char** argv)
{
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("utf-8"));
    QCoreApplication::setOrganizationName("Tarnwell");
    QCoreApplication::setApplicationName("kelvora");

    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const QString qsCmdLine = args.join(";");
    if (!qsCmdLine.isEmpty() && DebugConsole::isRequested(qsCmdLine))
        DebugConsole::open();

    QApplication app(argc, argv);

    DTLog& log = DTLog::instance();
    if (log.init("", "kelvora"))
        qInstallMessageHandler(&DTLog::messageHandler);
    if (!qsCmdLine.isEmpty())
        log.write(QtInfoMsg, "GetCmdInput:" + qsCmdLine);

    // Before any window or plugin exists, so every text they create is translated.
    Language::install(Language::chosen(qEnvironmentVariable("KELVORA_LANG"), "config.ini"));

    const qreal dpi = QGuiApplication::primaryScreen()->logicalDotsPerInch();
    log.write(QtInfoMsg, QString("...Init Window... DisplayPer: %1").arg(dpi, 0, 'g', 6));

    SignalQuit signalQuit;

    Q_INIT_RESOURCE(kelvora_host_icons);

    MainWindow window;
    window.showMaximized();

    log.write(QtInfoMsg, "App Exit");
    return app.exec();
}
