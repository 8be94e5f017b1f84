// Saving onto a full disk and into a read-only folder: failing statuses that
// name the file and the reason, at most once a second per kind with the
// count; never an empty or cut file under a frame's name; saving resumes by
// itself once there is room. The disks are small tmpfs mounts in a mount
// namespace of this process; where none can be made the test is skipped.
#include "RunFolder.h"
#include "SaveProbe.h"
#include "Service.h"
#include "SimCore.h"

#include <QtTest>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>

namespace {

// Exit code CTest reports as skipped.
constexpr int kSkipped = 77;
QString g_qsFull;
QString g_qsReadOnly;

QString mountTmpfs(const char* pOptions, unsigned long nFlags)
{
    char pattern[] = "/tmp/kelvora-savefull-XXXXXX";
    if (!::mkdtemp(pattern))
        return QString();
    if (::mount("tmpfs", pattern, "tmpfs", nFlags, pOptions) != 0) {
        std::fprintf(stderr, "mount tmpfs on %s: %s\n", pattern, std::strerror(errno));
        ::rmdir(pattern);
        return QString();
    }
    return QString::fromLocal8Bit(pattern);
}

// Before any thread starts: a mount namespace of its own, so the mounts go
// with the process and nobody else sees them.
bool prepareDisks()
{
    if (::unshare(CLONE_NEWNS) != 0) {
        std::fprintf(stderr, "no mount namespace: %s\n", std::strerror(errno));
        return false;
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        std::fprintf(stderr, "mounts not private: %s\n", std::strerror(errno));
        return false;
    }
    g_qsFull = mountTmpfs("size=2m", 0);
    g_qsReadOnly = mountTmpfs("size=1m", MS_RDONLY);
    return !g_qsFull.isEmpty() && !g_qsReadOnly.isEmpty();
}

} // namespace

class TestServiceSaveFull : public QObject
{
    Q_OBJECT

    SimCore m_sim;
    RunFolder m_run;
    std::unique_ptr<Service> m_pService;
    SaveProbe m_page;

    // Frames of 640x480 grey: about 300 KiB each as BMP, six fit on the disk.
    void feed(int nFirst, int nCount)
    {
        std::thread core([&] {
            for (int i = nFirst; i < nFirst + nCount; ++i)
                m_pService->onFrameCallback(taggedFrame(640, 480, 5, i, quint64(i)));
        });
        core.join();
        QVERIFY(m_pService->saveQueue().waitIdle(20000));
        QTest::qWait(50);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_sim.start({"--width", "32", "--height", "24"}));
        QVERIFY(m_run.writeConfig(m_sim.endpoint()));
        QVERIFY(m_run.enter());
        m_pService = std::make_unique<Service>();
        connect(m_pService.get(), &DTPluginBase::sendSignalToPlugins, &m_page,
                &SaveProbe::slotEventFromPlugins);
    }

    void cleanupTestCase()
    {
        m_pService.reset();
        m_sim.stop();
    }

    void init() { m_page.records.clear(); }

    void aFullDiskIsReportedLeavesNoBrokenFileAndSavingResumes()
    {
        m_pService->slotEventFromPlugins(saveSettings(true, g_qsFull));
        QElapsedTimer clock;
        clock.start();
        feed(1, 40);
        const quint64 nSaved = m_pService->savedFrames();
        const quint64 nFailed = m_pService->failedSaves();
        QCOMPARE(nSaved + nFailed, 40ull);
        QVERIFY(nSaved >= 1);
        QVERIFY(nFailed >= 30);
        QCOMPARE(m_pService->unsavedFrames(), nFailed);

        // Only whole frames, each under its own name; nothing empty, cut or left over.
        const QStringList files = allFiles(g_qsFull);
        QCOMPARE(quint64(files.size()), nSaved);
        for (const QString& qsFile : files) {
            const QImage image(g_qsFull + "/" + qsFile);
            QVERIFY2(image.size() == QSize(640, 480), qPrintable(qsFile));
            QCOMPARE(qsFile, QString("%1.bmp").arg(numberOf(image)));
        }
        QTRY_COMPARE(quint64(m_page.withId(MSG_FRAME_SAVED).size()), nSaved);

        // The first failure at once, naming a file and the reason; the rest of the
        // burst in one more line a second later, with the count of them all.
        QTRY_VERIFY(!m_page.failures().isEmpty());
        const QString qsFirst = m_page.failures().first();
        QVERIFY2(qsFirst.contains(g_qsFull + "//") && qsFirst.contains(".bmp"), qPrintable(qsFirst));
        QVERIFY2(qsFirst.contains(QString::fromUtf8("磁盘空间不足")), qPrintable(qsFirst));
        QTRY_VERIFY_WITH_TIMEOUT(m_page.failures().last().contains(QString::number(nFailed)), 5000);
        QVERIFY(m_page.failures().size() <= 1 + clock.elapsed() / Service::kSaveReportIntervalMs);

        // Room again: saving goes on by itself.
        for (const QString& qsFile : files)
            QVERIFY(QFile::remove(g_qsFull + "/" + qsFile));
        feed(100, 3);
        QCOMPARE(m_pService->savedFrames(), nSaved + 3);
        QCOMPARE(allFiles(g_qsFull), QStringList({"100.bmp", "101.bmp", "102.bmp"}));
        for (const QString& qsFile : allFiles(g_qsFull))
            QCOMPARE(QImage(g_qsFull + "/" + qsFile).size(), QSize(640, 480));
        m_pService->slotEventFromPlugins(saveSettings(false, g_qsFull));
    }

    void aReadOnlyFolderIsReported()
    {
        m_pService->slotEventFromPlugins(saveSettings(true, g_qsReadOnly, ".jpg"));
        const quint64 nFailed = m_pService->failedSaves();
        feed(200, 5);
        QCOMPARE(m_pService->failedSaves(), nFailed + 5);
        QVERIFY(allFiles(g_qsReadOnly).isEmpty());
        QTRY_VERIFY(!m_page.failures().isEmpty());
        const QString qsFirst = m_page.failures().first();
        // Texts waiting for their turn give way to the newest: it names one of the files.
        QVERIFY2(QRegularExpression(QRegularExpression::escape(g_qsReadOnly) + "//20[0-4]\\.jpg")
                     .match(qsFirst)
                     .hasMatch(),
                 qPrintable(qsFirst));
        QVERIFY2(qsFirst.contains(QString::fromUtf8("文件系统只读")), qPrintable(qsFirst));
        // Counted apart from the full disk's failures.
        QTRY_VERIFY_WITH_TIMEOUT(m_page.failures().last().contains(QString::fromUtf8("共 5 张")), 5000);
        m_pService->slotEventFromPlugins(saveSettings(false, g_qsReadOnly));
    }
};

int main(int argc, char** argv)
{
    if (!prepareDisks()) {
        std::fprintf(stderr, "skipped: no small disk could be mounted\n");
        return kSkipped;
    }
    QApplication app(argc, argv);
    TestServiceSaveFull test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_service_savefull.moc"
