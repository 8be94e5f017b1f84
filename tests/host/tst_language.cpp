// The interface's language: chosen only by KELVORA_LANG or config.ini, never by the
// system locale, and the compiled-in English translation really translates.
#include "Language.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QtTest>

class TestLanguage : public QObject
{
    Q_OBJECT
private slots:
    void chosen_data()
    {
        QTest::addColumn<QString>("env");
        QTest::addColumn<QString>("config"); // the [General] section's lines, or no file
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing chosen") << ""
                                        << ""
                                        << "";
        QTest::newRow("environment") << "en"
                                     << ""
                                     << "en";
        QTest::newRow("environment, regional") << "en_US.UTF-8"
                                               << ""
                                               << "en";
        QTest::newRow("environment, upper case") << "EN"
                                                 << ""
                                                 << "en";
        QTest::newRow("config file") << ""
                                     << "ip=127.0.0.1:20020\nlanguage=en"
                                     << "en";
        QTest::newRow("environment wins") << "zh"
                                          << "language=en"
                                          << "";
        QTest::newRow("unknown language") << "fr"
                                          << ""
                                          << "";
        QTest::newRow("config without the key") << ""
                                                << "ip=127.0.0.1:20020"
                                                << "";
        QTest::newRow("blank environment falls to the file") << "  "
                                                             << "language=en"
                                                             << "en";
    }
    void chosen()
    {
        QFETCH(QString, env);
        QFETCH(QString, config);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath("config.ini");
        if (!config.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[General]\n" + config.toUtf8() + "\n");
        }
        QCOMPARE(Language::chosen(env, path), expected);
    }

    // Last, since it changes the application's texts for good.
    void englishTranslatesTheInterface()
    {
        QCOMPARE(QCoreApplication::translate("MainWindow", "相机配置"), QString::fromUtf8("相机配置"));
        QVERIFY(!Language::install(""));
        QVERIFY(!Language::install("fr"));
        QVERIFY(Language::install("en"));
        QCOMPARE(QCoreApplication::translate("MainWindow", "相机配置"), QString("Camera"));
        QCOMPARE(QCoreApplication::translate("Service", "调用相机拍照接口"), QString("Take photo"));
        QCOMPARE(
            QCoreApplication::translate("CapturoUI", "%1 %2 超出范围 %3 - %4").arg("Gain", "30", "0", "24"),
            QString("Gain 30 is out of range 0 - 24"));
    }
};

QTEST_GUILESS_MAIN(TestLanguage)
#include "tst_language.moc"
