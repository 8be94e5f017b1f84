// One camera page per camera: records of two cameras interleaved go to their own
// panel, the tabs' record switches the page and sends nothing to either camera.
#include "Capturo.h"
#include "CapturoUI.h"
#include "DTGraphicsScene.h"
#include "FakeHost.h"

#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

namespace {
PluginMetaData record(int nMsgId, const QJsonObject& json = QJsonObject())
{
    PluginMetaData plt;
    plt.nModule = MODULE_CAPTURO;
    plt.nMsgId = nMsgId;
    plt.jsonData = json;
    return plt;
}

PluginMetaData frame(const QString& strCamera, int nKey, QColor colour)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(colour);
    PluginMetaData plt = record(MSG_FRAME, {{"key", QString::number(nKey)}, {"width", 64}, {"height", 48}});
    if (!strCamera.isEmpty())
        plt.jsonData.insert("camera", strCamera);
    plt.varData = image;
    return plt;
}

PluginMetaData result(const QString& strCamera, const QString& qsText)
{
    QJsonObject json{{"result", qsText}, {"success", 1}};
    if (!strCamera.isEmpty())
        json.insert("camera", strCamera);
    return record(MSG_RESULT, json);
}

QStringList resultTexts(CapturoUI* pPanel)
{
    QStringList list;
    QListWidget* pList = pPanel->findChild<QListWidget*>("listWidget_ShowResult");
    for (int i = 0; i < pList->count(); ++i)
        list << pList->item(i)->text();
    return list;
}

QList<PluginMetaData> serviceRecords(const FakeHost& host)
{
    QList<PluginMetaData> list;
    for (const PluginMetaData& plt : host.log.records)
        if (plt.nModule == MODULE_SERVICE)
            list << plt;
    return list;
}

QColor centreColour(CapturoUI* pPanel)
{
    DTGraphicsScene* pScene = pPanel->currentScene();
    if (!pScene || pScene->items().isEmpty())
        return QColor();
    QImage image(pScene->itemsBoundingRect().size().toSize(), QImage::Format_RGB32);
    QPainter painter(&image);
    pScene->render(&painter, QRectF(), pScene->itemsBoundingRect());
    painter.end();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}
} // namespace

