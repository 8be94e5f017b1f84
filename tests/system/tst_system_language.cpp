// The interface's language, as an operator meets it: with English chosen
// (KELVORA_LANG=en) no Chinese character is left on any visible widget, tool tip,
// menu or status line of the whole client; without a choice every Chinese text is
// there whatever the system locale says. The same program runs both ways (see
// CMakeLists.txt), each against the real plugins and the vision-core simulator.
#include "CameraTabs.h"
#include "DTTitleBar.h"
#include "ClientStart.h"
#include "MainWindow.h"
#include "RunFolder.h"
#include "SimCore.h"
#include "framework/DTButton.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QRadioButton>
#include <QtTest>

#include <memory>

static void initHostResources()
{
    Q_INIT_RESOURCE(kelvora_host_icons);
}

namespace {

bool hasChinese(const QString& qsText)
{
    static const QRegularExpression cjk("[\\x{3000}-\\x{303f}\\x{4e00}-\\x{9fff}\\x{ff00}-\\x{ffef}]");
    return cjk.match(qsText).hasMatch();
}

QString where(const QObject* pObject)
{
    return QString("%1 \"%2\"").arg(pObject->metaObject()->className(), pObject->objectName());
}

// Every text an operator can read on the visible widgets: "where: text".
QStringList visibleTexts()
{
    QStringList result;
    auto add = [&result](const QObject* pObject, const QString& qsText) {
        if (!qsText.isEmpty())
            result << where(pObject) + ": " + qsText;
    };
    for (QWidget* pWidget : QApplication::allWidgets()) {
        if (!pWidget->isVisible())
            continue;
        add(pWidget, pWidget->toolTip());
        if (pWidget->isWindow())
            add(pWidget, pWidget->windowTitle());
        if (auto* p = qobject_cast<QLabel*>(pWidget))
            add(p, p->text());
        if (auto* p = qobject_cast<QAbstractButton*>(pWidget))
            add(p, p->text());
        if (auto* p = qobject_cast<QGroupBox*>(pWidget))
            add(p, p->title());
        if (auto* p = qobject_cast<QLineEdit*>(pWidget)) {
            add(p, p->text());
            add(p, p->placeholderText());
        }
        if (auto* p = qobject_cast<QComboBox*>(pWidget))
            for (int i = 0; i < p->count(); ++i)
                add(p, p->itemText(i));
        if (auto* p = qobject_cast<QListWidget*>(pWidget))
            for (int i = 0; i < p->count(); ++i) {
                add(p, p->item(i)->text());
                add(p, p->item(i)->toolTip());
            }
        for (QAction* pAction : pWidget->actions()) {
            add(pAction, pAction->text());
            add(pAction, pAction->toolTip());
        }
        if (auto* p = qobject_cast<QMenu*>(pWidget))
            for (QAction* pAction : p->actions())
                add(pAction, pAction->text());
    }
    return result;
}

// A caption fits its button at the button's given width: nothing is clipped and the
// button was not widened past its place.
QString captionProblem(const QAbstractButton* pButton, int nGivenWidth)
{
    if (!pButton)
        return "missing";
    if (pButton->width() != nGivenWidth)
        return QString("%1 is %2 wide, given %3").arg(where(pButton)).arg(pButton->width()).arg(nGivenWidth);
    if (pButton->sizeHint().width() > pButton->width())
        return QString("%1: \"%2\" needs %3 of its %4 pixels")
            .arg(where(pButton), pButton->text())
            .arg(pButton->sizeHint().width())
            .arg(pButton->width());
    return QString();
}

} // namespace

class TestSystemLanguage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyVisibleTextInTheChosenLanguage();

private:
    // With KELVORA_SCREENSHOT_DIR set (relative: from the source tree), the camera
    // page with its histogram and figures, per language.
    void screenshot(QWidget* pPanel);

    bool m_bEnglish = false;
    SimCore m_core;
    std::unique_ptr<RunFolder> m_pRun;
    QTemporaryDir m_home;
    std::unique_ptr<MainWindow> m_pWindow;
};

void TestSystemLanguage::initTestCase()
{
    qRegisterMetaType<PluginMetaData>("PluginMetaData");
    initHostResources();
    QVERIFY(m_home.isValid());
    qputenv("HOME", m_home.path().toUtf8());

    QVERIFY(m_core.start());
    QVERIFY(startClient(m_core.endpoint(), m_pRun, m_pWindow, &m_bEnglish));
}

void TestSystemLanguage::cleanupTestCase()
{
    m_pWindow.reset();
    m_core.stop();
}


