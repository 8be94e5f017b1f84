// service_frame_handoff [frames per run]: the cost of turning one core frame
// into the QImage of a frame record, 1920x1080 BGR. The record's image is
// built from the frame's pixels while "test.bmp" is written on a thread of
// its own; the other rows time the file steps on their own; the baseline is a
// plain copy of the frame's pixels into a QImage. Figures are ms per frame and
// the ratio to the baseline measured in the same run.
#include "FrameHandOff.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <functional>

namespace {

double processCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Wall time per frame; pCpuMs receives the CPU time of all threads per frame,
// which differs where Qt spreads a conversion over its thread pool.
double msPerFrame(int nFrames, const std::function<void(int)>& step, double* pCpuMs = nullptr)
{
    step(0); // warm the page cache and the allocator
    const double dCpuStart = processCpuMs();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < nFrames; ++i)
        step(i);
    if (pCpuMs)
        *pCpuMs = (processCpuMs() - dCpuStart) / nFrames;
    return double(timer.nsecsElapsed()) / 1e6 / nFrames;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int nFrames = argc > 1 ? qMax(1, atoi(argv[1])) : 60;
    QTemporaryDir dir(QDir::currentPath() + "/handoff-XXXXXX");
    QDir::setCurrent(dir.path());

    const int nWidth = 1920;
    const int nHeight = 1080;
    vexa::VexaImage frame(nWidth, nHeight, vexa::VexaImage::IMAGE_BGR, nWidth * 3);
    for (int i = 0; i < nWidth * nHeight * 3; ++i)
        frame.data()[i] = static_cast<unsigned char>(i * 7);

    FrameHandOff handOff("test.bmp");
    // The frame outlives the hand-off; the file writer only reads it.
    const std::shared_ptr<vexa::VexaImage> pFrame(&frame, [](vexa::VexaImage*) {});
    volatile int nSink = 0;
    const double dCopy = msPerFrame(nFrames,
                                    [&](int) { nSink = FrameHandOff::imageFromPixels(frame).width(); });
    const double dHandOff = msPerFrame(nFrames, [&](int) { nSink = handOff.toImage(pFrame).width(); });
    // The file writer runs on behind the record path; the plain loops below use the same file.
    handOff.waitIdle(60000);
    const double dPlain = msPerFrame(nFrames, [&](int) {
        frame.writeToFileBMP("test.bmp");
        nSink = QImage("test.bmp").width();
    });
    const double dWrite = msPerFrame(nFrames, [&](int) { nSink = frame.writeToFileBMP("test.bmp"); });
    const double dWriteFresh = msPerFrame(nFrames, [&](int) {
        QFile::remove("test.bmp");
        nSink = frame.writeToFileBMP("test.bmp");
    });
    vexa::VexaImage fileImage;
    const double dReadVexa = msPerFrame(nFrames, [&](int) { nSink = fileImage.readFromFileBMP("test.bmp"); });
    double dConvertCpu = 0, dQtSwapCpu = 0, dQtBgrCpu = 0;
    const double dConvert = msPerFrame(
        nFrames, [&](int) { nSink = FrameHandOff::rgb32FromBgr(fileImage).width(); }, &dConvertCpu);
    const QImage bgrView(fileImage.data(), fileImage.width(), fileImage.height(), fileImage.widthStep(),
                         QImage::Format_BGR888);
    const QImage rgbView(fileImage.data(), fileImage.width(), fileImage.height(), fileImage.widthStep(),
                         QImage::Format_RGB888);
    const double dQtSwap = msPerFrame(
        nFrames, [&](int) { nSink = rgbView.convertToFormat(QImage::Format_RGB32).rgbSwapped().width(); },
        &dQtSwapCpu);
    const double dQtBgr = msPerFrame(
        nFrames, [&](int) { nSink = bgrView.convertToFormat(QImage::Format_RGB32).width(); }, &dQtBgrCpu);
    const double dReadDetect = msPerFrame(nFrames, [&](int) { nSink = QImage("test.bmp").width(); });
    const double dReadBmp = msPerFrame(nFrames, [&](int) {
        QImageReader reader("test.bmp", "bmp");
        nSink = reader.read().width();
    });
    const double dReadBytes = msPerFrame(nFrames, [&](int) {
        QFile file("test.bmp");
        file.open(QIODevice::ReadOnly);
        nSink = QImage::fromData(file.readAll(), "BMP").width();
    });
    const double dReadBytesDetect = msPerFrame(nFrames, [&](int) {
        QFile file("test.bmp");
        file.open(QIODevice::ReadOnly);
        nSink = QImage::fromData(file.readAll()).width();
    });
    const double dReadMapped = msPerFrame(nFrames, [&](int) {
        QFile file("test.bmp");
        file.open(QIODevice::ReadOnly);
        const uchar* pBytes = file.map(0, file.size());
        nSink = QImage::fromData(pBytes, int(file.size())).width();
    });
    Q_UNUSED(nSink)

    std::printf("frame hand-off, %dx%d BGR, %d frames per run, ms per frame (ratio to the pixel copy)\n",
                nWidth, nHeight, nFrames);
    std::printf("  pixel copy into QImage (baseline)   %7.2f  (1.00)\n", dCopy);
    std::printf("  record path (pixels; file on its own thread) %7.2f  (%.2f)\n", dHandOff, dHandOff / dCopy);
    std::printf("  plain rewrite + QImage(path)        %7.2f  (%.2f)\n", dPlain, dPlain / dCopy);
    std::printf("    write only (VexaImage)            %7.2f  (%.2f)\n", dWrite, dWrite / dCopy);
    std::printf("    write to a fresh file (old removed) %7.2f  (%.2f)\n", dWriteFresh, dWriteFresh / dCopy);
    std::printf("    read (VexaImage, memory reused)   %7.2f  (%.2f)\n", dReadVexa, dReadVexa / dCopy);
    std::printf("    BGR to RGB32, own row conversion  %7.2f  (%.2f)  CPU %.2f\n", dConvert, dConvert / dCopy,
                dConvertCpu);
    std::printf("      Qt: as RGB888, then rgbSwapped  %7.2f  (%.2f)  CPU %.2f\n", dQtSwap, dQtSwap / dCopy,
                dQtSwapCpu);
    std::printf("      Qt: BGR888 converted            %7.2f  (%.2f)  CPU %.2f\n", dQtBgr, dQtBgr / dCopy,
                dQtBgrCpu);
    std::printf("    read, format detected (QImage)    %7.2f  (%.2f)\n", dReadDetect, dReadDetect / dCopy);
    std::printf("    read, format given (QImageReader) %7.2f  (%.2f)\n", dReadBmp, dReadBmp / dCopy);
    std::printf("    read, whole file then decode      %7.2f  (%.2f)\n", dReadBytes, dReadBytes / dCopy);
    std::printf("    whole file, format detected       %7.2f  (%.2f)\n", dReadBytesDetect,
                dReadBytesDetect / dCopy);
    std::printf("    mapped file, format detected      %7.2f  (%.2f)\n", dReadMapped, dReadMapped / dCopy);
    std::printf("  frames/s the record path allows: %.0f\n", 1000.0 / dHandOff);
    return 0;
}
