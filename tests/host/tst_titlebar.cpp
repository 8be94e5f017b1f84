#include "DTTitleBar.h"
#include "DTToolBar.h"
#include "framework/DTButton.h"

#include <QButtonGroup>
#include <QFrame>
#include <QLabel>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include "TestSuite.h"

namespace {
QImage iconImage(const QIcon& icon)
{
    return icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage resourceImage(const char* path)
{
    return iconImage(QIcon(path));
}

DTButton* makeTab(const char* name)
{
    auto* pTab = new DTButton;
    pTab->setObjectName(name);
    pTab->setText(name);
    pTab->setIcon(QIcon(":/resources/camera.png"));
    return pTab;
}

// Presses a tab's close mark the way an operator does.
void pressCloseMark(QAbstractButton* pTab)
{
    QTest::mousePress(pTab, Qt::LeftButton, {}, QPoint(pTab->width() - 5, 20));
}
} // namespace

class TestTitleBar : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void buildsTheBar();
    void closingTabsClicksTheRightButton();
    void iconsFollowTabAndHomeClicks();
    void toolBarKeepsCheckedButtons();
};

void TestTitleBar::initTestCase()
{
    Q_INIT_RESOURCE(kelvora_host_icons);
    QVERIFY(!QIcon(":/resources/camera.png").isNull());
    // The icon checks below need distinguishable states.
    QVERIFY(resourceImage(":/resources/camera.png") != resourceImage(":/resources/camera_press.png"));
    QVERIFY(resourceImage(":/resources/homepage.png") != resourceImage(":/resources/homepage_press.png"));
}

void TestTitleBar::buildsTheBar()
{
    QWidget owner;
    DTTitleBar bar(&owner);
    QVERIFY(bar.parentWidget() == nullptr);
    bar.setTitle("kelvora");
    bar.setLogo(QIcon(":/resources/icon.png"));
    bar.setHomeIcon(QIcon(":/resources/homepage.png"), QIcon(), QIcon(), QSize(17, 17));

    auto* pTitle = bar.findChild<QLabel*>("window_title");
    QVERIFY(pTitle);
    QCOMPARE(pTitle->text(), QString("kelvora"));
    QCOMPARE(pTitle->minimumWidth(), 130);
    auto* pLogo = bar.findChild<QToolButton*>("window_logo");
    QVERIFY(pLogo);
    QCOMPARE(pLogo->size(), QSize(56, 44));
    QCOMPARE(pLogo->iconSize(), QSize(32, 18));
    QCOMPARE(bar.homeButton()->objectName(), QString("win_homepage"));
    QCOMPARE(bar.homeButton()->size(), QSize(60, 44));
    QCOMPARE(bar.homeButton()->iconSize(), QSize(17, 17));
    QVERIFY(bar.buttonGroup()->buttons().contains(bar.homeButton()));
    QVERIFY(bar.buttonGroup()->exclusive());

    bar.setWindowButtonIcons(QIcon(":/resources/min.png"), QIcon(":/resources/max.png"),
                             QIcon(":/resources/close.png"), QIcon(":/resources/min_hover.png"),
                             QIcon(":/resources/max_hover.png"), QIcon(":/resources/close_hover.png"),
                             QIcon(":/resources/min_press.png"), QIcon(":/resources/max_press.png"),
                             QIcon(":/resources/close_press.png"));
    QCOMPARE(bar.closeButton()->objectName(), QString("window_close"));
    QCOMPARE(bar.closeButton()->size(), QSize(36, 44));
    QCOMPARE(iconImage(bar.closeButton()->icon()), resourceImage(":/resources/close.png"));
    QCOMPARE(bar.minButton()->objectName(), QString("window_min"));
    QCOMPARE(bar.maxButton()->objectName(), QString("window_max"));

    // A plain title button is accepted but not placed.
    QPushButton extra;
    bar.addTitleButton(&extra);
    QVERIFY(extra.parentWidget() == nullptr);

    // clickHome: one real click, then clicked(false) once more.
    QSignalSpy homeSpy(bar.homeButton(), &QAbstractButton::clicked);
    bar.clickHome();
    QCOMPARE(homeSpy.count(), 2);
    QVERIFY(bar.homeButton()->isChecked());
}