void TestSystemLanguage::screenshot(QWidget* pPanel)
{
    const QString qsSetting = qEnvironmentVariable("KELVORA_SCREENSHOT_DIR");
    if (qsSetting.isEmpty())
        return;
    // A frame with some of everything in it, so the histogram has a shape to show.
    auto* pView = pPanel->findChild<QWidget*>("graphicsView_Image");
    QVERIFY(pView);
    // The smallest screen the page is laid out for.
    m_pWindow->resize(1280, 800);
    QTest::qWait(1500);
    const QString qsDir = QDir(KELVORA_SOURCE_DIR).absoluteFilePath(qsSetting);
    QVERIFY(QDir().mkpath(qsDir));
    const QString qsFile = QString("camera_page_figures_%1.png").arg(m_bEnglish ? "en" : "zh");
    QVERIFY(m_pWindow->grab().save(QDir(qsDir).filePath(qsFile)));
}

void TestSystemLanguage::everyVisibleTextInTheChosenLanguage()
{
    QStringList seen;
    auto look = [&seen] { seen += visibleTexts(); };

    // The home page listing the simulator's camera, which the service opened by itself.
    QTRY_VERIFY_WITH_TIMEOUT(
        m_pWindow->mainWidget()->findChild<QPushButton*>("btn_Open_sim-1")
            && !m_pWindow->mainWidget()->findChild<QPushButton*>("btn_Open_sim-1")->isEnabled(),
        10000);
    look();

    // The camera page with a frame, its status lines, figures and histogram.
    QTRY_VERIFY_WITH_TIMEOUT(m_pWindow->cameraTabs()->tabOf("sim-1"), 10000);
    DTButton* pTab = m_pWindow->titleBar()->findChild<DTButton*>("test_obj1");
    QVERIFY(pTab && pTab == m_pWindow->cameraTabs()->tabOf("sim-1"));
    QVERIFY(pTab);
    QTest::mouseClick(pTab, Qt::LeftButton, {}, QPoint(12, pTab->height() / 2));
    QWidget* pPanel = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((pPanel = m_pWindow->mainFuncWidget()->findChild<QWidget*>("CapturoUI"))
                                 && pPanel->isVisible(),
                             5000);
    auto* pPhoto = m_pWindow->findChild<QPushButton*>("photo");
    QVERIFY(pPhoto);
    pPhoto->click();
    auto* pResults = pPanel->findChild<QListWidget*>("listWidget_ShowResult");
    QVERIFY(pResults);
    QTRY_VERIFY_WITH_TIMEOUT(pResults->count() >= 4, 5000);
    for (const char* pRadio : {"radioBtn_Out", "radioBtn_Inner"}) {
        auto* pButton = pPanel->findChild<QRadioButton*>(pRadio);
        const QString qsProblem = captionProblem(pButton, 57);
        QVERIFY2(qsProblem.isEmpty(), qPrintable(qsProblem));
        // Inside its settings group, clear of the edge.
        QVERIFY(pButton->geometry().right() < pButton->parentWidget()->width());
    }
    auto* pMenu = pPanel->findChild<QMenu*>("menu_ImageView");
    QVERIFY(pMenu);
    for (QAction* pAction : pMenu->actions())
        pAction->trigger();
    auto* pFigures = m_pWindow->findChild<QLabel*>("lbl_AcquisitionFigures");
    QVERIFY(pFigures);
    QTRY_VERIFY_WITH_TIMEOUT(pFigures->isVisible() && !pFigures->text().isEmpty(), 5000);
    screenshot(pPanel);
    pMenu->popup(pPanel->mapToGlobal(QPoint(100, 100)));
    QTRY_VERIFY(pMenu->isVisible());
    look();
    pMenu->hide();

    // The other pages of the function list.
    QListWidget* pFuncs = m_pWindow->funcListWidget();
    for (int i = 1; i < pFuncs->count(); ++i) {
        emit pFuncs->itemClicked(pFuncs->item(i));
        QTest::qWait(100);
        look();
    }

    seen.removeDuplicates();
    QStringList chinese;
    for (const QString& qsLine : qAsConst(seen))
        if (hasChinese(qsLine.mid(qsLine.indexOf(": ") + 2)))
            chinese << qsLine;
    if (m_bEnglish) {
        QVERIFY2(chinese.isEmpty(), qPrintable("still Chinese:\n" + chinese.join("\n")));
        // And the English is really there, not empty widgets.
        QVERIFY(seen.join("\n").contains("Camera"));
    } else {
        // Without a choice the source texts stand, whatever the locale.
        for (const char* pText : {"相机配置", "工具任务", "数据来源", "相机成像设置", "快门速度", "增益",
                                  "图像列表", "图像保存设置", "直方图", "采集统计", "相机获取拍照成功"})
            QVERIFY2(seen.join("\n").contains(QString::fromUtf8(pText)), pText);
    }
}

QTEST_MAIN(TestSystemLanguage)
#include "tst_system_language.moc"
