// The core's own messages that the operator must see: its frame accounting of the
// camera's link in the figures, per camera, and its errors (frames lost on the link,
// a pixel format it cannot convert, a frame over the link's limit) as failure lines
// of the camera page's status list, paced, the newest never lost.
#include "CameraFrameCounts.h"
#include "CoreErrorText.h"
#include "Service.h"
#include "framework/PluginMessages.h"

#include <QtTest>

#include <thread>

namespace {

Json::Value framesMessage(const char* pCamera, int nCompleted, int nIncomplete, int nMissing, int nNoBuffer)
{
    Json::Value message(Json::objectValue);
    Json::Value frames(Json::objectValue);
    frames["completed"] = nCompleted;
    frames["incomplete"] = nIncomplete;
    frames["underruns"] = nNoBuffer;
    frames["unsupported"] = 0;
    frames["delivered"] = nCompleted;
    frames["resent"] = 0;
    frames["missing_packets"] = nMissing;
    frames["no_buffer"] = nNoBuffer;
    message["frames"] = frames;
    if (pCamera)
        message["camera_id"] = pCamera;
    return message;
}

Json::Value errorMessage(const std::string& strText)
{
    Json::Value message(Json::objectValue);
    message["error"] = strText;
    message["camera_id"] = "GV01";
    return message;
}

Json::Value lossMessage(unsigned nLost, unsigned nFrames)
{
    Json::Value message = errorMessage("the camera's link lost frames");
    message["loss"] = true;
    message["lost_frames"] = nLost;
    message["window_frames"] = nFrames;
    return message;
}

} // namespace

class ResultProbe : public QObject
{
    Q_OBJECT
public:
    QList<QPair<QString, bool>> results;

public slots:
    void slotEventFromPlugins(PluginMetaData plt)
    {
        if (plt.nModule == MODULE_CAPTURO && plt.nMsgId == MSG_RESULT)
            results << qMakePair(plt.jsonData["result"].toString(), plt.jsonData["success"].toInt() == 1);
    }
};

class TestServiceCoreMessages : public QObject
{
    Q_OBJECT

private slots:
    void lossLineSaysWhatToDo();
    void otherErrorsCarryTheCoresReasonAsPlainText();
    void onlyErrorMessagesWithATextBecomeLines();
    void frameCountsAreKeptPerCamera();
    void serviceListsErrorsAndFiguresCarryTheLinksHealth();
};

void TestServiceCoreMessages::lossLineSaysWhatToDo()
{
    CoreErrorText::Line line;
    QVERIFY(CoreErrorText::line(MESSAGE_TYPE_ERROR, lossMessage(25, 100), &line));
    QVERIFY2(line.qsText.startsWith(QString::fromUtf8("相机链路在 5 秒内丢失 25 / 100 帧 (25.0 %): ")),
             qPrintable(line.qsText));
    // What the operator can change: packet size, socket buffer, raw-socket rights.
    for (const char* pHint : {"--packet-size 0", "--socket-buffer", "net.core.rmem_max", "cap_net_raw"})
        QVERIFY2(line.qsText.contains(QLatin1String(pHint)), pHint);
    CoreErrorText::Line error;
    QVERIFY(CoreErrorText::line(MESSAGE_TYPE_ERROR, errorMessage("x"), &error));
    QVERIFY2(line.qsKind != error.qsKind, "a loss line does not hold back another error");
    // Without its figures the loss is told in the core's words.
    Json::Value bare = lossMessage(1, 0);
    QVERIFY(CoreErrorText::line(MESSAGE_TYPE_ERROR, bare, &line));
    QCOMPARE(line.qsText, QString::fromUtf8("视觉核心: the camera's link lost frames"));
}

void TestServiceCoreMessages::otherErrorsCarryTheCoresReasonAsPlainText()
{
    CoreErrorText::Line line;
    QVERIFY(CoreErrorText::line(MESSAGE_TYPE_ERROR,
                                errorMessage("pixel format YUV422_8 (0x02100032) is not supported\n<b>x</b>"),
                                &line));
    QCOMPARE(line.qsText,
             QString::fromUtf8("视觉核心: pixel format YUV422_8 (0x02100032) is not supported <b>x</b>"));
    QCOMPARE(CoreErrorText::plain(QString::fromUtf8("a\tb\rc\x1b[31md\u2028e")), QString("a b c [31md e"));
    // A long reason is cut, never in the middle of a character.
    const QString qsLong = QString(CoreErrorText::kMaxReason - 1, QLatin1Char('a')) + QString::fromUtf8("😀");
    QCOMPARE(CoreErrorText::plain(qsLong), QString(CoreErrorText::kMaxReason - 1, QLatin1Char('a')));
    QCOMPARE(CoreErrorText::plain(QString(500, QLatin1Char('b'))).size(), CoreErrorText::kMaxReason);
}

