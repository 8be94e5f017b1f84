// Image view: zoom limits, fit, rotation across frames and the mouse read-out. Runs
// under Xvfb, where the cursor can be placed and the screen grabbed.
#include "CapturoUI.h"
#include "DTGraphicsScene.h"

#include "ViewOptions.h"

#include <QAction>
#include <QGraphicsView>
#include <QMenu>
#include <QScrollBar>
#include <QLabel>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QtTest>

class TestCapturoView : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    CapturoUI* m_pPanel = nullptr;

    QGraphicsView* view() const { return m_pPanel->findChild<QGraphicsView*>("graphicsView_Image"); }
    double scale() const { return view()->transform().mapRect(QRectF(0, 0, 1, 1)).width(); }

    static QPixmap frame(int nWidth, int nHeight, QColor color = Qt::darkCyan)
    {
        QPixmap pixmap(nWidth, nHeight);
        pixmap.fill(color);
        return pixmap;
    }

    void moveMouse(QPoint viewportPos)
    {
        QWidget* pViewport = view()->viewport();
        const QPoint global = pViewport->mapToGlobal(viewportPos);
        QCursor::setPos(global);
        QMouseEvent event(QEvent::MouseMove, viewportPos, global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(pViewport, &event);
    }

private slots:
    void initTestCase()
    {
        qputenv("HOME", m_home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
    }

    void init()
    {
        m_pPanel = new CapturoUI();
        m_pPanel->resize(912, 799);
        m_pPanel->move(0, 0);
        m_pPanel->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pPanel));
    }

    void cleanup()
    {
        delete m_pPanel;
        m_pPanel = nullptr;
    }

    void zoomLimits()
    {
        // Nothing to act on before the first image.
        m_pPanel->slotExpand();
        m_pPanel->slotRotate();
        m_pPanel->slotFitIn();
        QVERIFY(view()->transform().isIdentity());

        m_pPanel->showImage(frame(100, 80), "1");
        view()->resetTransform();
        for (int i = 0; i < 8; ++i)
            m_pPanel->slotExpand();
        QVERIFY(qFuzzyCompare(scale(), 3.5831808));

        view()->resetTransform();
        for (int i = 0; i < 7; ++i)
            m_pPanel->slotNarrow();
        QVERIFY(qFuzzyCompare(scale(), 0.262144));

        // The bounds hold for the absolute scale, also after a fit outside them.
        view()->setTransform(QTransform::fromScale(0.3, 0.3));
        m_pPanel->slotNarrow();
        QVERIFY(qFuzzyCompare(scale(), 0.3));
        m_pPanel->slotExpand();
        QVERIFY(qFuzzyCompare(scale(), 0.36));
        view()->setTransform(QTransform::fromScale(4.5, 4.5));
        m_pPanel->slotExpand();
        QVERIFY(qFuzzyCompare(scale(), 4.5));
    }

    // "保持缩放" off (the default): every frame is fitted. On: frames of the same size
    // keep the operator's zoom, position and rotation until fit is pressed or the
    // frame size changes.
    void keepZoomHoldsTheViewForLiveFrames()
    {
        QAction* pKeep = m_pPanel->viewOptions()->keepZoomAction();
        QCOMPARE(pKeep->objectName(), QString("action_KeepZoom"));
        QCOMPARE(pKeep->text(), QString::fromUtf8("保持缩放"));
        QVERIFY(pKeep->isCheckable() && !pKeep->isChecked());
        QVERIFY(m_pPanel->viewOptions()->menu()->actions().contains(pKeep));

        m_pPanel->showImage(frame(1000, 800), "1");
        const double dFitted = scale();
        m_pPanel->slotExpand();
        m_pPanel->slotExpand();
        m_pPanel->showImage(frame(1000, 800), "2");
        QVERIFY(qFuzzyCompare(scale(), dFitted));

        pKeep->trigger();
        for (int i = 0; i < 4; ++i)
            m_pPanel->slotExpand();
        m_pPanel->slotRotate();
        view()->horizontalScrollBar()->setValue(view()->horizontalScrollBar()->maximum() / 3);
        view()->verticalScrollBar()->setValue(view()->verticalScrollBar()->maximum() / 4);
        const QTransform zoomed = view()->transform();
        const int nX = view()->horizontalScrollBar()->value();
        const int nY = view()->verticalScrollBar()->value();
        QVERIFY(scale() > dFitted * 2);
        for (int i = 0; i < 25; ++i)
            m_pPanel->showImage(frame(1000, 800, i % 2 ? Qt::darkCyan : Qt::darkRed),
                                QString::number(10 + i));
        QCOMPARE(view()->transform(), zoomed);
        QCOMPARE(view()->horizontalScrollBar()->value(), nX);
        QCOMPARE(view()->verticalScrollBar()->value(), nY);

        // Fit pressed: fitted, and the next frames keep that.
        m_pPanel->slotFitIn();
        const QTransform fitted = view()->transform();
        m_pPanel->showImage(frame(1000, 800), "40");
        QCOMPARE(view()->transform(), fitted);

        // Another frame size is fitted afresh.
        m_pPanel->slotExpand();
        m_pPanel->showImage(frame(500, 300), "41");
        const QRect viewport = view()->viewport()->rect();
        const QRectF shown = view()->mapFromScene(QRectF(0, 0, 500, 300)).boundingRect();
        QVERIFY(shown.width() >= viewport.width() - 4 || shown.height() >= viewport.height() - 4);
        QVERIFY(shown.width() <= viewport.width() + 1 && shown.height() <= viewport.height() + 1);

        // Off again: every frame fitted as before.
        pKeep->trigger();
        m_pPanel->slotExpand();
        m_pPanel->showImage(frame(500, 300), "42");
        const QRectF again = view()->mapFromScene(QRectF(0, 0, 500, 300)).boundingRect();
        QVERIFY(again.width() <= viewport.width() + 1 && again.height() <= viewport.height() + 1);
    }

    void fitAndRotation()
    {
        m_pPanel->showImage(frame(1000, 800), "1");
        const QRect viewport = view()->viewport()->rect();
        QRectF shown = view()->mapFromScene(QRectF(0, 0, 1000, 800)).boundingRect();
        QVERIFY(shown.width() <= viewport.width() + 1 && shown.height() <= viewport.height() + 1);
        QVERIFY(shown.width() >= viewport.width() - 4 || shown.height() >= viewport.height() - 4);
        const double dFitted = scale();

        m_pPanel->slotExpand();
        m_pPanel->slotFitIn();
        QVERIFY(qFuzzyCompare(scale(), dFitted));

        // Two quarter turns, then a new frame: shown upside down and fitted again.
        m_pPanel->slotRotate();
        m_pPanel->slotRotate();
        m_pPanel->showImage(frame(400, 300), "2");
        const QTransform transform = view()->transform();
        QVERIFY(transform.m11() < 0 && transform.m22() < 0);
        QVERIFY(qAbs(transform.m12()) < 1e-9 && qAbs(transform.m21()) < 1e-9);
        shown = view()->mapFromScene(QRectF(0, 0, 400, 300)).boundingRect();
        QVERIFY(shown.width() >= viewport.width() - 4 || shown.height() >= viewport.height() - 4);

        // A null picture is an empty scene; fitting it leaves the transform alone.
        m_pPanel->showImage(QPixmap(), "3");
        QVERIFY(m_pPanel->currentScene()->itemsBoundingRect().isEmpty());
        QCOMPARE(view()->transform(), transform);
    }

    void readOut()
    {
        QLabel* pLabel = m_pPanel->findChild<QLabel*>("lbl_imageResult");
        QVERIFY(pLabel->text().isEmpty());
        m_pPanel->slotGetPos(QColor(255, 0, 16), 12.5, 3);
        QCOMPARE(pLabel->text(), QString("x:12.5 , y:3     R:255 G:0 B:16"));
        m_pPanel->slotGetPos(QColor(1, 2, 3), 1234567.0, -0.25);
        QCOMPARE(pLabel->text(), QString("x:1.23457e+06 , y:-0.25     R:1 G:2 B:3"));

        // Each move reports where the pointer is now, in image pixels, after zoom and
        // rotation, with the colour the screen shows there.
        // Zoomed in, so that every image pixel spans more than one screen pixel.
        m_pPanel->showImage(frame(200, 150, QColor(200, 40, 90)), "1");
        view()->resetTransform();
        m_pPanel->slotExpand();
        m_pPanel->slotExpand();
        m_pPanel->slotRotate();
        QTest::qWait(50);
        const QList<QPointF> pixels = {{100, 50}, {150, 100}, {0, 0}, {199, 149}};
        for (const QPointF& pixel : pixels) {
            moveMouse(view()->mapFromScene(pixel + QPointF(0.5, 0.5)));
            const QStringList parts = pLabel->text().split(QRegularExpression("[:, ]+"), Qt::SkipEmptyParts);
            QCOMPARE(parts.size(), 10);
            QCOMPARE(parts.mid(4), (QStringList{"R", "200", "G", "40", "B", "90"}));
            const QPointF shown(parts[1].toDouble(), parts[3].toDouble());
            QVERIFY2(qFloor(shown.x()) == pixel.x() && qFloor(shown.y()) == pixel.y(),
                     qPrintable(pLabel->text()));
        }

        // Off the image, but still over the view: no position at all.
        const QRectF imageOnView = view()->mapFromScene(QRectF(0, 0, 200, 150)).boundingRect();
        QVERIFY(imageOnView.left() > 10);
        moveMouse(QPoint(3, 3));
        QCOMPARE(pLabel->text(), QString("光标在图像外"));
        moveMouse(view()->mapFromScene(QPointF(10.5, 10.5)));
        QVERIFY(pLabel->text().startsWith("x:10"));
        // Just past the image's last row, which the quarter turn shows on the left.
        moveMouse(view()->mapFromScene(QPointF(100, 151)));
        QCOMPARE(pLabel->text(), QString("光标在图像外"));

        // Leaving the view leaves no stale position behind.
        moveMouse(view()->mapFromScene(QPointF(10.5, 10.5)));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(view()->viewport(), &leave);
        QCOMPARE(pLabel->text(), QString("光标在图像外"));
    }
};

QTEST_MAIN(TestCapturoView)
#include "tst_capturo_view.moc"
