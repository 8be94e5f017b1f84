// The histogram the operator judges exposure by: exact bins on small frames, the
// sampling grid on large ones, and a worker that never falls behind a fast stream.
#include "CapturoUI.h"
#include "HistogramOverlay.h"
#include "HistogramWorker.h"
#include "ImageHistogram.h"
#include "ViewOptions.h"

#include <QAction>
#include <QMenu>

#include <QGraphicsView>
#include <QtTest>

class TstCapturoHistogram : public QObject
{
    Q_OBJECT

private slots:
    void colourFrameCountsEveryChannel()
    {
        QImage image(3, 2, QImage::Format_RGB32);
        image.setPixel(0, 0, qRgb(0, 0, 0));
        image.setPixel(1, 0, qRgb(255, 10, 20));
        image.setPixel(2, 0, qRgb(10, 10, 20));
        image.setPixel(0, 1, qRgb(0, 0, 1));
        image.setPixel(1, 1, qRgb(0, 0, 0));
        image.setPixel(2, 1, qRgb(128, 255, 255));
        const ImageHistogram h = ImageHistogram::compute(image);
        QVERIFY(!h.isGrey());
        QCOMPARE(h.step(), 1);
        QCOMPARE(h.sampled(), quint64(6));
        QCOMPARE(h.channel(0)[0], 3u);
        QCOMPARE(h.channel(0)[10], 1u);
        QCOMPARE(h.channel(0)[128], 1u);
        QCOMPARE(h.channel(0)[255], 1u);
        QCOMPARE(h.channel(1)[10], 2u);
        QCOMPARE(h.channel(1)[255], 1u);
        QCOMPARE(h.channel(2)[20], 2u);
        QCOMPARE(h.channel(2)[1], 1u);
        QCOMPARE(h.channel(2)[0], 2u);
        // (255,10,20) and (128,255,255) are clipped; only the two all-zero pixels are black.
        QCOMPARE(h.saturated(), quint64(2));
        QCOMPARE(h.black(), quint64(2));
        quint64 nTotal = 0;
        for (quint32 n : h.channel(1))
            nTotal += n;
        QCOMPARE(nTotal, quint64(6));
    }

