// Writes and reads a 2448x2048 BGR and grey picture as BMP with VexaImage,
// QImage and OpenCV's imgcodecs in one run, then prints each baseline's time
// as a ratio of VexaImage's (above 1: VexaImage is faster).
#include "common/vexa_image.h"

#include <QImage>
#include <QString>
#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kWidth = 2448;
constexpr int kHeight = 2048;

const char* const kCodecs[] = {"VexaImage", "QImage", "OpenCV"};
const char* const kFormats[] = {"bgr", "grey"};
const char* const kDirections[] = {"write", "read"};

// The same picture in each codec's natural in-memory form for BMP: VexaImage
// BGR/grey, QImage RGB32/Indexed8 (what its BMP reader yields), cv::Mat 8UC3/8UC1.
struct Picture
{
    vexa::VexaImage vexa;
    QImage qt;
    cv::Mat mat;
    std::string strFile; // written by VexaImage, read by all three
    qint64 nPixelBytes = 0;
};

std::string g_strDir;
std::map<std::string, Picture> g_pictures;

std::string benchDir()
{
    if (const char* pDir = std::getenv("KELVORA_BENCH_DIR"))
        return pDir;
    return access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
}

std::string tempPath(const std::string& strName)
{
    return g_strDir + "/kelvora_bench_bmp_" + std::to_string(getpid()) + "_" + strName + ".bmp";
}

