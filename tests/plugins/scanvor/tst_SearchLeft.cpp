// The home page's search as the real window runs it, when the operator leaves the
// home page before the bar is full: a camera tab clicked during the search keeps
// its page, and the home button searches anew.
#include "DTTitleBar.h"
#include "MainWindow.h"
#include "RunFolder.h"
#include "framework/DTButton.h"
#include "framework/PluginMetaData.h"

#include <QDir>
#include <QProgressBar>
#include <QtTest>

#include "TestSuite.h"

namespace {
QByteArray classOf(QWidget* pWidget)
{
    return pWidget ? QByteArray(pWidget->metaObject()->className()) : QByteArray();
}
} // namespace

class TestSearchLeft : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cameraTabDuringTheSearchKeepsItsPage();

private:
    RunFolder m_run;
};

void TestSearchLeft::initTestCase()
{
    qRegisterMetaType<PluginMetaData>("PluginMetaData");
    QVERIFY(m_run.addPlugins({QDir(RunFolder::builtPluginDir()).filePath("scanvor.so")}));
    QVERIFY(m_run.enter());
}

void TestSearchLeft::cameraTabDuringTheSearchKeepsItsPage()
{
    MainWindow window(HostLifecycle(HostLifecycle::LoadPlugins, HostLifecycle::ReturnOnExit));
    QCOMPARE(classOf(window.mainWidget()), QByteArray("CameraSearchUI"));
    QWidget* pSearch = window.mainWidget();
    auto* pBar = pSearch->findChild<QProgressBar*>("progressBar_Search");
    QVERIFY(pBar && pBar->value() < 100);
    QAbstractButton* pTab = window.titleBar()->tabButtons().value(0);
    QVERIFY(pTab);
    QTest::mouseClick(pTab, Qt::LeftButton, {}, QPoint(12, pTab->height() / 2));
    QCOMPARE(window.mainWidget(), window.cameraWidget());

    // The bar fills unseen; the camera page stays.
    QTRY_COMPARE_WITH_TIMEOUT(pBar->value(), 100, 5000);
    QTest::qWait(200);
    QCOMPARE(window.mainWidget(), window.cameraWidget());

    QTest::mouseClick(window.titleBar()->homeButton(), Qt::LeftButton);
    QCOMPARE(window.mainWidget(), pSearch);
    QVERIFY(pBar->value() < 100);
    QTRY_COMPARE_WITH_TIMEOUT(classOf(window.mainWidget()), "CameraSearchNotFoundUI", 5000);
}

KELVORA_TEST_MAIN(TestSearchLeft)
#include "tst_SearchLeft.moc"
