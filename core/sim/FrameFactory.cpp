#include "FrameFactory.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "SimCameraSettings.h"

FrameFactory::FrameFactory(const CoreOptions& options, const SimCameraSettings& params)
    : m_params(params)
    , m_strFolder(options.strFolder)
    , m_bGrey(options.bGrey)
    , m_renderer(options.nWidth, options.nHeight, options.bGrey)
{
}

bool FrameFactory::prepare(QString* pError)
{
    if (m_strFolder.isEmpty())
        return true;
    return m_folder.load(m_strFolder, m_bGrey, pError);
}

uint64_t FrameFactory::largestFrameBytes() const
{
    if (m_folder.isEmpty())
        return uint64_t(m_renderer.widthStep()) * uint64_t(m_renderer.height());
    return m_folder.largestImageBytes();
}

std::shared_ptr<kelvora::core::Frame> FrameFactory::produce(uint64_t nFrame)
{
    auto pFrame = std::make_shared<kelvora::core::Frame>();
    pFrame->set_identifier(nFrame);
    pFrame->set_type(m_bGrey ? kelvora::core::PIXEL_GRAY : kelvora::core::PIXEL_BGR);
    const double dBrightness = m_params.brightness();
    if (!m_folder.isEmpty()) {
        copyImage(m_folder.image(nFrame), dBrightness, pFrame.get());
        return pFrame;
    }
    m_renderer.setBrightness(dBrightness);
    pFrame->set_width(m_renderer.width());
    pFrame->set_height(m_renderer.height());
    pFrame->set_width_step(m_renderer.widthStep());
    std::string* pData = pFrame->mutable_data();
    pData->resize(size_t(m_renderer.widthStep()) * size_t(m_renderer.height()));
    m_renderer.render(nFrame, reinterpret_cast<unsigned char*>(pData->data()));
    return pFrame;
}

void FrameFactory::copyImage(const QImage& image, double dBrightness, kelvora::core::Frame* pFrame) const
{
    const int nRowBytes = image.width() * m_folder.channels();
    pFrame->set_width(image.width());
    pFrame->set_height(image.height());
    pFrame->set_width_step(nRowBytes);
    std::string* pData = pFrame->mutable_data();
    pData->resize(size_t(nRowBytes) * size_t(image.height()));
    auto* pDst = reinterpret_cast<unsigned char*>(pData->data());
    uint8_t lut[256];
    for (int i = 0; i < 256; ++i)
        lut[i] = uint8_t(std::min(255.0, std::round(i * dBrightness)));
    const bool bIdentity = dBrightness == 1.0;
    // QImage rows are padded to 4 bytes; frames are not.
    for (int y = 0; y < image.height(); ++y) {
        const uchar* pSrc = image.constScanLine(y);
        unsigned char* pRow = pDst + size_t(y) * size_t(nRowBytes);
        if (bIdentity) {
            std::memcpy(pRow, pSrc, size_t(nRowBytes));
        } else {
            for (int x = 0; x < nRowBytes; ++x)
                pRow[x] = lut[pSrc[x]];
        }
    }
}
