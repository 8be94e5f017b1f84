#include "Tool.h"
#include "ToolDetail.h"
#include "ToolManage.h"
#include "framework/PluginMessages.h"
#include "tool_position.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

// One spy per signal of the plugin base, so "emits nothing" covers all of them.
std::vector<std::unique_ptr<QSignalSpy>> spyAllSignals(QObject* pObject)
{
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    const QMetaObject* pMeta = pObject->metaObject();
    for (int i = 0; i < pMeta->methodCount(); ++i) {
        const QMetaMethod method = pMeta->method(i);
        if (method.methodType() == QMetaMethod::Signal && method.access() == QMetaMethod::Public)
            spies.push_back(std::make_unique<QSignalSpy>(pObject, method));
    }
    return spies;
}

int totalEmissions(const std::vector<std::unique_ptr<QSignalSpy>>& spies)
{
    int nTotal = 0;
    for (const auto& spy : spies)
        nTotal += spy->count();
    return nTotal;
}

} // namespace

class TestTool : public QObject
{
    Q_OBJECT
private slots:
    void keepsHandleOfEveryRecord();
    void resourceAndForms();
};

void TestTool::keepsHandleOfEveryRecord()
{
    const int nWidgetsBefore = QApplication::allWidgets().size();
    Tool plugin;
    QVERIFY(plugin.getToolType());
    QCOMPARE(plugin.uiObject(), nullptr);
    QVERIFY(QMetaType::type("PluginMetaData") != QMetaType::UnknownType);

    const auto spies = spyAllSignals(&plugin);
    QVERIFY(spies.size() >= 8);

    QWidget window;
    plugin.slotSetUIHandle(&window);
    QCOMPARE(plugin.uiObject(), &window);
    QCOMPARE(QApplication::allWidgets().size(), nWidgetsBefore + 1);

    QWidget page;
    QWidget other;
    const QList<QPair<int, QWidget*>> records = {
        {MODULE_TOOL_TASK, &page},   {MODULE_CAPTURO, &other}, {MODULE_SCANVOR, &window},
        {MODULE_TOOL_TASK, nullptr}, {MODULE_SERVICE, &page},  {0, nullptr},
    };
    for (const auto& entry : records) {
        PluginMetaData plt;
        plt.nModule = entry.first;
        plt.nMsgId = MSG_PAGE_ACTIVATED;
        plt.pHandle = entry.second;
        plugin.slotEventFromPlugins(plt);
        QCOMPARE(plugin.uiObject(), static_cast<QObject*>(entry.second));
    }
    QVERIFY(plugin.getToolType());
    QCOMPARE(totalEmissions(spies), 0);
    QCOMPARE(QApplication::allWidgets().size(), nWidgetsBefore + 3);
}

void TestTool::resourceAndForms()
{
    Tool plugin;
    QVERIFY(!QImage(":/resources/plus.png").isNull());

    tool_position position;
    QCOMPARE(position.size(), QSize(307, 565));
    const QList<QPair<const char*, const char*>> texts = {
        {"label", "启动"},
        {"label_2", "名称"},
        {"label_3", "搜索范围(蓝色框显示)"},
        {"label_4", "特征范围（绿色框）"},
        {"label_5", "展示纹理信息"},
    };
    for (const auto& entry : texts) {
        QLabel* pLabel = position.findChild<QLabel*>(entry.first);
        QVERIFY2(pLabel, entry.first);
        QCOMPARE(pLabel->text(), QString::fromUtf8(entry.second));
    }
    QCOMPARE(position.findChild<QPushButton*>("pushButton")->text(), QString::fromUtf8("生成"));
    QVERIFY(position.findChild<QCheckBox*>("checkBox"));
    QCOMPARE(position.findChild<QCheckBox*>("checkBox_2")->text(), QString("CheckBox"));

    ToolManage manage;
    QCOMPARE(manage.size(), QSize(422, 630));
    QWidget* pRow = manage.findChild<QWidget*>("horizontalLayoutWidget");
    QVERIFY(pRow);
    QCOMPARE(pRow->geometry(), QRect(20, 120, 361, 481));
    QHBoxLayout* pLayout = manage.findChild<QHBoxLayout*>("horizontalLayout");
    QVERIFY(pLayout);
    QCOMPARE(pLayout->count(), 0);
    QCOMPARE(pLayout->contentsMargins(), QMargins());
    QVERIFY(manage.buttonGroup());

    ToolDetail detail;
    QCOMPARE(detail.size(), QSize(342, 645));
    for (QWidget* pForm :
         {static_cast<QWidget*>(&position), static_cast<QWidget*>(&manage), static_cast<QWidget*>(&detail)})
        QCOMPARE(pForm->windowTitle(), QString("Form"));
}

QTEST_MAIN(TestTool)
#include "tst_Tool.moc"