class TestCapturoCameras : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        qputenv("HOME", m_home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
        qRegisterMetaType<PluginMetaData>("PluginMetaData");
    }

    void twoCamerasInterleaved()
    {
        Capturo plugin;
        FakeHost host;
        host.attach(&plugin);
        QWidget window;
        plugin.slotSetUIHandle(&window);
        QWidget container;
        new QVBoxLayout(&container);
        container.show();

        // The page opens before any camera (the service opens them as it connects).
        host.deliver(record(MSG_PAGE_ACTIVATED));
        PluginMetaData activate = record(MSG_PAGE_ACTIVATED);
        activate.pHandle = &container;
        host.deliver(activate);
        CapturoUI* pFirst = plugin.configUI();
        QVERIFY(pFirst);

        host.log.clear();
        host.deliver(record(MSG_OPEN_CAMERA, {{"camera", "cam-a"}, {"success", 1}, {"caption", "Left"}}));
        host.deliver(record(MSG_OPEN_CAMERA, {{"camera", "cam-b"}, {"success", 0}, {"caption", "Right"}}));
        QVERIFY(!plugin.panelOf("cam-b"));
        host.deliver(record(MSG_OPEN_CAMERA, {{"camera", "cam-b"}, {"success", 1}, {"caption", "Right"}}));
        // The page there was is the first camera's; the second gets its own and reads its camera.
        CapturoUI* pA = plugin.panelOf("cam-a");
        CapturoUI* pB = plugin.panelOf("cam-b");
        QCOMPARE(pA, pFirst);
        QVERIFY(pB && pB != pA);
        QCOMPARE(pB->parentWidget(), &container);
        QCOMPARE(plugin.configUI(), pA);
        QVERIFY(pA->isVisible());
        QVERIFY(!pB->isVisible());
        // Ranges and parameters; the trigger type and debounce reads wait for the
        // ranges, which this host never answers.
        QList<PluginMetaData> sent = serviceRecords(host);
        QCOMPARE(sent.size(), 2);
        for (const PluginMetaData& plt : sent)
            QCOMPARE(plt.jsonData.value("camera").toString(), QString("cam-b"));
        QCOMPARE(sent.at(0).nMsgId, int(MSG_GET_CAMERA_INFO));
        QCOMPARE(sent.at(1).nMsgId, int(MSG_GET_CAMERA_PARAMS));

        // Interleaved records: each camera's statuses, values and thumbnails on its own page;
        // a record naming no camera belongs to the first open one.
        host.deliver(result("cam-a", "a1"));
        host.deliver(result("cam-b", "b1"));
        host.deliver(result("", "first"));
        host.deliver(result("cam-b", "b2"));
        host.deliver(record(MSG_GET_CAMERA_PARAMS, {{"camera", "cam-a"}, {"exposure", 1000}, {"gain", 1.0}}));
        host.deliver(record(MSG_GET_CAMERA_PARAMS, {{"camera", "cam-b"}, {"exposure", 5000}, {"gain", 2.0}}));
        QVERIFY(resultTexts(pA).mid(resultTexts(pA).size() - 2) == QStringList({"a1", "first"}));
        QVERIFY(resultTexts(pB).mid(resultTexts(pB).size() - 2) == QStringList({"b1", "b2"}));
        QVERIFY(!resultTexts(pB).contains("a1") && !resultTexts(pA).contains("b1"));
        const QString qsExposureA = pA->findChild<QLineEdit*>("plainText_Quick")->text();
        const QString qsExposureB = pB->findChild<QLineEdit*>("plainText_Quick")->text();
        QVERIFY2(qsExposureA != qsExposureB, qPrintable(qsExposureA + " / " + qsExposureB));
        PluginMetaData saved = record(MSG_FRAME_SAVED,
                                      {{"camera", "cam-b"}, {"key", "7"}, {"name", "/tmp/b/7"}});
        QImage icon(8, 8, QImage::Format_RGB32);
        icon.fill(Qt::white);
        saved.varData = icon;
        host.deliver(saved);
        QCOMPARE(pB->findChild<QListWidget*>("listWidget_Image")->count(), 1);
        QCOMPARE(pA->findChild<QListWidget*>("listWidget_Image")->count(), 0);

        // Frames: the shown page displays; the other is counted and keeps only its newest.
        host.deliver(frame("cam-a", 1, Qt::red));
        host.deliver(frame("cam-b", 1, Qt::green));
        host.deliver(frame("cam-b", 2, Qt::blue));
        QCOMPARE(centreColour(pA), QColor(Qt::red));
        QVERIFY(!pB->currentScene());
        QCOMPARE(plugin.pages().stateOf("cam-b").nFramesReceived, quint64(2));
        QCOMPARE(plugin.pages().stateOf("cam-b").nFramesShown, quint64(0));

        // Continuous shooting on camera A, then the tab of camera B.
        QPushButton* pContinuous = host.button("continuePhoto");
        host.log.clear();
        pContinuous->click();
        QVERIFY(pContinuous->isChecked());
        QCOMPARE(serviceRecords(host).last().nMsgId, int(MSG_CONTINUOUS_START));
        QCOMPARE(serviceRecords(host).last().jsonData.value("camera").toString(), QString("cam-a"));

        host.log.clear();
        host.deliver(record(MSG_CAMERA_SELECTED, {{"camera", "cam-b"}}));
        QCOMPARE(plugin.configUI(), pB);
        QVERIFY(pB->isVisible());
        QVERIFY(!pA->isVisible());
        QVERIFY(!pContinuous->isChecked());           // B is not shooting
        QCOMPARE(centreColour(pB), QColor(Qt::blue)); // its newest frame
        QCOMPARE(centreColour(pA), QColor(Qt::red));
        QVERIFY(serviceRecords(host).isEmpty()); // switching says nothing to either camera

        // Commands of B's page and of the tool bar now go to camera B.
        pB->findChild<QRadioButton*>("radioBtn_Inner")->click();
        host.button("photo")->click();
        sent = serviceRecords(host);
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.at(0).nMsgId, int(MSG_SET_TRIGGER_MODE));
        for (const PluginMetaData& plt : sent)
            QCOMPARE(plt.jsonData.value("camera").toString(), QString("cam-b"));

        // Back to A: its button shows it still shooting, its frames display again.
        host.log.clear();
        host.deliver(record(MSG_CAMERA_SELECTED, {{"camera", "cam-a"}}));
        QVERIFY(pContinuous->isChecked());
        host.deliver(frame("cam-b", 3, Qt::yellow));
        host.deliver(frame("", 2, Qt::cyan));
        QCOMPARE(centreColour(pA), QColor(Qt::cyan));
        QCOMPARE(centreColour(pB), QColor(Qt::blue));
        QVERIFY(serviceRecords(host).isEmpty());

        // Closing A: B's page is the one left, and records naming none are B's now.
        host.deliver(record(MSG_CLOSE_CAMERA, {{"camera", "cam-a"}, {"success", 1}}));
        QCOMPARE(plugin.configUI(), pB);
        QCOMPARE(centreColour(pB), QColor(Qt::yellow));
        host.deliver(result("", "after"));
        QCOMPARE(resultTexts(pB).last(), QString("after"));
        // What the service says about the closed camera is shown where the operator looks.
        host.deliver(result("cam-a", "closed while shooting"));
        QCOMPARE(resultTexts(pB).last(), QString("closed while shooting"));
        QVERIFY(!resultTexts(pA).contains("closed while shooting"));

        // A opened again has its page back, read anew, with its button released.
        host.log.clear();
        host.deliver(record(MSG_OPEN_CAMERA, {{"camera", "cam-a"}, {"success", 1}, {"caption", "Left"}}));
        QCOMPARE(plugin.panelOf("cam-a"), pA);
        QCOMPARE(serviceRecords(host).size(), 2);
        QCOMPARE(serviceRecords(host).at(0).jsonData.value("camera").toString(), QString("cam-a"));
        host.deliver(record(MSG_CAMERA_SELECTED, {{"camera", "cam-a"}}));
        QCOMPARE(plugin.configUI(), pA);
        QVERIFY(!pContinuous->isChecked());
    }
};

QTEST_MAIN(TestCapturoCameras)
#include "tst_capturo_cameras.moc"
