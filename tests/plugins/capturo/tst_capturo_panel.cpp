// Parameter panel: edits, sliders, camera ranges and values, trigger mode, video mode
// and the enabling rules of the two data sources.
#include "CapturoUI.h"
#include "CommandLog.h"
#include "SliderRanges.h"

#include "framework/PluginMessages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <QScrollBar>
#include <QtTest>

class TestCapturoPanel : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    CapturoUI* m_pPanel = nullptr;
    CommandLog m_log;

    template <typename T>
    T* child(const char* pName) const
    {
        T* pChild = m_pPanel->findChild<T*>(QLatin1String(pName));
        if (!pChild)
            qFatal("missing child %s", pName);
        return pChild;
    }

    static CameraInfo rangesInfo()
    {
        CameraInfo info;
        info.nExposureMin = 10;
        info.nExposureMax = 100000;
        info.fGainMin = 1.5f;
        info.fGainMax = 24.9f;
        info.nDebounceMin = 0;
        info.nDebounceMax = 500;
        info.fTriggerGapMin = 1.0f;
        info.fTriggerGapMax = 1000.7f;
        return info;
    }

    void enter(const char* pEdit, const QString& text)
    {
        QLineEdit* pLineEdit = child<QLineEdit>(pEdit);
        pLineEdit->setText(text);
        QTest::keyClick(pLineEdit, Qt::Key_Return);
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
        m_pPanel->setFolderChooser([](const QString&) { return QString(); });
        connect(m_pPanel, &CapturoUI::signalSendSignal, &m_log, &CommandLog::slotRecord);
        m_pPanel->show();
        m_log.clear();
    }

    void cleanup()
    {
        delete m_pPanel;
        m_pPanel = nullptr;
    }

    void constructionState()
    {
        QCOMPARE(m_pPanel->objectName(), QString("CapturoUI"));
        QListWidget* pResults = child<QListWidget>("listWidget_ShowResult");
        QCOMPARE(pResults->count(), 1);
        QCOMPARE(pResults->item(0)->text(), QString("Init"));
        QCOMPARE(pResults->item(0)->foreground().color(), QColor(238, 70, 59));
        QVERIFY(child<QToolButton>("toolBtn_Camera")->isChecked());
        QVERIFY(child<QRadioButton>("radioBtn_Out")->isChecked());
        QVERIFY(child<QSlider>("horizontalSlider_QD")->isVisible());
        QVERIFY(!child<QSlider>("horizontalSlider_Trigger_Gap")->isVisible());
        QVERIFY(!child<QLineEdit>("plainText_Trigger_Gap")->isVisible());
        QCOMPARE(child<QSlider>("horizontalSlider_Gain")->maximum(), 99);
        QVERIFY(!child<QLineEdit>("plainText_Gain")->validator());
        QCOMPARE(child<QComboBox>("comboBox_trigger_type")->count(), 2);
        QCOMPARE(child<QComboBox>("comboBox_trigger_type")->itemText(1), QString(" 下降沿 "));
        QVERIFY(!child<QPushButton>("btn_ImageSetting")->isVisible());
        QPushButton* pSave = child<QPushButton>("btn_Save_ImageSetting");
        QVERIFY(pSave->isVisible());
        QCOMPARE(pSave->text(), QString("图像保存设置"));
        QCOMPARE(child<QPushButton>("btn_ImageList")->text(), QString("图像列表"));
        QCOMPARE(m_pPanel->saveDir(), QString(".//Logs"));
        QCOMPARE(m_pPanel->imageSetting()->savePath(), m_home.path() + "/Documents/kelvora/images");
        QVERIFY(QDir(m_pPanel->imageSetting()->savePath()).exists());
        QVERIFY(m_log.records.isEmpty());
    }

    void enterInEditFields()
    {
        QSlider* pGain = child<QSlider>("horizontalSlider_Gain");
        pGain->setValue(5);
        m_log.clear();

        // Before any ranges: an emptied field becomes the slider minimum (0), the slider
        // follows and sends its own command, then the edit's command goes out.
        enter("plainText_Gain", "  ");
        QCOMPARE(child<QLineEdit>("plainText_Gain")->text(), QString("0"));
        QCOMPARE(pGain->value(), 0);
        QCOMPARE(m_log.idValues(), (QList<IdValue>{{MSG_SET_GAIN, 0}, {MSG_SET_GAIN, 0}}));
        for (const PluginMetaData& plt : m_log.records) {
            QCOMPARE(plt.nModule, int(MODULE_SERVICE));
            QCOMPARE(plt.varData.userType(), int(QMetaType::Int));
            QVERIFY(plt.jsonData.isEmpty());
        }

        // Non-numeric text is accepted before ranges and sent as 0.
        m_log.clear();
        enter("plainText_Gain", "abc");
        QCOMPARE(m_log.idValues(), (QList<IdValue>{{MSG_SET_GAIN, 0}}));

        // An out-of-range value is clamped by the slider; the command carries the clamp.
        m_log.clear();
        enter("plainText_Quick", "250");
        QCOMPARE(m_log.idValues(), (QList<IdValue>{{MSG_SET_EXPOSURE, 99}, {MSG_SET_EXPOSURE, 99}}));

        // Debounce and trigger interval send only their own command on Enter.
        m_log.clear();
        enter("plainText_QD", "40");
        QCOMPARE(child<QSlider>("horizontalSlider_QD")->value(), 40);
        QCOMPARE(m_log.idValues(), (QList<IdValue>{{MSG_SET_DEBOUNCE, 40}}));
        m_log.clear();
        enter("plainText_Trigger_Gap", "12");
        QCOMPARE(m_log.idValues(), (QList<IdValue>{{MSG_SET_TRIGGER_GAP, 12}}));

        // With ranges in force an emptied or non-numeric field is not sent: it is
        // refused and shows the slider's value again.
        m_pPanel->applyCameraInfo(rangesInfo());
        m_log.clear();
        enter("plainText_Gain", "");
        QCOMPARE(child<QLineEdit>("plainText_Gain")->text(), QString("1"));
        enter("plainText_QD", "");
        enter("plainText_Gain", "x");
        QVERIFY(m_log.records.isEmpty());
        enter("plainText_Gain", "7");
        QCOMPARE(m_log.idValues(), (QList<IdValue>{{MSG_SET_GAIN, 7}, {MSG_SET_GAIN, 7}}));
    }

    void cameraRanges()
    {
        m_pPanel->applyCameraInfo(rangesInfo());
        QSlider* pGain = child<QSlider>("horizontalSlider_Gain");
        QCOMPARE(pGain->minimum(), 1);
        QCOMPARE(pGain->maximum(), 24);
        const auto* pValidator = qobject_cast<const QIntValidator*>(
            child<QLineEdit>("plainText_Gain")->validator());
        QVERIFY(pValidator);
        QCOMPARE(pValidator->bottom(), 1);
        QCOMPARE(pValidator->top(), 24);
        QCOMPARE(child<QSlider>("horizontalSlider_Quick")->maximum(), 100000);
        QCOMPARE(child<QSlider>("horizontalSlider_QD")->maximum(), 500);
        QCOMPARE(child<QSlider>("horizontalSlider_Trigger_Gap")->minimum(), 1);
        QCOMPARE(child<QSlider>("horizontalSlider_Trigger_Gap")->maximum(), 1000);
        // Raising the minimums clamped every slider from 0: the edits follow, and no
        // clamp is sent to the camera as a setting.
        QVERIFY(m_log.records.isEmpty());
        QCOMPARE(child<QSlider>("horizontalSlider_Quick")->value(), 10);
        QCOMPARE(child<QLineEdit>("plainText_Quick")->text(), QString("10"));
        QCOMPARE(child<QLineEdit>("plainText_Gain")->text(), QString("1"));
        QCOMPARE(child<QLineEdit>("plainText_Trigger_Gap")->text(), QString("1"));

        // A second reply replaces ranges and validators; an exposure range beyond int
        // saturates instead of wrapping negative.
        CameraInfo wide = rangesInfo();
        wide.nExposureMax = 0xFFFFFFF0u;
        m_pPanel->applyCameraInfo(wide);
        QCOMPARE(child<QSlider>("horizontalSlider_Quick")->maximum(), INT_MAX);
        QCOMPARE(m_pPanel->findChildren<QIntValidator*>().size(), 4);

        QCOMPARE(truncToInt(1.9), 1);
        QCOMPARE(truncToInt(-1.9), -1);
        QCOMPARE(truncToInt(std::nan("")), 0);
        QCOMPARE(truncToInt(1e20), INT_MAX);
    }

    void sliderCommands()
    {
        m_pPanel->applyCameraInfo(rangesInfo());
        QSlider* pGain = child<QSlider>("horizontalSlider_Gain");
        pGain->setValue(3);
        m_log.clear();
        for (int i = 0; i < 4; ++i)
            pGain->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(
            m_log.idValues(),
            (QList<IdValue>{{MSG_SET_GAIN, 4}, {MSG_SET_GAIN, 5}, {MSG_SET_GAIN, 6}, {MSG_SET_GAIN, 7}}));
        QCOMPARE(child<QLineEdit>("plainText_Gain")->text(), QString("7"));

        m_log.clear();
        QSlider* pQuick = child<QSlider>("horizontalSlider_Quick");
        pQuick->setValue(100);
        QTest::keyClick(pQuick, Qt::Key_Right);
        QCOMPARE(m_log.idValues(), (QList<IdValue>{{MSG_SET_EXPOSURE, 100}, {MSG_SET_EXPOSURE, 101}}));
        QCOMPARE(child<QLineEdit>("plainText_Quick")->text(), QString("101"));

        m_log.clear();
        QSlider* pQD = child<QSlider>("horizontalSlider_QD");
        for (int i = 0; i < 5; ++i)
            pQD->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QSlider* pGap = child<QSlider>("horizontalSlider_Trigger_Gap");
        pGap->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QVERIFY(m_log.records.isEmpty());
        QCOMPARE(child<QLineEdit>("plainText_QD")->text(), QString("5"));
        QCOMPARE(child<QLineEdit>("plainText_Trigger_Gap")->text(), QString("11"));
    }

    void cameraValues()
    {
        m_pPanel->applyCameraInfo(rangesInfo());
        CameraParams params;
        params.fGain = 3.7f;
        params.nExposure = 12345;
        params.nTriggerMode = 0;
        params.fTriggerGap = 12.5f;
        child<QRadioButton>("radioBtn_Inner")->click();
        m_log.clear();
        m_pPanel->applyCameraParams(params);
        // The camera's values on screen, nothing sent back: the gain is shown as it is
        // and its slider stands at the whole part.
        QVERIFY(m_log.records.isEmpty());
        QCOMPARE(child<QSlider>("horizontalSlider_Gain")->value(), 3);
        QCOMPARE(child<QLineEdit>("plainText_Gain")->text(), QString("3.7"));
        QCOMPARE(child<QSlider>("horizontalSlider_Quick")->value(), 12345);
        QCOMPARE(child<QLineEdit>("plainText_Quick")->text(), QString("12345"));
        QCOMPARE(child<QSlider>("horizontalSlider_Trigger_Gap")->value(), 12);
        QCOMPARE(child<QLineEdit>("plainText_Trigger_Gap")->text(), QString("12.5"));
        // External trigger read back while internal was shown: its rows come with it.
        QVERIFY(child<QRadioButton>("radioBtn_Out")->isChecked());
        QVERIFY(child<QSlider>("horizontalSlider_QD")->isVisible());
        QVERIFY(child<QComboBox>("comboBox_trigger_type")->isVisible());
        QVERIFY(!child<QSlider>("horizontalSlider_Trigger_Gap")->isVisible());
        QCOMPARE(child<QLabel>("lbl_capturo_3")->text(), QString("去抖设置(毫秒)"));

        // Internal trigger read back the other way.
        params.nTriggerMode = 1;
        m_pPanel->applyCameraParams(params);
        QVERIFY(child<QRadioButton>("radioBtn_Inner")->isChecked());
        QVERIFY(!child<QRadioButton>("radioBtn_Out")->isChecked());
        QVERIFY(child<QLineEdit>("plainText_Trigger_Gap")->isVisible());
        QVERIFY(!child<QLineEdit>("plainText_QD")->isVisible());
        QVERIFY(!child<QComboBox>("comboBox_trigger_type")->isVisible());
        QCOMPARE(child<QLabel>("lbl_capturo_3")->text(), QString("触发间隔(毫秒)"));

        // The debounce time has a read of its own.
        m_pPanel->applyDebounce(50);
        QCOMPARE(child<QSlider>("horizontalSlider_QD")->value(), 50);
        QCOMPARE(child<QLineEdit>("plainText_QD")->text(), QString("50"));
        QVERIFY(m_log.records.isEmpty());

        // Enter on a value the camera reported sends nothing: 3.7 would go out as 3.
        QTest::keyClick(child<QLineEdit>("plainText_Gain"), Qt::Key_Return);
        QVERIFY(m_log.records.isEmpty());
        QCOMPARE(child<QLineEdit>("plainText_Gain")->text(), QString("3.7"));
        // The operator's own moves still go out.
        QTest::keyClick(child<QSlider>("horizontalSlider_Gain"), Qt::Key_Right);
        QCOMPARE(m_log.idValues(), (QList<IdValue>{{MSG_SET_GAIN, 4}}));
    }

    void refusedInput()
    {
        m_pPanel->applyCameraInfo(rangesInfo());
        CameraParams params;
        params.fGain = 3.7f;
        params.nExposure = 500;
        params.fTriggerGap = 20.0f;
        m_pPanel->applyCameraParams(params);
        // More status lines than the list shows at once.
        for (int i = 0; i < 30; ++i)
            m_pPanel->addResult(QString::number(i), true);
        QListWidget* pResults = child<QListWidget>("listWidget_ShowResult");
        const int nBefore = pResults->count();
        m_log.clear();

        // A gain above the camera's range can be typed, and Enter says why it is not
        // taken; the box shows the camera's value again and nothing is sent.
        QLineEdit* pGain = child<QLineEdit>("plainText_Gain");
        pGain->selectAll();
        QTest::keyClicks(pGain, "30");
        QCOMPARE(pGain->text(), QString("30"));
        QTest::keyClick(pGain, Qt::Key_Return);
        QVERIFY(m_log.records.isEmpty());
        QCOMPARE(pGain->text(), QString("3.7"));
        QCOMPARE(child<QSlider>("horizontalSlider_Gain")->value(), 3);
        QCOMPARE(pResults->count(), nBefore + 1);
        QListWidgetItem* pLine = pResults->item(nBefore);
        QCOMPARE(pLine->text(), QString("增益 30 超出范围 1 - 24"));
        QCOMPARE(pLine->foreground().color(), QColor(238, 70, 59));
        // The answer to the operator's input is scrolled into view.
        QTRY_VERIFY(pResults->viewport()->rect().intersects(pResults->visualItemRect(pLine)));

        // Below the range, and an emptied box, the same way.
        QLineEdit* pQuick = child<QLineEdit>("plainText_Quick");
        pQuick->selectAll();
        QTest::keyClicks(pQuick, "5");
        QTest::keyClick(pQuick, Qt::Key_Enter);
        QCOMPARE(pQuick->text(), QString("500"));
        QCOMPARE(pResults->item(nBefore + 1)->text(), QString("快门速度 5 超出范围 10 - 100000"));
        pGain->clear();
        QTest::keyClick(pGain, Qt::Key_Return);
        QCOMPARE(pGain->text(), QString("3.7"));
        QCOMPARE(pResults->item(nBefore + 2)->text(), QString("增益应为 1 - 24 的整数"));
        QVERIFY(m_log.records.isEmpty());

        // Letters are still kept out as they are typed; a fraction is refused on Enter.
        pGain->selectAll();
        QTest::keyClicks(pGain, "a");
        QCOMPARE(pGain->text(), QString("3.7"));
        pGain->selectAll();
        QTest::keyClicks(pGain, "2.5");
        QTest::keyClick(pGain, Qt::Key_Return);
        QCOMPARE(pGain->text(), QString("3.7"));
        QCOMPARE(pResults->item(nBefore + 3)->text(), QString("增益应为 1 - 24 的整数"));

        // After a value the operator sent, a refusal goes back to that value.
        pGain->selectAll();
        QTest::keyClicks(pGain, "12");
        QTest::keyClick(pGain, Qt::Key_Return);
        QCOMPARE(m_log.idValues(), (QList<IdValue>{{MSG_SET_GAIN, 12}, {MSG_SET_GAIN, 12}}));
        pGain->selectAll();
        QTest::keyClicks(pGain, "99");
        QTest::keyClick(pGain, Qt::Key_Return);
        QCOMPARE(pGain->text(), QString("12"));
        QCOMPARE(m_log.records.size(), 2);
        QCOMPARE(pResults->count(), nBefore + 5);
    }

    void triggerModeAndVideo()
    {
        child<QRadioButton>("radioBtn_Inner")->click();
        QCOMPARE(child<QLabel>("lbl_capturo_3")->text(), QString("触发间隔(毫秒)"));
        QVERIFY(child<QSlider>("horizontalSlider_Trigger_Gap")->isVisible());
        QVERIFY(child<QLineEdit>("plainText_Trigger_Gap")->isVisible());
        QVERIFY(!child<QSlider>("horizontalSlider_QD")->isVisible());
        QVERIFY(!child<QComboBox>("comboBox_trigger_type")->isVisible());
        QVERIFY(!child<QComboBox>("comboBox_trigger_type")->isEnabled());
        QVERIFY(!child<QLabel>("lbl_trigger_type")->isVisible());
        child<QRadioButton>("radioBtn_Out")->click();
        QCOMPARE(child<QLabel>("lbl_capturo_3")->text(), QString("去抖设置(毫秒)"));
        QVERIFY(child<QSlider>("horizontalSlider_QD")->isVisible());
        QVERIFY(!child<QSlider>("horizontalSlider_Trigger_Gap")->isVisible());
        QVERIFY(child<QComboBox>("comboBox_trigger_type")->isEnabled());
        QCOMPARE(m_log.idValues(), (QList<IdValue>{{MSG_SET_TRIGGER_MODE, 1}, {MSG_SET_TRIGGER_MODE, 0}}));

        m_log.clear();
        QCheckBox* pVideo = child<QCheckBox>("checkBox_Video");
        QPushButton* pSave = child<QPushButton>("btn_Save_ImageSetting");
        child<QSlider>("horizontalSlider_Gain")->setEnabled(false);
        pVideo->setChecked(true);
        QVERIFY(!child<QRadioButton>("radioBtn_Out")->isEnabled());
        QVERIFY(!child<QRadioButton>("radioBtn_Inner")->isEnabled());
        QVERIFY(!pSave->isEnabled());
        pVideo->setChecked(false);
        // Saving is off for the service before video frames come, and back only after.
        QCOMPARE(m_log.ids(),
                 (QList<int>{MSG_SAVE_SETTINGS, MSG_VIDEO_MODE_ON, MSG_VIDEO_MODE_OFF, MSG_SAVE_SETTINGS}));
        QVERIFY(child<QSlider>("horizontalSlider_Gain")->isEnabled());
        QVERIFY(child<QRadioButton>("radioBtn_Inner")->isEnabled());
        QVERIFY(pSave->isEnabled());
        QVERIFY(pVideo->isEnabled());
    }

    void dataSources()
    {
        QCheckBox* pVideo = child<QCheckBox>("checkBox_Video");
        pVideo->setChecked(true);
        m_log.clear();
        m_pPanel->imageSetting()->setSaveEnabled(true);
        child<QToolButton>("toolBtn_LocalFile")->click(); // the folder dialog is cancelled
        QVERIFY(child<QToolButton>("toolBtn_LocalFile")->isChecked());
        QVERIFY(pVideo->isChecked());
        QVERIFY(!pVideo->isEnabled());
        // No camera command; the service only hears that nothing is saved (video is on).
        for (const PluginMetaData& plt : m_log.records) {
            QCOMPARE(plt.nMsgId, int(MSG_SAVE_SETTINGS));
            QCOMPARE(plt.jsonData["enabled"].toBool(), false);
        }
        QVERIFY(!m_log.records.isEmpty());
        m_log.clear();
        QVERIFY(!m_pPanel->imageSetting()->isSaveEnabled());
        for (const char* pName :
             {"horizontalSlider_QD", "plainText_QD", "horizontalSlider_Gain", "plainText_Gain",
              "horizontalSlider_Quick", "plainText_Quick", "radioBtn_Out", "radioBtn_Inner",
              "btn_Save_ImageSetting", "plainText_Trigger_Gap", "horizontalSlider_Trigger_Gap"})
            QVERIFY2(!child<QWidget>(pName)->isEnabled(), pName);

        child<QToolButton>("toolBtn_Camera")->click();
        QVERIFY(pVideo->isEnabled());
        for (const char* pName : {"horizontalSlider_QD", "plainText_QD", "horizontalSlider_Gain",
                                  "plainText_Gain", "horizontalSlider_Quick", "plainText_Quick",
                                  "radioBtn_Out", "radioBtn_Inner", "btn_Save_ImageSetting"})
            QVERIFY2(child<QWidget>(pName)->isEnabled(), pName);
        // The interval pair is not re-enabled, and saving stays off.
        QVERIFY(!child<QSlider>("horizontalSlider_Trigger_Gap")->isEnabled());
        QVERIFY(!m_pPanel->imageSetting()->isSaveEnabled());
        QVERIFY(m_log.records.isEmpty());
    }

    void resultList()
    {
        m_pPanel->addResult("ok", true);
        m_pPanel->addResult("bad", false);
        QListWidget* pResults = child<QListWidget>("listWidget_ShowResult");
        QCOMPARE(pResults->count(), 3);
        QCOMPARE(pResults->item(1)->foreground().color(), QColor(255, 255, 255));
        QCOMPARE(pResults->item(2)->foreground().color(), QColor(238, 70, 59));
        QVERIFY(!pResults->item(1)->icon().isNull());
        QVERIFY(pResults->item(1)->icon().cacheKey() != pResults->item(2)->icon().cacheKey());

        // Bounded: the oldest success lines go first, the failures stay.
        for (int i = 0; i < CapturoUI::MaxResults + 5; ++i)
            m_pPanel->addResult(QString::number(i), true);
        QCOMPARE(pResults->count(), CapturoUI::MaxResults);
        QCOMPARE(pResults->item(0)->text(), QString("Init"));
        QCOMPARE(pResults->item(1)->text(), QString("bad"));
        QCOMPARE(pResults->item(2)->text(), QString::number(7));
        QCOMPARE(pResults->item(pResults->count() - 1)->text(), QString::number(CapturoUI::MaxResults + 4));
    }

    // A shift of per-frame success lines never pushes a failure out of the list; a
    // failure goes only when nothing but failures is left, oldest first.
    void failuresOutliveStreamingSuccessLines()
    {
        QListWidget* pResults = child<QListWidget>("listWidget_ShowResult");
        const QString qsFrame = QString::fromUtf8("相机获取拍照成功");
        const QString qsLost = QString::fromUtf8("与视觉核心的连接已断开，正在重新连接");
        const QString qsRefused = QString::fromUtf8("设置增益");
        for (int i = 0; i < 3 * CapturoUI::MaxResults; ++i) {
            m_pPanel->addResult(qsFrame, true);
            if (i == 100)
                m_pPanel->addResult(qsLost, false);
            if (i == 2000)
                m_pPanel->addResult(qsRefused, false);
        }
        QCOMPARE(pResults->count(), CapturoUI::MaxResults);
        QStringList failures;
        for (int i = 0; i < pResults->count(); ++i)
            if (pResults->item(i)->foreground().color() == QColor(238, 70, 59))
                failures << pResults->item(i)->text();
        QCOMPARE(failures, QStringList({"Init", qsLost, qsRefused}));
        QCOMPARE(pResults->item(pResults->count() - 1)->text(), qsFrame);

        for (int i = 0; i < CapturoUI::MaxResults + 2; ++i)
            m_pPanel->addResult(QString("failure %1").arg(i), false);
        QCOMPARE(pResults->count(), CapturoUI::MaxResults);
        // Every success line went first, then the oldest failures.
        QCOMPARE(pResults->item(0)->text(), QString("failure 2"));
        QCOMPARE(pResults->item(pResults->count() - 1)->text(),
                 QString("failure %1").arg(CapturoUI::MaxResults + 1));
    }

    // The lines of a lost or returning core or camera come into view; command and frame
    // lines leave the list where the operator scrolled it.
    void linkNoticesScrollIntoView()
    {
        QListWidget* pResults = child<QListWidget>("listWidget_ShowResult");
        for (int i = 0; i < 60; ++i)
            m_pPanel->addResult(QString::fromUtf8("相机获取拍照成功"), true);
        pResults->scrollToTop();
        QCoreApplication::processEvents();
        QCOMPARE(pResults->verticalScrollBar()->value(), 0);
        m_pPanel->addResult(QString::fromUtf8("设置增益"), false);
        QCoreApplication::processEvents();
        QCOMPARE(pResults->verticalScrollBar()->value(), 0);

        for (const char* pNotice : {"与视觉核心的连接已断开，正在重新连接", "已重新连接视觉核心",
                                    "相机连接中断，正在重新连接", "相机已重新连接", "部分相机设置未能恢复"}) {
            pResults->scrollToTop();
            QCoreApplication::processEvents();
            m_pPanel->addResult(QString::fromUtf8(pNotice), false);
            QCoreApplication::processEvents();
            QListWidgetItem* pLast = pResults->item(pResults->count() - 1);
            QVERIFY2(pResults->viewport()->rect().contains(pResults->visualItemRect(pLast).center()),
                     pNotice);
            QVERIFY(pResults->verticalScrollBar()->value() > 0);
        }
    }

    // A line wider than the list shows its whole text as a tool tip.
    void longLinesCarryTheirTextAsToolTip()
    {
        QListWidget* pResults = child<QListWidget>("listWidget_ShowResult");
        const QString qsLong = QString::fromUtf8("快门速度 5 超出范围 20 - 100，已改为 20，请输入范围内的值");
        m_pPanel->addResult(qsLong, false);
        m_pPanel->addResult("ok", true);
        QCOMPARE(pResults->item(pResults->count() - 2)->toolTip(), qsLong);
        QVERIFY(pResults->item(pResults->count() - 1)->toolTip().isEmpty());
    }

    // Choosing the local files switches saving off and says so; coming back to the
    // camera with saving still off says that frames are not saved; camera frames not
    // shown while the local files are the source are told once a visit.
    void savingSwitchedOffByLocalFilesIsTold()
    {
        QListWidget* pResults = child<QListWidget>("listWidget_ShowResult");
        auto lines = [pResults] {
            QStringList texts;
            for (int i = 0; i < pResults->count(); ++i)
                texts << pResults->item(i)->text()
                        + (pResults->item(i)->foreground().color() == QColor(238, 70, 59) ? ":0" : ":1");
            return texts;
        };
        const QString qsOff = CapturoUI::tr(CapturoUI::kSavingSwitchedOffText) + ":0";
        const QString qsNotSaving = CapturoUI::tr(CapturoUI::kNotSavingText) + ":0";
        const QString qsHidden = CapturoUI::tr(CapturoUI::kFramesHiddenText) + ":0";
        m_pPanel->imageSetting()->setSaveEnabled(true);
        child<QToolButton>("toolBtn_LocalFile")->click(); // the folder dialog is cancelled
        QVERIFY(!m_pPanel->imageSetting()->isSaveEnabled());
        QCOMPARE(lines().filter(qsOff).size(), 1);
        QImage frame(8, 8, QImage::Format_RGB32);
        frame.fill(Qt::red);
        QVERIFY(!m_pPanel->showCameraFrame(QPixmap::fromImage(frame), "1"));
        QVERIFY(!m_pPanel->showCameraFrame(QPixmap::fromImage(frame), "2"));
        QCOMPARE(lines().filter(qsHidden).size(), 1);
        QVERIFY(lines().last() == qsHidden);

        child<QToolButton>("toolBtn_Camera")->click();
        QCOMPARE(lines().last(), qsNotSaving);
        QVERIFY(m_pPanel->showCameraFrame(QPixmap::fromImage(frame), "3"));

        // Saving never on: a visit says nothing of saving, but still of the frames.
        child<QToolButton>("toolBtn_LocalFile")->click();
        QVERIFY(!m_pPanel->showCameraFrame(QPixmap::fromImage(frame), "4"));
        child<QToolButton>("toolBtn_Camera")->click();
        QCOMPARE(lines().filter(qsOff).size(), 1);
        QCOMPARE(lines().filter(qsNotSaving).size(), 1);
        QCOMPARE(lines().filter(qsHidden).size(), 2);

        // Switched on again before coming back: nothing to tell.
        m_pPanel->imageSetting()->setSaveEnabled(true);
        child<QToolButton>("toolBtn_LocalFile")->click();
        m_pPanel->imageSetting()->setSaveEnabled(true);
        child<QToolButton>("toolBtn_Camera")->click();
        QCOMPARE(lines().filter(qsOff).size(), 2);
        QCOMPARE(lines().filter(qsNotSaving).size(), 1);
    }
};

QTEST_MAIN(TestCapturoPanel)
#include "tst_capturo_panel.moc"
