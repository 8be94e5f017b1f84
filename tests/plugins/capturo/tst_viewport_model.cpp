// The image view's geometry without a view: zoom limits, fit, rotation and the
// pointer-to-image mapping, from data tables.
#include "ViewPortModel.h"

#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(QTransform)

namespace {
bool near(double dA, double dB)
{
    return std::abs(dA - dB) <= 1e-9 * qMax(1.0, std::abs(dB));
}
}

class TestViewPortModel : public QObject
{
    Q_OBJECT

private slots:
    void zoomSteps_data()
    {
        QTest::addColumn<double>("dStart");
        QTest::addColumn<double>("dRotation");
        QTest::addColumn<bool>("bIn");
        QTest::addColumn<int>("nSteps");
        QTest::addColumn<int>("nTaken");
        QTest::addColumn<double>("dEnd");

        // From 1.0, seven steps in fit below 4.0, the eighth (4.29981696) does not.
        QTest::newRow("in from 1") << 1.0 << 0.0 << true << 8 << 7 << 3.5831808;
        // From 1.0, six steps out stay above 0.25, the seventh (0.2097152) does not.
        QTest::newRow("out from 1") << 1.0 << 0.0 << false << 7 << 6 << 0.262144;
        // A fit below the lower bound: out is refused, in is taken.
        QTest::newRow("out from 0.3") << 0.3 << 0.0 << false << 1 << 0 << 0.3;
        QTest::newRow("in from 0.3") << 0.3 << 0.0 << true << 1 << 1 << 0.36;
        // Above the upper bound only steps back towards it are taken.
        QTest::newRow("in from 4.5") << 4.5 << 0.0 << true << 1 << 0 << 4.5;
        QTest::newRow("out from 4.5") << 4.5 << 0.0 << false << 1 << 1 << 3.6;
        // A step that stays outside is refused, even towards the bounds.
        QTest::newRow("far below") << 0.1 << 0.0 << true << 1 << 0 << 0.1;
        // The bounds themselves are allowed.
        QTest::newRow("down onto 4.0") << 5.0 << 0.0 << false << 1 << 1 << 4.0;
        QTest::newRow("onto 0.25") << 0.3125 << 0.0 << false << 2 << 1 << 0.25;
        // A quarter turn makes the transform's diagonal zero; the scale must still count.
        QTest::newRow("rotated in") << 1.0 << 90.0 << true << 8 << 7 << 3.5831808;
        QTest::newRow("rotated out") << 1.0 << 270.0 << false << 7 << 6 << 0.262144;
        QTest::newRow("upside down") << 0.3 << 180.0 << false << 1 << 0 << 0.3;
    }

    void zoomSteps()
    {
        QFETCH(double, dStart);
        QFETCH(double, dRotation);
        QFETCH(bool, bIn);
        QFETCH(int, nSteps);
        QFETCH(int, nTaken);
        QFETCH(double, dEnd);

        QTransform start = QTransform::fromScale(dStart, dStart);
        start.rotate(dRotation);
        ViewPortModel model(start);
        int nApplied = 0;
        for (int i = 0; i < nSteps; ++i) {
            const QTransform before = model.transform();
            const bool bTaken = bIn ? model.zoomIn() : model.zoomOut();
            if (bTaken)
                ++nApplied;
            else
                QCOMPARE(model.transform(), before); // a refused step changes nothing
        }
        QCOMPARE(nApplied, nTaken);
        QVERIFY2(near(model.scale(), dEnd), qPrintable(QString::number(model.scale(), 'g', 12)));
        // Zooming never turns the image.
        QTransform expected = QTransform::fromScale(dEnd, dEnd);
        expected.rotate(dRotation);
        QVERIFY(near(model.transform().m11(), expected.m11()));
        QVERIFY(near(model.transform().m12(), expected.m12()));
        QVERIFY(near(model.transform().m21(), expected.m21()));
    }