void TestServiceCoreMessages::onlyErrorMessagesWithATextBecomeLines()
{
    CoreErrorText::Line line;
    QVERIFY(!CoreErrorText::line(MESSAGE_TYPE_INFO, errorMessage("x"), &line));
    QVERIFY(!CoreErrorText::line(MESSAGE_TYPE_WARNING, errorMessage("x"), &line));
    QVERIFY(!CoreErrorText::line(MESSAGE_TYPE_CAMERA_STATE, errorMessage("x"), &line));
    QVERIFY(!CoreErrorText::line(MESSAGE_TYPE_ERROR, Json::Value("x"), &line));
    Json::Value number(Json::objectValue);
    number["error"] = 5;
    QVERIFY(!CoreErrorText::line(MESSAGE_TYPE_ERROR, number, &line));
}

void TestServiceCoreMessages::frameCountsAreKeptPerCamera()
{
    CameraFrameCounts counts;
    QVERIFY(counts.fields().isEmpty());
    QVERIFY(!counts.take(MESSAGE_TYPE_INFO, errorMessage("x")));
    QVERIFY(!counts.take(MESSAGE_TYPE_ERROR, framesMessage("GV01", 1, 1, 1, 1)));
    QVERIFY(counts.take(MESSAGE_TYPE_INFO, framesMessage("GV01", 90, 10, 300, 2)));
    QVERIFY(counts.take(MESSAGE_TYPE_INFO, framesMessage("GV02", 50, 0, 0, 0)));
    QVERIFY(counts.take(MESSAGE_TYPE_INFO, framesMessage("GV01", 95, 12, 340, 2)));
    const QJsonObject first = counts.fields();
    QCOMPARE(first,
             (QJsonObject{{"completed", 95},
                          {"incomplete", 12},
                          {"resent", 0},
                          {"missing_packets", 340},
                          {"no_buffer", 2}}));
    QCOMPARE(counts.fields("GV01"), first);
    QCOMPARE(counts.fields("GV02").value("completed").toDouble(), 50.0);
    QVERIFY(counts.fields("GV03").isEmpty());
    counts.clear();
    QVERIFY(counts.fields().isEmpty());
}

void TestServiceCoreMessages::serviceListsErrorsAndFiguresCarryTheLinksHealth()
{
    Service service;
    ResultProbe probe;
    connect(&service, &DTPluginBase::sendSignalToPlugins, &probe, &ResultProbe::slotEventFromPlugins);
    QVERIFY(!service.figures().contains("incomplete"));

    // Heard on the core link's thread: counts, one loss, one error.
    std::thread core([&] {
        service.onMessageCallback(MESSAGE_TYPE_INFO, framesMessage("GV01", 40, 60, 9000, 1));
        service.onMessageCallback(MESSAGE_TYPE_ERROR, lossMessage(61, 101));
        service.onMessageCallback(MESSAGE_TYPE_ERROR, errorMessage("frame 1 exceeds the link's limit"));
    });
    core.join();
    const QJsonObject figures = service.figures();
    QCOMPARE(figures.value("incomplete").toDouble(), 60.0);
    QCOMPARE(figures.value("missing_packets").toDouble(), 9000.0);
    QCOMPARE(figures.value("no_buffer").toDouble(), 1.0);
    QCOMPARE(figures.value("completed").toDouble(), 40.0);
    QVERIFY(figures.contains("resent"));
    QTRY_COMPARE_WITH_TIMEOUT(probe.results.size(), 2, 5000);
    QStringList texts;
    for (const auto& result : probe.results) {
        QVERIFY(!result.second);
        texts << result.first;
    }
    QCOMPARE(texts.filter(QString::fromUtf8("相机链路在 5 秒内丢失 61 / 101 帧")).size(), 1);
    QVERIFY(texts.contains(QString::fromUtf8("视觉核心: frame 1 exceeds the link's limit")));

    // A burst of the same kind right after: one more line, the newest.
    std::thread burst([&] {
        for (int i = 2; i <= 5; ++i)
            service.onMessageCallback(
                MESSAGE_TYPE_ERROR, errorMessage("frame " + std::to_string(i) + " exceeds the link's limit"));
    });
    burst.join();
    QTRY_COMPARE_WITH_TIMEOUT(probe.results.size(), 3, 5000);
    QTest::qWait(Service::kCoreErrorIntervalMs + 200);
    QCOMPARE(probe.results.size(), 3);
    QCOMPARE(probe.results.last().first, QString::fromUtf8("视觉核心: frame 5 exceeds the link's limit"));
    QVERIFY(!probe.results.last().second);
}

QTEST_MAIN(TestServiceCoreMessages)
#include "tst_service_core_messages.moc"
