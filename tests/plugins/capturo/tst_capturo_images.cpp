// Image list and saving: file names, listing rules with saving on and off, video
// mode, the local-file source, thumbnail clicks, back/forward and the memory bounds.
#include "CapturoUI.h"
#include "DTGraphicsScene.h"
#include "LocalFolderLoader.h"
#include "SourceSwitch.h"

#include "framework/PluginMessages.h"

#include <QBuffer>
#include <QCheckBox>
#include <QImageReader>
#include <QGraphicsPixmapItem>
#include <QGraphicsView>
#include <QListWidget>
#include <QPointer>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>

class TestCapturoImages : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    CapturoUI* m_pPanel = nullptr;
    QString m_strChosenFolder;

    QString defaultFolder() const { return m_home.path() + "/Documents/kelvora/images"; }
    QListWidget* imageList() const { return m_pPanel->findChild<QListWidget*>("listWidget_Image"); }
    QGraphicsView* view() const { return m_pPanel->findChild<QGraphicsView*>("graphicsView_Image"); }
    QWidget* setting(const char* pName) const { return m_pPanel->imageSetting()->findChild<QWidget*>(pName); }

    static QPixmap frame(int nWidth, int nHeight, QColor color)
    {
        QPixmap pixmap(nWidth, nHeight);
        pixmap.fill(color);
        return pixmap;
    }

    // Size of the pixmap the view shows now.
    QSize shownSize() const
    {
        if (!m_pPanel->currentScene())
            return QSize();
        for (QGraphicsItem* pItem : m_pPanel->currentScene()->items())
            if (auto* pPixmapItem = qgraphicsitem_cast<QGraphicsPixmapItem*>(pItem))
                return pPixmapItem->pixmap().size();
        return QSize();
    }

    void switchSaving(bool bOn) { qobject_cast<QCheckBox*>(setting("checkBox"))->setChecked(bOn); }

