// Frame path of the camera page: MSG_FRAME records of 1920x1080 RGB32 images through
// the Capturo plugin into the panel, as the service delivers them.
//
//   bench_capturo_frames [frames]      per-frame cost with saving off / on (bmp, jpg)
//                                      against a plain copy of one frame (baseline)
//   bench_capturo_frames --soak N      N frames with saving on; resident size after
//                                      the first 100 and after N (saved files are
//                                      removed as they are written to spare the disk)
#include "Capturo.h"
#include "ResidentSize.h"
#include "CapturoUI.h"

#include "framework/PluginMessages.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <cstdio>
#include <cstring>

namespace {

QImage makeFrame(int nSeed)
{
    QImage image(1920, 1080, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* pLine = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            pLine[x] = qRgb((x + nSeed * 7) & 255, (y + nSeed * 3) & 255, (x ^ y) & 255);
    }
    return image;
}

class Page
{
public:
    Page()
    {
        QObject::connect(&m_plugin, &DTPluginBase::sendSignalToPlugins, &m_plugin,
                         &Capturo::slotEventFromPlugins);
        new QVBoxLayout(&m_container);
        m_container.resize(1600, 900);
        m_container.show();
        PluginMetaData page;
        page.nModule = MODULE_CAPTURO;
        page.nMsgId = MSG_PAGE_ACTIVATED;
        page.pHandle = &m_container;
        m_plugin.slotEventFromPlugins(page);
        panel()->imageSetting()->setSavePath(m_dir.path());
    }
    CapturoUI* panel() const { return m_plugin.configUI(); }
    QString dir() const { return m_dir.path(); }

    void setSaving(bool bOn, const char* pFormat)
    {
        panel()->imageSetting()->findChild<QCheckBox*>("checkBox")->setChecked(bOn);
        if (bOn)
            panel()->imageSetting()->findChild<QRadioButton*>(pFormat)->click();
    }

    // One frame as the service sends it: a fresh image, then its status line.
    void deliver(const QImage& source, quint64 nKey)
    {
        PluginMetaData frame;
        frame.nModule = MODULE_CAPTURO;
        frame.nMsgId = MSG_FRAME;
        frame.varData = source.copy();
        frame.jsonData = {{"key", QString::number(nKey)}, {"width", 1920}, {"height", 1080}};
        m_plugin.slotEventFromPlugins(frame);
        m_plugin.sendResult(QString::fromUtf8("相机获取拍照成功"), true);
        QCoreApplication::processEvents();
    }

private:
    QTemporaryDir m_dir;
    QWidget m_container;
    Capturo m_plugin;
};

double msPerFrame(Page& page, const QList<QImage>& frames, int nFrames, quint64& nKey)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < nFrames; ++i)
        page.deliver(frames[i % frames.size()], nKey++);
    return timer.nsecsElapsed() / 1e6 / nFrames;
}

double msPerCopy(const QList<QImage>& frames, int nFrames)
{
    QElapsedTimer timer;
    timer.start();
    qint64 nSum = 0;
    for (int i = 0; i < nFrames; ++i) {
        const QImage copy = frames[i % frames.size()].copy();
        nSum += copy.constBits()[i % 64];
    }
    const double dMs = timer.nsecsElapsed() / 1e6 / nFrames;
    return nSum >= 0 ? dMs : 0.0;
}
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const bool bSoak = argc > 2 && std::strcmp(argv[1], "--soak") == 0;
    const int nFrames = bSoak ? QByteArray(argv[2]).toInt() : (argc > 1 ? QByteArray(argv[1]).toInt() : 120);

    QList<QImage> frames;
    for (int i = 0; i < 4; ++i)
        frames << makeFrame(i);
    Page page;
    quint64 nKey = 1;

    if (bSoak) {
        page.setSaving(true, "radio_Bmp");
        long nAfterWarmup = 0;
        for (int i = 0; i < nFrames; ++i) {
            page.deliver(frames[i % frames.size()], nKey);
            QFile::remove(page.dir() + "/" + QString::number(nKey) + ".bmp");
            ++nKey;
            if (i == 99)
                nAfterWarmup = residentKiB();
        }
        const long nEnd = residentKiB();
        std::printf("soak: %d frames 1920x1080, saving on (bmp)\n", nFrames);
        std::printf("resident after 100 frames: %.1f MiB, after %d: %.1f MiB, growth %.1f MiB\n",
                    nAfterWarmup / 1024.0, nFrames, nEnd / 1024.0, (nEnd - nAfterWarmup) / 1024.0);
        return 0;
    }

    msPerFrame(page, frames, 10, nKey); // warm-up
    const double dCopy = msPerCopy(frames, nFrames);
    const double dOff = msPerFrame(page, frames, nFrames, nKey);
    page.setSaving(true, "radio_Bmp");
    const double dBmp = msPerFrame(page, frames, nFrames, nKey);
    page.setSaving(true, "radio_Jpg");
    const double dJpg = msPerFrame(page, frames, nFrames, nKey);
    std::printf("frames: %d of 1920x1080 RGB32 per case\n", nFrames);
    std::printf("baseline (plain frame copy): %.2f ms\n", dCopy);
    std::printf("saving off:      %.2f ms/frame  (%.1fx baseline, %.0f fps)\n", dOff, dOff / dCopy,
                1000.0 / dOff);
    std::printf("saving on, bmp:  %.2f ms/frame  (%.1fx baseline, %.0f fps)\n", dBmp, dBmp / dCopy,
                1000.0 / dBmp);
    std::printf("saving on, jpg:  %.2f ms/frame  (%.1fx baseline, %.0f fps)\n", dJpg, dJpg / dCopy,
                1000.0 / dJpg);
    return 0;
}
