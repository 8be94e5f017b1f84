// The service's frame path in-process against a core that sends what the test
// tells it: messages nested far too deep, malformed frames, floods of frames,
// events and failing calls. The client keeps running and delivering, the
// operator hears of refused frames, and every log stays under its bound.
// Run with "--station <value>" it is one of two clients sharing a folder.
#include "HostileCore.h"
#include "RunFolder.h"
#include "RpcService.h"
#include "Service.h"
#include "corelink/InitLog.h"
#include "framework/DTLog.h"
#include "framework/PluginMessages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QTemporaryDir>
#include <QJsonArray>
#include <QtTest>

#include <cstdio>
#include <iostream>
#include <string>

using namespace std::chrono_literals;

namespace {

constexpr qint64 kServiceLogBound = 256 * 1024;
constexpr qint64 kCoreLogBound = 32 * 1024;
const char* const kCoreLog = "Logs/log_vision_core_client.txt";

// Keeps the records the service emits, as the camera page receives them.
class RecordProbe : public QObject
{
public:
    QList<PluginMetaData> records;

    void attach(Service* pService)
    {
        connect(pService, &DTPluginBase::sendSignalToPlugins, this,
                [this](const PluginMetaData& plt) { records << plt; });
    }

    QList<PluginMetaData> frames() const
    {
        QList<PluginMetaData> result;
        for (const PluginMetaData& plt : records)
            if (plt.nModule == MODULE_CAPTURO && plt.nMsgId == MSG_FRAME)
                result << plt;
        return result;
    }

    bool hasFrame(const QString& strKey) const
    {
        for (const PluginMetaData& plt : frames())
            if (plt.jsonData["key"].toString() == strKey)
                return true;
        return false;
    }

    QStringList statuses() const
    {
        QStringList result;
        for (const PluginMetaData& plt : records)
            if (plt.nMsgId == MSG_RESULT)
                result << QString("%1:%2")
                              .arg(plt.jsonData["result"].toString())
                              .arg(plt.jsonData["success"].toInt());
        return result;
    }
};

HostileCore::Frame malformedFrame(std::uint64_t nIdentifier)
{
    HostileCore::Frame frame = HostileCore::frame(16, 8, kelvora::core::PIXEL_BGR, 1, nIdentifier);
    frame.mutable_data()->resize(frame.data().size() - 3);
    return frame;
}

QByteArrayList fileLines(const QString& strPath, char separator = '\n')
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArrayList lines = file.readAll().split(separator);
    if (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    return lines;
}

// One station: its own core sending frames of one pixel value, its own
// service, in the current folder that another station shares. Prints how
// many frame records it saw and how many showed pixels not its own.
int runStation(unsigned char nValue)
{
    HostileCore core;
    if (!core.start())
        return 2;
    QFile ini("config.ini");
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 2;
    ini.write(QByteArray("[General]\nip=") + core.endpoint().c_str() + "\n");
    ini.close();
    Service service;
    // Connecting runs in the background.
    QElapsedTimer connecting;
    connecting.start();
    while (!service.isConnected() && connecting.elapsed() < 5000)
        QThread::msleep(10);
    if (!service.isConnected() || !core.waitForSubscribers(1, 1, 5s))
        return 2;
    RecordProbe probe;
    probe.attach(&service);
    std::cout << "ready" << std::endl;
    // Both stations stream at once.
    std::string strGo;
    std::getline(std::cin, strGo);

    // Paced over a second or two, so both stations' frames go through the
    // shared file at the same time.
    const int nFrames = 600;
    for (int i = 1; i <= nFrames; ++i) {
        core.sendFrame(HostileCore::frame(320, 240, kelvora::core::PIXEL_BGR, nValue, std::uint64_t(i)));
        if (i % 4 == 0) {
            QCoreApplication::processEvents();
            QThread::msleep(2);
        }
    }
    QElapsedTimer timer;
    timer.start();
    while (!probe.hasFrame(QString::number(nFrames)) && timer.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    int nForeign = 0;
    const QList<PluginMetaData> frames = probe.frames();
    for (const PluginMetaData& frame : frames) {
        const QImage image = frame.varData.value<QImage>();
        nForeign += image.pixel(0, 0) == qRgb(nValue, nValue, nValue)
                && image.pixel(319, 239) == qRgb(nValue, nValue, nValue)
            ? 0
            : 1;
    }
    std::cout << "records=" << frames.size() << " foreign=" << nForeign << std::endl;
    return 0;
}

} // namespace

class TestServiceHostile : public QObject
{
    Q_OBJECT

private:
    HostileCore m_core;
    RunFolder m_run;
    std::unique_ptr<Service> m_pService;
    RecordProbe m_probe;