    void fit_data()
    {
        QTest::addColumn<QTransform>("start");
        QTest::addColumn<QRectF>("image");
        QTest::addColumn<QRectF>("viewport");
        QTest::addColumn<bool>("bFitted");
        QTest::addColumn<double>("dScale");
        QTest::addColumn<double>("dRotation");

        const QRectF viewport(0, 0, 604, 404); // 600 x 400 inside the margins
        QTest::newRow("wide image") << QTransform() << QRectF(0, 0, 1000, 800) << viewport << true << 0.5
                                    << 0.0;
        QTest::newRow("tall image") << QTransform() << QRectF(0, 0, 300, 800) << viewport << true << 0.5
                                    << 0.0;
        QTest::newRow("small image grows")
            << QTransform() << QRectF(0, 0, 60, 40) << viewport << true << 10.0 << 0.0;
        // The zoom before the fit does not matter, a turn is kept; turned a quarter,
        // the 1000 x 800 image is 800 wide and 1000 high on screen.
        QTest::newRow("zoomed") << QTransform::fromScale(3.2, 3.2) << QRectF(0, 0, 1000, 800) << viewport
                                << true << 0.5 << 0.0;
        QTest::newRow("quarter turn")
            << QTransform().rotate(90) << QRectF(0, 0, 1000, 800) << viewport << true << 0.4 << 90.0;
        QTest::newRow("half turn, zoomed") << QTransform::fromScale(0.3, 0.3).rotate(180)
                                           << QRectF(0, 0, 1000, 800) << viewport << true << 0.5 << 180.0;
        // A null picture gives a null rectangle: nothing to fit, nothing changes.
        QTest::newRow("null image") << QTransform::fromScale(2, 2) << QRectF() << viewport << false << 2.0
                                    << 0.0;
        // A degenerate transform has no scale to reset.
        QTest::newRow("collapsed") << QTransform::fromScale(0, 0) << QRectF(0, 0, 10, 10) << viewport << false
                                   << 0.0 << 0.0;
    }

    void fit()
    {
        QFETCH(QTransform, start);
        QFETCH(QRectF, image);
        QFETCH(QRectF, viewport);
        QFETCH(bool, bFitted);
        QFETCH(double, dScale);
        QFETCH(double, dRotation);

        ViewPortModel model(start);
        QCOMPARE(model.fit(image, viewport), bFitted);
        if (!bFitted) {
            QCOMPARE(model.transform(), start);
            return;
        }
        QVERIFY2(near(model.scale(), dScale), qPrintable(QString::number(model.scale(), 'g', 12)));
        const QTransform expected = QTransform::fromScale(dScale, dScale).rotate(dRotation);
        QVERIFY(near(model.transform().m11(), expected.m11()));
        QVERIFY(near(model.transform().m12(), expected.m12()));
        QVERIFY(near(model.transform().m21(), expected.m21()));
        QVERIFY(near(model.transform().m22(), expected.m22()));
        // The fitted image fills the viewport's inner width or height and exceeds neither.
        const QRectF shown = model.transform().mapRect(image);
        const QRectF inner = viewport.adjusted(2, 2, -2, -2);
        QVERIFY(shown.width() <= inner.width() + 1e-6 && shown.height() <= inner.height() + 1e-6);
        QVERIFY(near(shown.width(), inner.width()) || near(shown.height(), inner.height()));
    }

    void rotation_data()
    {
        QTest::addColumn<int>("nTurns");
        QTest::addColumn<QPointF>("corner"); // where the image point (1, 0) goes

        QTest::newRow("none") << 0 << QPointF(1, 0);
        // Clockwise on screen, with y pointing down.
        QTest::newRow("one") << 1 << QPointF(0, 1);
        QTest::newRow("two") << 2 << QPointF(-1, 0);
        QTest::newRow("three") << 3 << QPointF(0, -1);
        QTest::newRow("full turn") << 4 << QPointF(1, 0);
        QTest::newRow("five") << 5 << QPointF(0, 1);
    }