private slots:
    void initTestCase()
    {
        qputenv("HOME", m_home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
    }

    void init()
    {
        QDir(defaultFolder()).removeRecursively();
        m_pPanel = new CapturoUI();
        m_pPanel->setFolderChooser([this](const QString&) { return m_strChosenFolder; });
        m_pPanel->resize(912, 799);
        m_pPanel->show();
    }

    void cleanup()
    {
        delete m_pPanel;
        m_pPanel = nullptr;
    }

    // The page's part of saving: the settings record for the service whenever a
    // setting changes, and a list of exactly the files the service reports written.
    void savingAndListing()
    {
        QList<PluginMetaData> sent;
        connect(m_pPanel, &CapturoUI::signalSendSignal, this, [&sent](PluginMetaData plt) {
            if (plt.nModule == MODULE_SERVICE && plt.nMsgId == MSG_SAVE_SETTINGS)
                sent << plt;
        });
        auto last = [&sent](const char* pField) {
            return sent.isEmpty() ? QJsonValue() : sent.last().jsonData[pField];
        };

        // Saving off: shown, nothing written, nothing listed.
        m_pPanel->showImage(frame(200, 100, Qt::red), "16");
        QVERIFY(m_pPanel->currentScene());
        QCOMPARE(imageList()->count(), 0);
        QCOMPARE(QDir(defaultFolder()).entryList(QDir::Files).size(), 0);
        QCOMPARE(m_pPanel->saveDir(), defaultFolder());

        // The switch enables the pop-up's controls and tells the service.
        QVERIFY(!setting("radio_Jpg")->isEnabled());
        switchSaving(true);
        QVERIFY(setting("radio_Jpg")->isEnabled());
        QVERIFY(m_pPanel->imageSetting()->isSaveEnabled());
        QCOMPARE(sent.size(), 1);
        QCOMPARE(last("enabled").toBool(), true);
        QCOMPARE(last("folder").toString(), defaultFolder());
        QCOMPARE(last("format").toString(), QString(".bmp"));
        QCOMPARE(last("type").toString(), QString("all"));

        // The page itself writes nothing and lists nothing for a frame it shows.
        m_pPanel->showImage(frame(200, 100, Qt::red), "17");
        QCOMPARE(QDir(defaultFolder()).entryList(QDir::Files).size(), 0);
        QCOMPARE(imageList()->count(), 0);
        // The service's report of the file written is listed.
        const QString qsBase = defaultFolder() + "//17";
        QVERIFY(frame(200, 100, Qt::red).save(qsBase + ".bmp"));
        m_pPanel->addSavedFrame(frame(70, 35, Qt::red), qsBase);
        QCOMPARE(imageList()->count(), 1);
        QListWidgetItem* pItem = imageList()->item(0);
        QCOMPARE(pItem->toolTip(), qsBase);
        QVERIFY(pItem->text().isEmpty());
        QCOMPARE(imageList()->iconSize(), QSize(70, 70));
        const QList<QSize> sizes = pItem->icon().availableSizes();
        QCOMPARE(sizes.size(), 1);
        QCOMPARE(sizes.first(), QSize(70, 35));

        // Jpg from now on; an old thumbnail falls back to its ".bmp" file.
        qobject_cast<QRadioButton*>(setting("radio_Jpg"))->click();
        QCOMPARE(m_pPanel->imageSetting()->imageFormat(), QString(".jpg"));
        QCOMPARE(last("format").toString(), QString(".jpg"));
        qobject_cast<QRadioButton*>(setting("radio_NG"))->click();
        QCOMPARE(last("type").toString(), QString("ng"));
        QVERIFY(frame(40, 30, Qt::blue).save(defaultFolder() + "//18.jpg"));
        m_pPanel->addSavedFrame(frame(40, 30, Qt::blue), defaultFolder() + "//18");
        QCOMPARE(imageList()->count(), 2);

        // Clicking shows the file at the current zoom, without fitting.
        m_pPanel->slotExpand();
        const QTransform zoomed = view()->transform();
        QTest::mouseClick(imageList()->viewport(), Qt::LeftButton, {},
                          imageList()->visualItemRect(imageList()->item(0)).center());
        QCOMPARE(shownSize(), QSize(200, 100));
        QCOMPARE(view()->transform(), zoomed);

        // Gone under both extensions: nothing changes.
        QFile::remove(defaultFolder() + "/17.bmp");
        QPointer<DTGraphicsScene> pBefore = m_pPanel->currentScene();
        m_pPanel->slotImageItemClicked(imageList()->item(0));
        QCOMPARE(m_pPanel->currentScene(), pBefore.data());

        // Video mode: saving off for the service while the switch stays on; back on after.
        m_pPanel->findChild<QCheckBox*>("checkBox_Video")->setChecked(true);
        QCOMPARE(last("enabled").toBool(), false);
        m_pPanel->showImage(frame(40, 30, Qt::green), "19");
        QCOMPARE(shownSize(), QSize(40, 30));
        m_pPanel->findChild<QCheckBox*>("checkBox_Video")->setChecked(false);
        QCOMPARE(last("enabled").toBool(), true);

        // A folder picked in the pop-up goes to the service at once.
        QTemporaryDir other;
        m_pPanel->imageSetting()->setFolderChooser([&other](const QString&) { return other.path(); });
        m_pPanel->imageSetting()->slotSaveFolder();
        QCOMPARE(m_pPanel->imageSetting()->savePath(), other.path());
        QCOMPARE(last("folder").toString(), other.path());

        // A cancelled dialog keeps the folder.
        const int nSent = sent.size();
        m_pPanel->imageSetting()->setFolderChooser([](const QString&) { return QString(); });
        m_pPanel->imageSetting()->slotSaveFolder();
        QCOMPARE(m_pPanel->imageSetting()->savePath(), other.path());
        QCOMPARE(sent.size(), nSent);

        switchSaving(false);
        QCOMPARE(last("enabled").toBool(), false);
    }

    // Open the local files and come back: the switch shows what saving does.
    void saveSwitchAfterLocalFiles()
    {
        QList<bool> enabled;
        connect(m_pPanel, &CapturoUI::signalSendSignal, this, [&enabled](PluginMetaData plt) {
            if (plt.nMsgId == MSG_SAVE_SETTINGS)
                enabled << plt.jsonData["enabled"].toBool();
        });
        switchSaving(true);
        m_strChosenFolder.clear();
        m_pPanel->findChild<QToolButton*>("toolBtn_LocalFile")->click();
        m_pPanel->findChild<QToolButton*>("toolBtn_Camera")->click();
        auto* pSwitch = qobject_cast<QCheckBox*>(setting("checkBox"));
        QVERIFY(!pSwitch->isChecked());
        QVERIFY(!m_pPanel->imageSetting()->isSaveEnabled());
        QVERIFY(!setting("radio_Jpg")->isEnabled());
        QCOMPARE(enabled.first(), true);
        QCOMPARE(enabled.last(), false);
        // One click turns it on again, as it shows.
        pSwitch->click();
        QVERIFY(m_pPanel->imageSetting()->isSaveEnabled());
        QCOMPARE(enabled.last(), true);
    }

    void localFileSource()
    {
        QTemporaryDir folder;
        const QString qsDir = folder.path();
        frame(30, 20, Qt::red).save(qsDir + "/upper.BMP", "BMP");
        frame(31, 21, Qt::red).save(qsDir + "/photo.jpg", "JPG");
        frame(32, 22, Qt::red).save(qsDir + "/other.png", "PNG");
        QDir(qsDir).mkdir("sub.bmp");
        frame(33, 23, Qt::red).save(qsDir + "/sub.bmp/inner.bmp", "BMP");

        switchSaving(true);
        m_strChosenFolder = qsDir;
        m_pPanel->findChild<QToolButton*>("toolBtn_LocalFile")->click();
        QTRY_COMPARE(shownSize(), QSize(31, 21));
        QCOMPARE(imageList()->count(), 1);
        QCOMPARE(imageList()->item(0)->toolTip(), qsDir + "/photo");
        QVERIFY(!m_pPanel->imageSetting()->isSaveEnabled());

        // Camera frames arriving now (continuous shooting goes on) leave the browsed
        // image and the list alone, and nothing is saved.
        QPointer<DTGraphicsScene> pBrowsed = m_pPanel->currentScene();
        for (int i = 0; i < 3; ++i)
            m_pPanel->showCameraFrame(frame(10, 10, Qt::blue), QString::number(42 + i));
        QCOMPARE(imageList()->count(), 1);
        QCOMPARE(m_pPanel->currentScene(), pBrowsed.data());
        QCOMPARE(shownSize(), QSize(31, 21));
        QCOMPARE(QDir(defaultFolder()).entryList(QDir::Files).size(), 0);

        // Only the extension is cut, so an image inside "sub.bmp/" finds its file again.
        m_strChosenFolder = qsDir + "/sub.bmp";
        m_pPanel->findChild<QToolButton*>("toolBtn_LocalFile")->click();
        QTRY_COMPARE(imageList()->count(), 1);
        QCOMPARE(imageList()->item(0)->toolTip(), qsDir + "/sub.bmp/inner");
        m_pPanel->showImage(QPixmap(), "blank");
        m_pPanel->slotImageItemClicked(imageList()->item(0));
        QCOMPARE(shownSize(), QSize(33, 23));

        // Back to the camera: the list is cleared, files stay, frames show again.
        m_pPanel->findChild<QToolButton*>("toolBtn_Camera")->click();
        QCOMPARE(imageList()->count(), 0);
        QVERIFY(QFileInfo::exists(qsDir + "/photo.jpg"));
        m_pPanel->showCameraFrame(frame(12, 10, Qt::blue), "50");
        QCOMPARE(shownSize(), QSize(12, 10));
    }

    // Video mode on: the loaded local images are displayed, not listed; off again,
    // the next visit lists them.
    void localImagesInVideoModeAreShownNotListed()
    {
        QTemporaryDir folder;
        frame(30, 20, Qt::red).save(folder.path() + "/a.bmp", "BMP");
        frame(31, 21, Qt::green).save(folder.path() + "/b.jpg", "JPG");
        m_strChosenFolder = folder.path();
        bool bFinished = false;
        connect(m_pPanel->folderLoader(), &LocalFolderLoader::signalFinished, this,
                [&bFinished] { bFinished = true; });
        m_pPanel->findChild<QCheckBox*>("checkBox_Video")->setChecked(true);
        m_pPanel->findChild<QToolButton*>("toolBtn_LocalFile")->click();
        QTRY_VERIFY_WITH_TIMEOUT(bFinished, 20000);
        QTRY_VERIFY(shownSize() == QSize(30, 20) || shownSize() == QSize(31, 21));
        QCOMPARE(imageList()->count(), 0);

        m_pPanel->findChild<QToolButton*>("toolBtn_Camera")->click();
        m_pPanel->findChild<QCheckBox*>("checkBox_Video")->setChecked(false);
        bFinished = false;
        m_pPanel->findChild<QToolButton*>("toolBtn_LocalFile")->click();
        QTRY_VERIFY_WITH_TIMEOUT(bFinished, 20000);
        QTRY_COMPARE(imageList()->count(), 2);
    }

    // A big folder opens while the window keeps answering: the event loop turns
    // all through the load, thumbnails arrive in folder order, and the last image
    // ends up shown, fitted.
    void aThousandImagesNeverStallTheWindow()
    {
        QTemporaryDir folder;
        QImage image(640, 480, QImage::Format_RGB32);
        for (int i = 0; i < 1000; ++i) {
            image.fill(QColor::fromHsv(i % 360, 200, 200));
            QVERIFY(image.save(folder.filePath(QString("img%1.jpg").arg(i)), "JPG", 50));
        }
        const QVector<SourceSwitch::LocalImage> order = SourceSwitch::localImages(folder.path());
        QCOMPARE(order.size(), 1000);
        image = QImage(300, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        QVERIFY(image.save(order.last().qsPath, "JPG"));

        QList<int> indexes;
        connect(m_pPanel->folderLoader(), &LocalFolderLoader::signalThumbnail, this,
                [&indexes](int nIndex, QImage, QString) { indexes << nIndex; });
        bool bFinished = false;
        connect(m_pPanel->folderLoader(), &LocalFolderLoader::signalFinished, this,
                [&bFinished] { bFinished = true; });
        QElapsedTimer clock;
        qint64 nLastTick = 0;
        qint64 nLongestGap = 0;
        // Ticks of the event loop between thumbnails: counted while the load runs.
        int nTicksWhileLoading = 0;
        QTimer ticks;
        connect(&ticks, &QTimer::timeout, this, [&] {
            nLongestGap = qMax(nLongestGap, clock.elapsed() - nLastTick);
            nLastTick = clock.elapsed();
            if (!indexes.isEmpty() && !bFinished)
                ++nTicksWhileLoading;
        });
        clock.start();
        ticks.start(5);
        m_strChosenFolder = folder.path();
        m_pPanel->findChild<QToolButton*>("toolBtn_LocalFile")->click();
        QTRY_VERIFY_WITH_TIMEOUT(bFinished, 120000);
        ticks.stop();
        qInfo("1000 images in %lld ms, %d ticks while loading, longest gap between ticks %lld ms",
              clock.elapsed(), nTicksWhileLoading, nLongestGap);
        // Loading happens off the GUI thread: the event loop keeps turning between
        // the thumbnails. Loaded on the GUI thread, the thumbnails would all come
        // before the loop turned again. The gap is this machine's figure.
        QVERIFY2(nTicksWhileLoading >= 5, qPrintable(QString::number(nTicksWhileLoading)));

        QCOMPARE(imageList()->count(), 1000);
        QList<int> expected;
        for (int i = 0; i < 1000; ++i) {
            expected << i;
            QCOMPARE(imageList()->item(i)->toolTip(), order[i].qsName);
        }
        QCOMPARE(indexes, expected);
        // Icon-sized only.
        QCOMPARE(imageList()->item(0)->icon().availableSizes().value(0), QSize(70, 52));
        QCOMPARE(shownSize(), QSize(300, 200));
    }

    // A few hundred bytes whose header claims 16000x16000: refused by its size
    // before decoding, with a status naming it; memory stays where it was.
    void aDecompressionBombIsRefused()
    {
        QTemporaryDir folder;
        QByteArray jpeg;
        {
            QBuffer buffer(&jpeg);
            buffer.open(QIODevice::WriteOnly);
            QImage small(16, 16, QImage::Format_RGB32);
            small.fill(Qt::gray);
            QVERIFY(small.save(&buffer, "JPG"));
        }
        // The frame header's height and width, as big as a 16-bit field allows here.
        const int nSof = jpeg.indexOf(QByteArray("\xff\xc0", 2));
        QVERIFY(nSof > 0);
        for (int nOffset : {5, 7}) {
            jpeg[nSof + nOffset] = char(16000 >> 8);
            jpeg[nSof + nOffset + 1] = char(16000 & 0xff);
        }
        QFile bomb(folder.filePath("bomb.jpg"));
        QVERIFY(bomb.open(QIODevice::WriteOnly));
        bomb.write(jpeg);
        bomb.close();
        QVERIFY(jpeg.size() < 1000);
        QCOMPARE(QImageReader(bomb.fileName()).size(), QSize(16000, 16000));
        frame(20, 10, Qt::red).save(folder.filePath("fine.bmp"));

        const auto residentMiB = [] {
            QFile statm("/proc/self/statm");
            statm.open(QIODevice::ReadOnly);
            return statm.readAll().split(' ').value(1).toLongLong() * 4096 / (1024 * 1024);
        };
        const qint64 nStart = residentMiB();
        qint64 nPeak = nStart;
        QTimer sample;
        connect(&sample, &QTimer::timeout, this, [&] { nPeak = qMax(nPeak, residentMiB()); });
        sample.start(1);
        bool bFinished = false;
        connect(m_pPanel->folderLoader(), &LocalFolderLoader::signalFinished, this,
                [&bFinished] { bFinished = true; });
        QListWidget* pResults = m_pPanel->findChild<QListWidget*>("listWidget_ShowResult");
        const int nResults = pResults->count();
        m_strChosenFolder = folder.path();
        m_pPanel->findChild<QToolButton*>("toolBtn_LocalFile")->click();
        QTRY_VERIFY_WITH_TIMEOUT(bFinished, 20000);
        QTest::qWait(20);
        nPeak = qMax(nPeak, residentMiB());
        QVERIFY2(nPeak - nStart < 200, qPrintable(QString("%1 MiB more").arg(nPeak - nStart)));

        QCOMPARE(imageList()->count(), 1);
        QCOMPARE(imageList()->item(0)->toolTip(), folder.filePath("fine"));
        QCOMPARE(shownSize(), QSize(20, 10));
        QCOMPARE(pResults->count(), nResults + 1);
        QVERIFY(pResults->item(nResults)->text().contains(bomb.fileName()));
        QVERIFY(pResults->item(nResults)->text().contains("16000x16000"));
        QCOMPARE(pResults->item(nResults)->foreground().color(), QColor(238, 70, 59));

        // Clicking a thumbnail whose file became a bomb meanwhile refuses it as well.
        QVERIFY(QFile::remove(folder.filePath("fine.bmp")));
        QVERIFY(QFile::copy(bomb.fileName(), folder.filePath("fine.bmp.jpg")));
        QVERIFY(QFile::rename(folder.filePath("fine.bmp.jpg"), folder.filePath("fine.jpg")));
        m_pPanel->slotImageItemClicked(imageList()->item(0));
        QCOMPARE(pResults->count(), nResults + 2);
        QCOMPARE(shownSize(), QSize(20, 10));
        QVERIFY(residentMiB() - nStart < 200);
    }

    void backAndForward()
    {
        switchSaving(true);
        for (int i = 1; i <= 3; ++i) {
            const QString qsName = defaultFolder() + "//" + QString::number(100 + i);
            QVERIFY(frame(10 * i, 10, Qt::gray).save(qsName + ".bmp"));
            m_pPanel->addSavedFrame(frame(10 * i, 10, Qt::gray), qsName);
        }
        m_pPanel->slotExpand();
        const QTransform zoomed = view()->transform();

        m_pPanel->slotShowNextImage(); // nothing picked yet: stays on the live frame
        QCOMPARE(imageList()->currentRow(), -1);
        m_pPanel->slotShowPreviousImage();
        QCOMPARE(imageList()->currentRow(), 2);
        QCOMPARE(shownSize(), QSize(30, 10));
        m_pPanel->slotShowPreviousImage();
        m_pPanel->slotShowPreviousImage();
        m_pPanel->slotShowPreviousImage(); // at the oldest: stays
        QCOMPARE(imageList()->currentRow(), 0);
        QCOMPARE(shownSize(), QSize(10, 10));
        m_pPanel->slotShowNextImage();
        QCOMPARE(imageList()->currentRow(), 1);
        QCOMPARE(shownSize(), QSize(20, 10));
        QCOMPARE(view()->transform(), zoomed);
    }

    void thumbnailLook()
    {
        switchSaving(false);
        m_strChosenFolder.clear();
        m_pPanel->findChild<QToolButton*>("toolBtn_LocalFile")->click();
        for (int i = 0; i < 3; ++i)
            m_pPanel->showImage(frame(64, 64, Qt::darkGray), QString("/some/folder/image_%1").arg(i));
        QListWidget* pList = imageList();
        QTRY_VERIFY(pList->isVisible());

        // The picked entry is marked in the page's accent blue, not the style's own.
        pList->setCurrentRow(1);
        const QRect itemRect = pList->visualItemRect(pList->item(1));
        const QImage strip = pList->viewport()->grab().toImage();
        const QColor marked = strip.pixelColor(itemRect.topLeft() + QPoint(1, 1));
        const QColor base = strip.pixelColor(itemRect.topLeft() - QPoint(4, -1));
        QCOMPARE(base, QColor(32, 29, 29));
        const double dAlpha = 110 / 255.0;
        const QColor accent(qRound(32 + (115 - 32) * dAlpha), qRound(29 + (129 - 29) * dAlpha),
                            qRound(29 + (255 - 29) * dAlpha));
        QVERIFY2(qAbs(marked.red() - accent.red()) <= 3 && qAbs(marked.green() - accent.green()) <= 3
                     && qAbs(marked.blue() - accent.blue()) <= 3,
                 qPrintable(marked.name()));

        // An entry's tool tip is light text on a dark ground: readable.
        QHelpEvent help(QEvent::ToolTip, itemRect.center(),
                        pList->viewport()->mapToGlobal(itemRect.center()));
        QApplication::sendEvent(pList->viewport(), &help);
        QWidget* pTip = nullptr;
        QTRY_VERIFY((pTip = [] {
            for (QWidget* pWidget : QApplication::topLevelWidgets())
                if (pWidget->inherits("QTipLabel") && pWidget->isVisible())
                    return pWidget;
            return static_cast<QWidget*>(nullptr);
        }()));
        QCOMPARE(pTip->property("text").toString(), QString("/some/folder/image_1"));
        const QImage tip = pTip->grab().toImage();
        const QColor ground = tip.pixelColor(tip.width() / 2, 2);
        int nBrightest = 0;
        for (int y = 0; y < tip.height(); ++y)
            for (int x = 0; x < tip.width(); ++x)
                nBrightest = qMax(nBrightest, qGray(tip.pixel(x, y)));
        QVERIFY2(qGray(ground.rgb()) < 90, qPrintable(ground.name()));
        QVERIFY2(nBrightest - qGray(ground.rgb()) > 120, qPrintable(QString::number(nBrightest)));
        QToolTip::hideText();
    }

    void memoryBounds()
    {
        // Each new image frees the scene it replaces.
        m_pPanel->showImage(frame(64, 48, Qt::red), "a");
        QPointer<DTGraphicsScene> pOld = m_pPanel->currentScene();
        m_pPanel->showImage(frame(64, 48, Qt::red), "b");
        QVERIFY(pOld.isNull());

        // The strip keeps the newest thumbnails only (local source lists without saving).
        m_strChosenFolder.clear();
        m_pPanel->findChild<QToolButton*>("toolBtn_LocalFile")->click();
        const QPixmap tiny = frame(4, 4, Qt::white);
        for (int i = 0; i < CapturoUI::MaxThumbnails + 5; ++i)
            m_pPanel->showImage(tiny, QString::number(i));
        QCOMPARE(imageList()->count(), CapturoUI::MaxThumbnails);
        QCOMPARE(imageList()->item(0)->toolTip(), QString("5"));
        QCOMPARE(imageList()->item(CapturoUI::MaxThumbnails - 1)->toolTip(),
                 QString::number(CapturoUI::MaxThumbnails + 4));
    }
};

QTEST_MAIN(TestCapturoImages)
#include "tst_capturo_images.moc"