    bool frameStillArrives(std::uint64_t nIdentifier)
    {
        m_core.sendFrame(HostileCore::frame(8, 4, kelvora::core::PIXEL_GRAY, 5, nIdentifier));
        QElapsedTimer timer;
        timer.start();
        while (!m_probe.hasFrame(QString::number(nIdentifier)) && timer.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return m_probe.hasFrame(QString::number(nIdentifier));
    }

private slots:
    void initTestCase()
    {
        DTLog::instance().setMaxFileBytes(kServiceLogBound);
        QVERIFY(m_core.start());
        QVERIFY(m_run.writeConfig(QString::fromStdString(m_core.endpoint())));
        QVERIFY(m_run.enter());
        m_pService = std::make_unique<Service>();
        // Connecting runs in the background.
        QTRY_VERIFY_WITH_TIMEOUT(m_pService->isConnected(), 5000);
        // The service's own initLog made the file; the same file with a tighter bound.
        QCOMPARE(initLogBounded("vision_core_client", kCoreLog, 0, false, size_t(kCoreLogBound), 2), 0);
        m_probe.attach(m_pService.get());
        QVERIFY(m_core.waitForSubscribers(1, 1, 5s));
    }

    void cleanupTestCase()
    {
        m_pService.reset();
        m_core.stop();
        DTLog::instance().setMaxFileBytes(DTLog::kDefaultMaxFileBytes);
    }

    void init() { m_probe.records.clear(); }

    void deepMessagesLeaveTheClientRunning()
    {
        m_core.sendEvent(HostileCore::message(std::string(1001, '[') + std::string(1001, ']')));
        m_core.sendEvent(HostileCore::message(std::string(100000, '{') + std::string(100000, '}')));
        m_core.sendEvent(HostileCore::message(std::string(100000, '[')));
        QVERIFY(frameStillArrives(1001));
        // The log line is flushed on the core link's own beat, not at once.
        QTRY_VERIFY_WITH_TIMEOUT(fileLines(kCoreLog).join('\n').contains("core message dropped"), 5000);
    }

    void anOlderCoreListsNoCameras()
    {
        PluginMetaData list;
        list.nModule = MODULE_SERVICE;
        list.nMsgId = MSG_LIST_CAMERAS;
        m_pService->slotEventFromPlugins(list);
        auto answers = [this] {
            QList<QJsonObject> result;
            for (const PluginMetaData& plt : m_probe.records)
                if (plt.nModule == MODULE_SCANVOR && plt.nMsgId == MSG_LIST_CAMERAS)
                    result << plt.jsonData;
            return result;
        };
        QCOMPARE(answers().size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(answers().size(), 2, 10000);
        // It serves its one camera without listing it: the window keeps its start-up as it was.
        QCOMPARE(answers().at(1), QJsonObject({{"cameras", QJsonArray()}, {"error", ""}, {"legacy", true}}));
        QVERIFY(RpcService::instance().openCameras().isEmpty());
        QVERIFY(frameStillArrives(1201));
        QVERIFY(!m_probe.frames().last().jsonData.contains("camera"));
    }

    void refusedFramesReachTheStatusList()
    {
        for (std::uint64_t i = 0; i < 3; ++i)
            m_core.sendFrame(malformedFrame(500 + i));
        QVERIFY(frameStillArrives(503));
        QTRY_VERIFY(m_probe.statuses().contains(Service::rejectedFramesText(3) + ":0"));
        QCOMPARE(m_pService->rejectedFrames(), 3ull);
        QVERIFY(fileLines(DTLog::instance().filePath(), '\n')
                    .join()
                    .contains(Service::rejectedFramesText(3).toUtf8()));
    }

    // Frames the core left out because this client fell behind: counted in the
    // figures and said as a failure line, paced, the newest count shown.
    void framesTheCoreLeftOutAreCountedAndSaid()
    {
        QCOMPARE(m_pService->figures().value("dropped_by_core").toDouble(), 0.0);
        for (std::uint64_t i = 0; i < 3; ++i) {
            HostileCore::Frame frame = HostileCore::frame(8, 4, kelvora::core::PIXEL_GRAY, 5, 600 + i);
            frame.set_skipped(4 + 5 * i);
            m_core.sendFrame(frame);
        }
        QVERIFY(frameStillArrives(603));
        QTRY_COMPARE(m_pService->figures().value("dropped_by_core").toDouble(), 14.0);
        QTRY_VERIFY(m_probe.statuses().contains(Service::skippedFramesText(14) + ":0"));
        // Paced: at most one line per count, and none after the newest.
        const QStringList statuses = m_probe.statuses();
        QStringList said;
        for (std::uint64_t n : {4, 9, 14})
            if (statuses.contains(Service::skippedFramesText(n) + ":0"))
                said << QString::number(n);
        QCOMPARE(said.last(), QStringLiteral("14"));
        QCOMPARE(statuses.filter(Service::skippedFramesText(14)).size(), 1);
    }

    void floodsKeepEveryLogUnderItsBound()
    {
        // Tiny frames and events: a line each in the service log. Refused
        // frames and failing calls with a long error text: lines in the core
        // link's log.
        m_core.sendFrame(HostileCore::frame(4, 2, kelvora::core::PIXEL_GRAY, 3, 7), 10000);
        m_core.sendEvent(HostileCore::message(R"({"flood": true})"), 10000);
        m_core.sendFrame(malformedFrame(8), 3000);
        m_core.failCalls(grpc::StatusCode::UNAVAILABLE, "camera gone\r\n" + std::string(2000, 'e'));
        for (int i = 0; i < 60; ++i) {
            m_pService->slotEventFromPlugins(
                PluginMetaData{false, {}, {}, MODULE_SERVICE, MSG_TAKE_PHOTO, {}, nullptr, {}});
            QCoreApplication::processEvents();
        }
        m_core.failCalls(grpc::StatusCode::OK, std::string());
        QElapsedTimer timer;
        timer.start();
        while (!m_core.waitSent(10ms) && timer.elapsed() < 120000)
            QCoreApplication::processEvents();
        QVERIFY(m_core.waitSent(0ms));
        // And the client still works.
        QVERIFY(frameStillArrives(424242));

        // The service's log goes on from file to file, each within its bound, and
        // keeps no more than its ten newest files of this run.
        const QStringList serviceFiles = DTLog::instance().runFiles();
        QVERIFY(!serviceFiles.isEmpty());
        QVERIFY2(serviceFiles.size() <= DTLog::kMaxRunFiles, qPrintable(serviceFiles.join(' ')));
        for (const QString& strFile : serviceFiles) {
            const qint64 nServiceBytes = QFileInfo(strFile).size();
            QVERIFY2(nServiceBytes <= kServiceLogBound,
                     qPrintable(strFile + ": " + QString::number(nServiceBytes)));
        }
        QVERIFY(fileLines(serviceFiles.last()).join('\n').contains("frameInit"));

        const QStringList coreLogs = QDir("Logs").entryList({"log_vision_core_client*.txt"}, QDir::Files,
                                                            QDir::Name);
        QCOMPARE(coreLogs,
                 QStringList({"log_vision_core_client.1.txt", "log_vision_core_client.2.txt",
                              "log_vision_core_client.txt"}));
        int nFailedLines = 0;
        for (const QString& strName : coreLogs) {
            const qint64 nBytes = QFileInfo("Logs/" + strName).size();
            QVERIFY2(nBytes <= kCoreLogBound, qPrintable(strName + ": " + QString::number(nBytes)));
            // Every line is one of the client's own; the core's text never starts one.
            for (const QByteArray& line : fileLines("Logs/" + strName)) {
                QVERIFY2(line.startsWith("[20"), line.left(80).constData());
                nFailedLines += line.contains("takePhoto failed: camera gone\\r\\neeee") ? 1 : 0;
            }
        }
        // The newest calls' lines are kept; older ones rotated away.
        QVERIFY(nFailedLines > 0);
    }

    // Two clients started from one folder: each record shows its own station's
    // frame, whatever the other writes to test.bmp meanwhile.
    void twoStationsInOneFolderKeepTheirOwnFrames()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QList<QProcess*> stations;
        for (const char* value : {"60", "180"}) {
            auto* pStation = new QProcess(this);
            pStation->setWorkingDirectory(folder.path());
            pStation->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            pStation->start(QCoreApplication::applicationFilePath(), {"--station", value});
            QVERIFY(pStation->waitForStarted(10000));
            // One at a time: each reads the folder's config.ini at its start.
            QByteArray output;
            QElapsedTimer timer;
            timer.start();
            while (!output.contains("ready") && timer.elapsed() < 30000
                   && pStation->state() == QProcess::Running) {
                pStation->waitForReadyRead(100);
                output += pStation->readAllStandardOutput();
            }
            QVERIFY2(output.contains("ready"), output.constData());
            stations << pStation;
        }
        for (QProcess* pStation : stations) {
            pStation->write("go\n");
            QVERIFY(pStation->waitForBytesWritten(5000));
        }
        for (QProcess* pStation : stations) {
            QVERIFY(pStation->waitForFinished(90000));
            QCOMPARE(pStation->exitCode(), 0);
            const QByteArray output = pStation->readAllStandardOutput();
            const QRegularExpressionMatch match =
                QRegularExpression("records=(\\d+) foreign=(\\d+)").match(output);
            QVERIFY2(match.hasMatch(), output.constData());
            qInfo("station: %s", match.captured(0).toUtf8().constData());
            QVERIFY(match.captured(1).toInt() > 0);
            QCOMPARE(match.captured(2).toInt(), 0);
        }
        qDeleteAll(stations);
        // The file both kept rewriting is whole and one of theirs.
        const QImage shared(folder.filePath("test.bmp"));
        QCOMPARE(shared.size(), QSize(320, 240));
        QVERIFY(shared.pixel(0, 0) == qRgb(60, 60, 60) || shared.pixel(0, 0) == qRgb(180, 180, 180));
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--station")
        return runStation(static_cast<unsigned char>(QByteArray(argv[2]).toInt()));
    TestServiceHostile test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_service_hostile.moc"