    void rotation()
    {
        QFETCH(int, nTurns);
        QFETCH(QPointF, corner);

        ViewPortModel model(QTransform::fromScale(2, 2));
        for (int i = 0; i < nTurns; ++i)
            model.rotate();
        const QPointF mapped = model.transform().map(QPointF(1, 0));
        QVERIFY(qAbs(mapped.x() - 2 * corner.x()) < 1e-9 && qAbs(mapped.y() - 2 * corner.y()) < 1e-9);
        QVERIFY(near(model.scale(), 2.0));
    }

    void imagePosition_data()
    {
        QTest::addColumn<QTransform>("viewportTransform");
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<bool>("bOnImage");
        QTest::addColumn<QPointF>("expected");

        // A 640 x 480 image throughout.
        QTest::newRow("unzoomed") << QTransform() << QPointF(10, 10) << true << QPointF(10, 10);
        QTest::newRow("origin") << QTransform() << QPointF(0, 0) << true << QPointF(0, 0);
        QTest::newRow("right edge is off") << QTransform() << QPointF(640, 10) << false << QPointF();
        QTest::newRow("last pixel") << QTransform() << QPointF(639.5, 479.5) << true << QPointF(639.5, 479.5);
        QTest::newRow("left of image") << QTransform() << QPointF(-0.5, 10) << false << QPointF();
        // Zoomed twice and scrolled by (100, 50): viewport (20, 30) is image (60, 40).
        QTest::newRow("zoomed, scrolled")
            << QTransform::fromScale(2, 2) * QTransform::fromTranslate(-100, -50) << QPointF(20, 30) << true
            << QPointF(60, 40);
        // Centred small: the view shifts the image right by 80.
        QTest::newRow("zoomed out, centred")
            << QTransform::fromScale(0.5, 0.5) * QTransform::fromTranslate(80, 0) << QPointF(90, 5) << true
            << QPointF(20, 10);
        QTest::newRow("beside centred image")
            << QTransform::fromScale(0.5, 0.5) * QTransform::fromTranslate(80, 0) << QPointF(70, 5) << false
            << QPointF();
        // A quarter turn: image x runs down the screen, image y to the left, so the
        // image's top-left corner is on the right; with 480 of scrolling it sits at x 480.
        QTest::newRow("quarter turn") << QTransform().rotate(90) * QTransform::fromTranslate(480, 0)
                                      << QPointF(470, 30) << true << QPointF(30, 10);
        QTest::newRow("quarter turn, off") << QTransform().rotate(90) * QTransform::fromTranslate(480, 0)
                                           << QPointF(490, 30) << false << QPointF();
        QTest::newRow("half turn, zoomed")
            << QTransform::fromScale(2, 2).rotate(180) * QTransform::fromTranslate(1280, 960)
            << QPointF(1270, 950) << true << QPointF(5, 5);
        QTest::newRow("collapsed") << QTransform::fromScale(0, 0) << QPointF(0, 0) << false << QPointF();
    }

    void imagePosition()
    {
        QFETCH(QTransform, viewportTransform);
        QFETCH(QPointF, pointer);
        QFETCH(bool, bOnImage);
        QFETCH(QPointF, expected);

        const std::optional<QPointF> pos = ViewPortModel::imagePosition(viewportTransform, pointer,
                                                                        QSizeF(640, 480));
        QCOMPARE(pos.has_value(), bOnImage);
        if (bOnImage) {
            QVERIFY2(qAbs(pos->x() - expected.x()) < 1e-9 && qAbs(pos->y() - expected.y()) < 1e-9,
                     qPrintable(QString("%1, %2").arg(pos->x()).arg(pos->y())));
        }
    }
};

QTEST_APPLESS_MAIN(TestViewPortModel)
#include "tst_viewport_model.moc"
