#include "framework/DTButton.h"

#include <QCursor>
#include <QEnterEvent>
#include <QPixmap>
#include <QSignalSpy>
#include <QScreen>
#include <QtTest>

#include "TestSuite.h"

namespace {
QIcon solidIcon(Qt::GlobalColor color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
}

void sendEnter(QWidget* pWidget, QPoint globalPos)
{
    const QPointF local = pWidget->mapFromGlobal(globalPos);
    QEnterEvent enter(local, local, globalPos);
    QApplication::sendEvent(pWidget, &enter);
}

void sendLeave(QWidget* pWidget)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(pWidget, &leave);
}
} // namespace

class TestDTButton : public QObject
{
    Q_OBJECT
private slots:
    void closeZoneIsTheRightmost19Pixels();
    void iconFollowsHoverPressAndRelease();
    void hoverPopupPlacementAndLeaveRule();
};

void TestDTButton::closeZoneIsTheRightmost19Pixels()
{
    DTButton button(new QWidget); // the parent is ignored by design
    QVERIFY(button.parentWidget() == nullptr);
    QVERIFY(!button.hasCloseMark());
    button.setObjectName("tab_a");
    button.setFixedSize(200, 44);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));

    QSignalSpy closeSpy(&button, &DTButton::signalCloseTab);
    QSignalSpy clickSpy(&button, &QPushButton::clicked);

    // No close mark: the right end is an ordinary part of the button.
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(199, 20));
    QCOMPARE(closeSpy.count(), 0);
    QCOMPARE(clickSpy.count(), 1);

    button.setCloseMark(true);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(200 - 20, 20));
    QCOMPARE(closeSpy.count(), 0);

    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(200 - 19, 20));
    QCOMPARE(closeSpy.count(), 1);
    QCOMPARE(closeSpy.at(0).at(0).toString(), QString("tab_a"));
    // The press in the close zone still starts a normal press: the release clicks.
    QCOMPARE(clickSpy.count(), 3);

    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(199, 43));
    QCOMPARE(closeSpy.count(), 2);

    // The close image is part of the framework's own resources.
    const QImage withMark = button.grab().toImage();
    button.setCloseMark(false);
    const QImage withoutMark = button.grab().toImage();
    QVERIFY(withMark != withoutMark);
}

void TestDTButton::iconFollowsHoverPressAndRelease()
{
    DTButton button;
    button.resize(100, 40);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));

    const QIcon start = solidIcon(Qt::gray);
    button.setIcon(start);

    // Null states leave the current icon alone.
    sendEnter(&button, button.mapToGlobal(QPoint(10, 10)));
    QCOMPARE(button.icon().cacheKey(), start.cacheKey());
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(button.icon().cacheKey(), start.cacheKey());
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(10, 10));
    sendLeave(&button);
    QCOMPARE(button.icon().cacheKey(), start.cacheKey());

    const QIcon normal = solidIcon(Qt::white);
    const QIcon hover = solidIcon(Qt::yellow);
    const QIcon pressed = solidIcon(Qt::blue);
    button.setIcons(normal, hover, pressed);
    QCOMPARE(button.icon().cacheKey(), start.cacheKey()); // storing does not switch

    sendEnter(&button, button.mapToGlobal(QPoint(10, 10)));
    QCOMPARE(button.icon().cacheKey(), hover.cacheKey());
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(button.icon().cacheKey(), pressed.cacheKey());
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(button.icon().cacheKey(), normal.cacheKey());
    sendEnter(&button, button.mapToGlobal(QPoint(10, 10)));
    sendLeave(&button);
    QCOMPARE(button.icon().cacheKey(), normal.cacheKey());
}

void TestDTButton::hoverPopupPlacementAndLeaveRule()
{
    QWidget popup(nullptr, Qt::Popup);
    popup.resize(120, 80);
    DTButton button;
    button.resize(100, 40);
    button.move(600, 100);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    button.setHoverPopup(&popup);
    QCOMPARE(button.hoverPopup(), &popup);

    // Top-right corner of the pop-up at the pointer, size kept.
    const QPoint cursor(650, 120);
    sendEnter(&button, cursor);
    QVERIFY(popup.isVisible());
    QCOMPARE(popup.geometry(), QRect(650 - 120, 120, 120, 80));

    // Leaving onto the pop-up keeps it.
    QCursor::setPos(popup.geometry().center());
    QCOMPARE(QCursor::pos(), popup.geometry().center());
    sendLeave(&button);
    QVERIFY(popup.isVisible());

    // Leaving anywhere else hides it.
    QCursor::setPos(QPoint(900, 500));
    sendLeave(&button);
    QVERIFY(!popup.isVisible());

    // A disabled button never shows it.
    button.setEnabled(false);
    sendEnter(&button, cursor);
    QVERIFY(!popup.isVisible());
    button.setEnabled(true);
    sendEnter(&button, QPoint(700, 130));
    QVERIFY(popup.isVisible());
    QCOMPARE(popup.pos(), QPoint(700 - 120, 130));

    // Where it would run past the screen's bottom it opens above the pointer instead,
    // and it never starts left of the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    popup.hide();
    sendEnter(&button, QPoint(screen.left() + 300, screen.bottom() - 20));
    QCOMPARE(popup.geometry(), QRect(screen.left() + 300 - 120, screen.bottom() - 20 - 80, 120, 80));
    popup.hide();
    sendEnter(&button, QPoint(screen.left() + 50, screen.top() + 10));
    QCOMPARE(popup.geometry(), QRect(screen.left(), screen.top() + 10, 120, 80));
}

KELVORA_TEST_MAIN(TestDTButton)
#include "tst_dtbutton.moc"