Picture makePicture(bool bGrey)
{
    Picture pic;
    const int nChannels = bGrey ? 1 : 3;
    const int nStep = kWidth * nChannels; // a multiple of 4 for this width
    pic.vexa = vexa::VexaImage(kWidth, kHeight,
                               bGrey ? vexa::VexaImage::IMAGE_GRAY : vexa::VexaImage::IMAGE_BGR, nStep);
    pic.mat = cv::Mat(kHeight, kWidth, bGrey ? CV_8UC1 : CV_8UC3);
    pic.qt = QImage(kWidth, kHeight, bGrey ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    if (bGrey) {
        QVector<QRgb> table;
        for (int i = 0; i < 256; ++i)
            table.append(qRgb(i, i, i));
        pic.qt.setColorTable(table);
    }
    std::uint32_t nState = 12345;
    for (int y = 0; y < kHeight; ++y) {
        unsigned char* pRow = pic.vexa.data() + qint64(y) * nStep;
        for (int i = 0; i < nStep; ++i) {
            nState = nState * 1664525u + 1013904223u;
            pRow[i] = static_cast<unsigned char>(nState >> 24);
        }
        std::memcpy(pic.mat.ptr(y), pRow, size_t(nStep));
        if (bGrey) {
            std::memcpy(pic.qt.scanLine(y), pRow, size_t(nStep));
        } else {
            QRgb* pQt = reinterpret_cast<QRgb*>(pic.qt.scanLine(y));
            for (int x = 0; x < kWidth; ++x)
                pQt[x] = qRgb(pRow[3 * x + 2], pRow[3 * x + 1], pRow[3 * x]);
        }
    }
    pic.nPixelBytes = qint64(nStep) * kHeight;
    pic.strFile = tempPath(std::string("source_") + (bGrey ? "grey" : "bgr"));
    if (!pic.vexa.writeToFileBMP(pic.strFile.c_str())) {
        std::fprintf(stderr, "cannot write %s\n", pic.strFile.c_str());
        std::exit(1);
    }
    return pic;
}

// Every codec must decode the shared file to the source pixels, or the
// comparison would not be like with like.
bool sameAsSource(const Picture& pic, bool bGrey)
{
    const int nStep = pic.vexa.widthStep();
    vexa::VexaImage vexaRead;
    if (!vexaRead.readFromFileBMP(pic.strFile.c_str()) || vexaRead.widthStep() != nStep
        || std::memcmp(vexaRead.data(), pic.vexa.data(), size_t(pic.nPixelBytes)) != 0)
        return false;
    const cv::Mat mat = cv::imread(pic.strFile, cv::IMREAD_UNCHANGED);
    if (mat.cols != kWidth || mat.rows != kHeight || mat.channels() != (bGrey ? 1 : 3))
        return false;
    QImage qt(QString::fromStdString(pic.strFile), "BMP");
    if (qt.width() != kWidth || qt.height() != kHeight)
        return false;
    qt = qt.convertToFormat(bGrey ? QImage::Format_Grayscale8 : QImage::Format_RGB888).rgbSwapped();
    for (int y = 0; y < kHeight; ++y) {
        const unsigned char* pRow = pic.vexa.data() + qint64(y) * nStep;
        if (std::memcmp(mat.ptr(y), pRow, size_t(nStep)) != 0
            || std::memcmp(qt.constScanLine(y), pRow, size_t(nStep)) != 0)
            return false;
    }
    return true;
}

void benchWrite(benchmark::State& state, const std::string& strCodec, const std::string& strFormat)
{
    Picture& pic = g_pictures[strFormat];
    const std::string strPath = tempPath("write_" + strCodec + "_" + strFormat);
    bool bOk = true;
    for (auto _ : state) {
        if (strCodec == "VexaImage")
            bOk = pic.vexa.writeToFileBMP(strPath.c_str());
        else if (strCodec == "QImage")
            bOk = pic.qt.save(QString::fromStdString(strPath), "BMP");
        else
            bOk = cv::imwrite(strPath, pic.mat);
        if (!bOk) {
            state.SkipWithError("write failed");
            break;
        }
    }
    std::remove(strPath.c_str());
    state.SetBytesProcessed(state.iterations() * pic.nPixelBytes);
}

void benchRead(benchmark::State& state, const std::string& strCodec, const std::string& strFormat)
{
    const Picture& pic = g_pictures[strFormat];
    const QString qsFile = QString::fromStdString(pic.strFile);
    for (auto _ : state) {
        bool bOk = false;
        if (strCodec == "VexaImage") {
            vexa::VexaImage image;
            bOk = image.readFromFileBMP(pic.strFile.c_str());
            benchmark::DoNotOptimize(image.data());
        } else if (strCodec == "QImage") {
            QImage image(qsFile, "BMP");
            bOk = !image.isNull();
            benchmark::DoNotOptimize(image.constBits());
        } else {
            cv::Mat image = cv::imread(pic.strFile, cv::IMREAD_UNCHANGED);
            bOk = !image.empty();
            benchmark::DoNotOptimize(image.data);
        }
        if (!bOk) {
            state.SkipWithError("read failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * pic.nPixelBytes);
}

// Console output as usual, plus the best real time of every benchmark for the
// ratio table.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            const double dMs = run.GetAdjustedRealTime(); // unit set to ms below
            auto it = m_mapBestMs.find(run.run_name.function_name);
            if (it == m_mapBestMs.end() || dMs < it->second)
                m_mapBestMs[run.run_name.function_name] = dMs;
        }
    }

    void printRatios() const
    {
        std::printf("\nBMP %dx%d in %s, best real time per op; ratio = baseline ms / VexaImage ms "
                    "(above 1: VexaImage faster)\n",
                    kWidth, kHeight, g_strDir.c_str());
        std::printf("%-6s %-5s %12s %12s %12s %13s %13s %14s\n", "op", "image", "VexaImage ms", "QImage ms",
                    "OpenCV ms", "QImage/Vexa", "OpenCV/Vexa", "fastest/Vexa");
        for (const char* pDirection : kDirections) {
            for (const char* pFormat : kFormats) {
                double dMs[3] = {0, 0, 0};
                bool bAll = true;
                for (int i = 0; i < 3; ++i) {
                    auto it = m_mapBestMs.find(std::string(pDirection) + "/" + pFormat + "/" + kCodecs[i]);
                    bAll = bAll && it != m_mapBestMs.end();
                    if (it != m_mapBestMs.end())
                        dMs[i] = it->second;
                }
                if (!bAll)
                    continue;
                const double dFastest = dMs[1] < dMs[2] ? dMs[1] : dMs[2];
                const double dMB = double(g_pictures.at(pFormat).nPixelBytes) / 1e6;
                std::printf("%-6s %-5s %12.2f %12.2f %12.2f %13.2f %13.2f %14.2f   (VexaImage %.0f MB/s)\n",
                            pDirection, pFormat, dMs[0], dMs[1], dMs[2], dMs[1] / dMs[0], dMs[2] / dMs[0],
                            dFastest / dMs[0], dMB / (dMs[0] / 1e3));
            }
        }
    }

private:
    std::map<std::string, double> m_mapBestMs;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    g_strDir = benchDir();
    g_pictures["bgr"] = makePicture(false);
    g_pictures["grey"] = makePicture(true);
    for (const char* pFormat : kFormats) {
        if (!sameAsSource(g_pictures[pFormat], std::string(pFormat) == "grey")) {
            std::fprintf(stderr, "%s: the codecs disagree on the decoded pixels\n", pFormat);
            return 1;
        }
    }

    for (const char* pDirection : kDirections) {
        for (const char* pFormat : kFormats) {
            for (const char* pCodec : kCodecs) {
                const std::string strName = std::string(pDirection) + "/" + pFormat + "/" + pCodec;
                const std::string strCodec = pCodec, strFormat = pFormat;
                auto* pBench = std::string(pDirection) == "write"
                    ? benchmark::RegisterBenchmark(strName.c_str(), benchWrite, strCodec, strFormat)
                    : benchmark::RegisterBenchmark(strName.c_str(), benchRead, strCodec, strFormat);
                pBench->Unit(benchmark::kMillisecond)->UseRealTime();
            }
        }
    }

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();

    for (const auto& entry : g_pictures)
        std::remove(entry.second.strFile.c_str());
    return 0;
}
