// The whole client as an operator uses a station: the real window and the home page,
// camera page and function plugins from their files, against a stand-in for the
// service that answers the camera records for two cameras. The home page lists them,
// each opens into a tab of its own, and each tab shows its own camera's page.
#include "CameraTabs.h"
#include "DTTitleBar.h"
#include "DT_PluginsManager.h"
#include "MainWindow.h"
#include "RunFolder.h"
#include "framework/DTButton.h"
#include "framework/PluginMessages.h"

#include <QDir>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "TestSuite.h"

namespace {
QByteArray classOf(QWidget* pWidget)
{
    return pWidget ? QByteArray(pWidget->metaObject()->className()) : QByteArray();
}

QStringList captions(DTTitleBar* pBar)
{
    QStringList list;
    for (QAbstractButton* pBtn : pBar->tabButtons())
        list << pBtn->objectName() + "=" + pBtn->text();
    return list;
}

// The panel of the camera page that is visible, and the colour in the middle of its image.
QWidget* shownPanel(MainWindow& window)
{
    for (QWidget* pPanel :
         window.mainFuncWidget()->findChildren<QWidget*>("CapturoUI", Qt::FindDirectChildrenOnly))
        if (pPanel->isVisible())
            return pPanel;
    return nullptr;
}

QColor shownColour(QWidget* pPanel)
{
    auto* pView = pPanel ? pPanel->findChild<QGraphicsView*>("graphicsView_Image") : nullptr;
    QGraphicsScene* pScene = pView ? pView->scene() : nullptr;
    if (!pScene || pScene->items().isEmpty())
        return QColor();
    QImage image(pScene->itemsBoundingRect().size().toSize(), QImage::Format_RGB32);
    QPainter painter(&image);
    pScene->render(&painter, QRectF(), pScene->itemsBoundingRect());
    painter.end();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

QPushButton* openButton(MainWindow& window, const QString& id)
{
    return window.mainWidget() ? window.mainWidget()->findChild<QPushButton*>("btn_Open_" + id) : nullptr;
}
} // namespace

class TestSystemStation : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void listOpenAndSwitch();

private:
    RunFolder m_run;
};

void TestSystemStation::initTestCase()
{
    qRegisterMetaType<PluginMetaData>("PluginMetaData");
    QStringList files{QString(STATION_STUB_FILE)};
    for (const char* name : {"capturo.so", "scanvor.so", "tool.so", "dossiva.so"})
        files << QDir(RunFolder::builtPluginDir()).filePath(name);
    QVERIFY(m_run.addPlugins(files));
    QVERIFY(m_run.enter());
}

void TestSystemStation::listOpenAndSwitch()
{
    MainWindow window(HostLifecycle(HostLifecycle::LoadPlugins, HostLifecycle::ReturnOnExit));
    window.resize(1280, 800);
    QCOMPARE(window.pluginsManager()->loadedPlugins().size(), 5);
    DTTitleBar* pBar = window.titleBar();

    // The search lists both cameras; a core that lists cameras takes the placeholders away.
    QCOMPARE(classOf(window.mainWidget()), QByteArray("CameraSearchUI"));
    QTRY_VERIFY_WITH_TIMEOUT(openButton(window, "cam-a") && openButton(window, "cam-a")->isVisible(), 15000);
    auto* pTable = window.mainWidget()->findChild<QTableWidget*>("tableWidget_Cameras");
    QCOMPARE(pTable->rowCount(), 2);
    QCOMPARE(pTable->item(0, 0)->text(), QString("Left view"));
    QCOMPARE(pTable->item(1, 0)->text(), QString("KV-U3"));
    QVERIFY(pBar->tabButtons().isEmpty());

    // Open the first: its tab comes, captioned with its name, and its page is shown.
    QTest::mouseClick(openButton(window, "cam-a"), Qt::LeftButton);
    QCOMPARE(captions(pBar), QStringList({"test_obj1=Left view"}));
    QCOMPARE(window.mainWidget(), window.cameraWidget());
    QTRY_VERIFY(shownPanel(window));
    QWidget* pPanelA = shownPanel(window);

    // Home: a new search shows the first camera open; open the second.
    QTest::mouseClick(pBar->homeButton(), Qt::LeftButton);
    QCOMPARE(classOf(window.mainWidget()), QByteArray("CameraSearchUI"));
    QTRY_VERIFY_WITH_TIMEOUT(openButton(window, "cam-b") && openButton(window, "cam-b")->isVisible(), 15000);
    QVERIFY(!openButton(window, "cam-a")->isEnabled());
    QTest::mouseClick(openButton(window, "cam-b"), Qt::LeftButton);
    QCOMPARE(captions(pBar), QStringList({"test_obj1=Left view", "test_obj=KV-U3 S200"}));
    QCOMPARE(window.mainWidget(), window.cameraWidget());
    QWidget* pPanelB = shownPanel(window);
    QVERIFY(pPanelB && pPanelB != pPanelA);

    // "photo" on each camera's page: each page shows its own camera's frame.
    QPushButton* pPhoto = window.findChild<QPushButton*>("photo");
    QVERIFY(pPhoto);
    pPhoto->click();
    QTRY_COMPARE(shownColour(pPanelB), QColor(40, 60, 200));
    QTest::mouseClick(pBar->tabButtons().at(0), Qt::LeftButton, {}, QPoint(60, 20));
    QCOMPARE(shownPanel(window), pPanelA);
    QVERIFY(!shownColour(pPanelA).isValid());
    pPhoto->click();
    QTRY_COMPARE(shownColour(pPanelA), QColor(200, 40, 40));
    QCOMPARE(shownColour(pPanelB), QColor(40, 60, 200));

    // The second tab's close mark closes that camera; the list offers it again.
    QAbstractButton* pTabB = pBar->tabButtons().at(1);
    QTest::mousePress(pTabB, Qt::LeftButton, {}, QPoint(pTabB->width() - 8, 20));
    QCOMPARE(captions(pBar), QStringList({"test_obj1=Left view"}));
    QCOMPARE(window.cameraTabs()->cameraIds(), QStringList({"cam-a"}));
    QCOMPARE(shownPanel(window), pPanelA);
    delete pTabB;
}

KELVORA_TEST_MAIN(TestSystemStation)
#include "tst_system_station.moc"