void TestTitleBar::closingTabsClicksTheRightButton()
{
    DTTitleBar bar;
    bar.resize(1100, 44);
    DTButton* pA = makeTab("a");
    DTButton* pB = makeTab("b");
    DTButton* pC = makeTab("c");
    bar.addTabButton(pA, true);
    bar.addTabButton(pB, true);
    bar.addTabButton(pC, true);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QCOMPARE(pA->size(), QSize(200, 44));
    QVERIFY(pA->hasCloseMark());

    QSignalSpy homeSpy(bar.homeButton(), &QAbstractButton::clicked);
    QSignalSpy aSpy(pA, &QAbstractButton::clicked);
    QSignalSpy bSpy(pB, &QAbstractButton::clicked);

    // Third of three: the second one is clicked (a real click plus clicked(false)).
    pressCloseMark(pC);
    QCOMPARE(bSpy.count(), 2);
    QCOMPARE(homeSpy.count(), 0);
    QVERIFY(pB->isChecked());
    QCOMPARE(bar.tabButtons(), (QList<QAbstractButton*>{pA, pB}));
    QVERIFY(pC->parentWidget() == nullptr);
    QVERIFY(!pC->isVisible());
    QVERIFY(!bar.buttonGroup()->buttons().contains(pC));

    // First of several: home is clicked.
    pressCloseMark(pA);
    QCOMPARE(homeSpy.count(), 2);
    QCOMPARE(aSpy.count(), 0);
    QCOMPARE(bar.tabButtons(), (QList<QAbstractButton*>{pB}));
    QVERIFY(bar.homeButton()->isChecked());

    // The only tab: home again.
    bSpy.clear();
    pressCloseMark(pB);
    QCOMPARE(homeSpy.count(), 4);
    QCOMPARE(bSpy.count(), 0);
    QVERIFY(bar.tabButtons().isEmpty());

    // An unknown name changes nothing.
    bar.slotCloseTab("nope");
    QCOMPARE(homeSpy.count(), 4);

    // Closed tabs are detached, not deleted; they are ours to free here.
    delete pA;
    delete pB;
    delete pC;
}

void TestTitleBar::iconsFollowTabAndHomeClicks()
{
    DTTitleBar bar;
    bar.setHomeIcon(QIcon(":/resources/homepage.png"), QIcon(), QIcon(), QSize(17, 17));
    DTButton* pA = makeTab("a");
    DTButton* pB = makeTab("b");
    bar.addTabButton(pA, true);
    bar.addTabButton(pB, false);
    QVERIFY(!pB->hasCloseMark());

    const QImage camera = resourceImage(":/resources/camera.png");
    const QImage cameraPress = resourceImage(":/resources/camera_press.png");
    const QImage home = resourceImage(":/resources/homepage.png");
    const QImage homePress = resourceImage(":/resources/homepage_press.png");

    pB->click();
    QVERIFY(pB->isChecked());
    QVERIFY(!pA->isChecked());
    QVERIFY(!bar.homeButton()->isChecked());
    QCOMPARE(iconImage(pB->icon()), cameraPress);
    QCOMPARE(iconImage(pA->icon()), camera);
    QCOMPARE(iconImage(bar.homeButton()->icon()), home);

    pA->click();
    QCOMPARE(iconImage(pA->icon()), cameraPress);
    QCOMPARE(iconImage(pB->icon()), camera);

    bar.homeButton()->click();
    QVERIFY(bar.homeButton()->isChecked());
    QVERIFY(!pA->isChecked());
    QCOMPARE(iconImage(bar.homeButton()->icon()), homePress);
    QCOMPARE(iconImage(pA->icon()), camera);
    QCOMPARE(iconImage(pB->icon()), camera);
}

void TestTitleBar::toolBarKeepsCheckedButtons()
{
    DTToolBar toolBar;
    auto* pChecked = new QPushButton;
    pChecked->setCheckable(true);
    pChecked->setChecked(true);
    auto* pPlain = new QPushButton;
    const QIcon icon(":/resources/tool_task.png");

    toolBar.addButton("ignored", icon, pChecked, Qt::AlignLeft);
    toolBar.addSeparator();
    toolBar.addButton("ignored", QIcon(), pPlain, Qt::AlignRight);

    QVERIFY(pChecked->isCheckable());
    QVERIFY(pChecked->isChecked());
    QVERIFY(pPlain->isCheckable());
    QVERIFY(!pPlain->isChecked());
    QVERIFY(pChecked->text().isEmpty());
    QCOMPARE(pChecked->iconSize(), QSize(16, 16));
    QCOMPARE(iconImage(pChecked->icon()), iconImage(icon));
    QCOMPARE(toolBar.buttons(), (QList<QPushButton*>{pChecked, pPlain}));
    QCOMPARE(pChecked->parentWidget(), &toolBar);

    const QList<QFrame*> separators = toolBar.findChildren<QFrame*>();
    QCOMPARE(separators.size(), 1);
    QCOMPARE(separators.at(0)->frameShape(), QFrame::VLine);
    QCOMPARE(separators.at(0)->size(), QSize(1, 16));
}

KELVORA_TEST_MAIN(TestTitleBar)
#include "tst_titlebar.moc"