    void greyFrameIsOneCurve_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("Grayscale8") << int(QImage::Format_Grayscale8);
        QTest::newRow("RGB32 with equal channels") << int(QImage::Format_RGB32);
        QTest::newRow("RGB888 with equal channels") << int(QImage::Format_RGB888);
    }
    void greyFrameIsOneCurve()
    {
        QFETCH(int, format);
        QImage grey(4, 4, QImage::Format_Grayscale8);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                grey.scanLine(y)[x] = uchar(x == 0 ? 0 : x == 3 ? 255 : 100 + y);
        const ImageHistogram h = ImageHistogram::compute(grey.convertToFormat(QImage::Format(format)));
        QVERIFY(h.isGrey());
        QCOMPARE(h.channel(0)[0], 4u);
        QCOMPARE(h.channel(0)[255], 4u);
        QCOMPARE(h.channel(0)[100], 2u);
        QCOMPARE(h.channel(0)[103], 2u);
        QCOMPARE(h.saturated(), quint64(4));
        QCOMPARE(h.black(), quint64(4));
    }

    void largeFrameIsSampledOnAGrid()
    {
        // 2048x2048 with at most 64k samples: every 8th pixel of every 8th row.
        QImage image(2048, 2048, QImage::Format_Grayscale8);
        image.fill(50);
        for (int y = 0; y < 2048; y += 8)
            image.scanLine(y)[0] = 255;
        const ImageHistogram h = ImageHistogram::compute(image, 64 * 1024);
        QCOMPARE(h.step(), 8);
        QCOMPARE(h.sampled(), quint64(256 * 256));
        QCOMPARE(h.saturated(), quint64(256));
        QCOMPARE(h.estimate(h.saturated()), quint64(256 * 64));
        QCOMPARE(h.channel(0)[50], quint32(256 * 256 - 256));
        QVERIFY(ImageHistogram::compute(QImage()).isNull());
    }

    void workerReportsTheNewestFrameAtItsPace()
    {
        HistogramWorker worker(100);
        QList<ImageHistogram> results;
        connect(&worker, &HistogramWorker::signalHistogramReady, this,
                [&](const ImageHistogram& h) { results << h; });
        auto valueOf = [](const ImageHistogram& h) {
            for (int n = 0; n < 256; ++n)
                if (h.channel(0)[size_t(n)] == 64u * 64u)
                    return n;
            return -1;
        };
        QImage frame(64, 64, QImage::Format_Grayscale8);
        // The first frame is computed at once; the 199 that follow before the
        // event loop runs again replace each other while it runs or its interval
        // lasts: one more histogram, the newest (two, should the burst outlast
        // an interval on a busy machine), not 199.
        for (int nValue = 1; nValue <= 200; ++nValue) {
            frame.fill(uint(nValue));
            worker.submit(frame.copy());
        }
        QTRY_VERIFY_WITH_TIMEOUT(!results.isEmpty() && valueOf(results.last()) == 200, 20000);
        QVERIFY2(results.size() >= 2 && results.size() <= 3, qPrintable(QString::number(results.size())));
        QCOMPARE(valueOf(results[0]), 1);

        // A further burst: its first frame is computed at once or, within the
        // interval, waits and is replaced; either way the newest comes last.
        for (int nValue = 201; nValue <= 250; ++nValue) {
            frame.fill(uint(nValue));
            worker.submit(frame.copy());
        }
        const int nBefore = results.size();
        QTRY_VERIFY_WITH_TIMEOUT(valueOf(results.last()) == 250, 20000);
        QVERIFY2(results.size() - nBefore <= 2, qPrintable(QString::number(results.size() - nBefore)));
        // Nothing waits any more, so nothing more comes.
        const int nSettled = results.size();
        QTest::qWait(300);
        QCOMPARE(results.size(), nSettled);
    }

    // Off until the operator asks, from the view's context menu; then it follows
    // whatever the view shows, and switching it off hides it again.
    void pageHistogramFromTheContextMenu()
    {
        CapturoUI page;
        page.resize(1280, 760);
        page.show();
        ViewOptions* pOptions = page.viewOptions();
        QVERIFY(pOptions);
        QCOMPARE(pOptions->menu()->actions().size(), 4);
        QVERIFY(!pOptions->histogramAction()->isChecked());
        QVERIFY(!pOptions->keepZoomAction()->isChecked());
        QVERIFY(!pOptions->figuresAction()->isChecked());
        HistogramOverlay* pOverlay = pOptions->histogramOverlay();

        QImage frame(40, 30, QImage::Format_RGB32);
        frame.fill(qRgb(255, 255, 255));
        page.showImage(QPixmap::fromImage(frame), "1");
        QTest::qWait(50);
        QVERIFY(!pOverlay->isVisible());
        QVERIFY(pOverlay->histogram().isNull());

        // Switched on: the image already on screen is counted at once.
        pOptions->histogramAction()->trigger();
        QVERIFY(pOverlay->isVisible());
        QTRY_COMPARE(pOverlay->histogram().saturated(), quint64(40 * 30));
        QCOMPARE(pOverlay->saturatedText(), QString::fromUtf8("饱和像素: 1200"));

        frame.fill(qRgb(0, 0, 0));
        page.showImage(QPixmap::fromImage(frame), "2");
        QTRY_COMPARE(pOverlay->histogram().black(), quint64(40 * 30));
        QCOMPARE(pOverlay->blackText(), QString::fromUtf8("黑色像素: 1200"));

        pOptions->histogramAction()->trigger();
        QVERIFY(!pOverlay->isVisible());
        QSignalSpy figures(pOptions, &ViewOptions::signalFiguresToggled);
        pOptions->figuresAction()->trigger();
        QCOMPARE(figures.size(), 1);
        QCOMPARE(figures.at(0).at(0).toBool(), true);
    }

    // The histogram is small and see-through, in the corner the operator picks from
    // the same menu; it stays in that corner of the picture when the page resizes.
    void histogramCornerFromTheMenu()
    {
        CapturoUI page;
        page.resize(1280, 760);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        ViewOptions* pOptions = page.viewOptions();
        HistogramOverlay* pOverlay = pOptions->histogramOverlay();
        auto* pView = page.findChild<QGraphicsView*>("graphicsView_Image");
        QVERIFY(pView);
        QImage frame(640, 480, QImage::Format_RGB32);
        frame.fill(qRgb(128, 128, 128));
        page.showImage(QPixmap::fromImage(frame), "1");
        pOptions->histogramAction()->trigger();
        QVERIFY(pOverlay->isVisible());
        // A small part of the picture only.
        const QRect viewport = pView->viewport()->geometry();
        QVERIFY(pOverlay->width() * pOverlay->height() * 12 < viewport.width() * viewport.height());

        const QMenu* pCorners = pOptions->menu()->findChild<QMenu*>("menu_HistogramCorner");
        QVERIFY(pCorners);
        QCOMPARE(pCorners->actions().size(), 4);
        QCOMPARE(pOptions->histogramCorner(), ViewOptions::TopRight);
        QVERIFY(pOptions->cornerAction(ViewOptions::TopRight)->isChecked());
        auto inCorner = [&](ViewOptions::Corner eCorner) {
            const QRect area = pView->viewport()->geometry();
            const QRect box = pOverlay->geometry();
            if (!area.contains(box))
                return false;
            const bool bLeft = eCorner == ViewOptions::TopLeft || eCorner == ViewOptions::BottomLeft;
            const bool bTop = eCorner == ViewOptions::TopLeft || eCorner == ViewOptions::TopRight;
            const int nDx = bLeft ? box.left() - area.left() : area.right() - box.right();
            const int nDy = bTop ? box.top() - area.top() : area.bottom() - box.bottom();
            return nDx >= 0 && nDx <= 16 && nDy >= 0 && nDy <= 16;
        };
        QVERIFY(inCorner(ViewOptions::TopRight));
        for (ViewOptions::Corner eCorner : {ViewOptions::BottomLeft, ViewOptions::BottomRight,
                                            ViewOptions::TopLeft, ViewOptions::TopRight}) {
            pOptions->cornerAction(eCorner)->trigger();
            QCOMPARE(pOptions->histogramCorner(), eCorner);
            QVERIFY(pOptions->cornerAction(eCorner)->isChecked());
            QVERIFY2(inCorner(eCorner), qPrintable(QString::number(int(eCorner))));
        }
        pOptions->cornerAction(ViewOptions::BottomRight)->trigger();
        page.resize(1000, 700);
        QTRY_VERIFY(inCorner(ViewOptions::BottomRight));
        // See-through: a mid-grey picture shows through the box's dark background
        // as more than a third of its brightness.
        pView->setBackgroundBrush(QColor(128, 128, 128));
        const QImage shot = pView->grab().toImage();
        const QPoint inside = pOverlay->geometry().topLeft() + QPoint(pOverlay->width() / 2, 4);
        const QColor seen = shot.pixelColor(inside);
        QVERIFY2(seen.red() > 50, qPrintable(seen.name()));
    }
};

QTEST_MAIN(TstCapturoHistogram)
#include "tst_capturo_histogram.moc"
