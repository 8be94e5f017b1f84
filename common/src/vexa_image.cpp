#include "common/vexa_image.h"

#include <cstring>
#include <iostream>
#include <new>

namespace vexa {

VexaImage::VexaImage() = default;

VexaImage::VexaImage(int width, int height, E_Image_Type type, int widthStep)
{
    if (allocateNewMemory(width, height, type, widthStep, *this))
        std::memset(m_pData, 0, size_t(int64(m_nWidthStep) * m_nHeight));
}

VexaImage::VexaImage(int width, int height, E_Image_Type type, int widthStep, unsigned char* data, bool copy)
{
    if (copy) {
        if (allocateNewMemory(width, height, type, widthStep, *this) && data)
            std::memcpy(m_pData, data, size_t(int64(m_nWidthStep) * m_nHeight));
        return;
    }
    m_nWidth = width;
    m_nHeight = height;
    m_nType = type;
    m_nWidthStep = widthStep;
    assignChannelsWithType();
    m_pData = data;
}

VexaImage::VexaImage(const VexaImage& other)
{
    // Starts empty with identifier 0; assignment never copies the identifier.
    *this = other;
}

const VexaImage& VexaImage::operator=(const VexaImage& other)
{
    if (&other == this)
        return *this;
    m_nWidth = other.m_nWidth;
    m_nHeight = other.m_nHeight;
    m_nChannels = other.m_nChannels;
    m_nType = other.m_nType;
    m_nWidthStep = other.m_nWidthStep;
    m_pBuffer = other.m_pBuffer;
    m_pData = other.m_pData;
    return *this;
}

VexaImage::~VexaImage()
{
    release();
}

uint64 VexaImage::total() const
{
    return uint64(int64(m_nWidth) * int64(m_nHeight));
}

bool VexaImage::empty() const
{
    return m_pData == nullptr || total() == 0;
}

bool VexaImage::isInside(int x, int y) const
{
    return x >= 0 && x < m_nWidth && y >= 0 && y < m_nHeight;
}

bool VexaImage::allocateNewMemory(int width, int height, int type, int widthStep, VexaImage& image)
{
    if (width <= 0 || height <= 0 || widthStep <= 0
        || (type != IMAGE_GRAY && type != IMAGE_BGR && type != IMAGE_BGRA)) {
        image.release();
        return false;
    }
    if (image.m_pBuffer && image.m_pData == image.m_pBuffer.get() && image.m_nWidth == width
        && image.m_nHeight == height && image.m_nType == type && image.m_nWidthStep == widthStep)
        return false;

    // Allocate before touching the geometry: on failure the image must not
    // describe pixels it does not have.
    if (!image.resize(int64(height) * int64(widthStep))) {
        image.release();
        return false;
    }
    image.m_nWidth = width;
    image.m_nHeight = height;
    image.m_nType = type;
    image.m_nWidthStep = widthStep;
    image.assignChannelsWithType();
    image.m_pData = image.m_pBuffer.get();
    return true;
}

bool VexaImage::generateNewImage(int width, int height, int type, int widthStep, unsigned char* src)
{
    if (type < 0 || type > 3)
        return false;
    if (!allocateNewMemory(width, height, type, widthStep, *this))
        return false;
    const size_t nBytes = size_t(int64(m_nWidthStep) * m_nHeight);
    if (src)
        std::memcpy(m_pData, src, nBytes);
    else
        std::memset(m_pData, 0, nBytes);
    return true;
}

void VexaImage::copyTo(VexaImage& dst)
{
    const unsigned char* pSrc = m_pData;
    allocateNewMemory(m_nWidth, m_nHeight, m_nType, m_nWidthStep, dst);
    // dst may already share these very pixels (a shallow copy of this image).
    if (dst.m_pData && pSrc && dst.m_pData != pSrc)
        std::memcpy(dst.m_pData, pSrc, size_t(int64(dst.m_nWidthStep) * dst.m_nHeight));
}

void VexaImage::assignChannelsWithType()
{
    switch (m_nType) {
    case IMAGE_GRAY: m_nChannels = 1; break;
    case IMAGE_BGR: m_nChannels = 3; break;
    case IMAGE_BGRA: m_nChannels = 4; break;
    default: break;
    }
}

bool VexaImage::resize(int64 bytes)
{
    // nothrow: an absurd request must fail softly under every allocator,
    // sanitizer runtimes included.
    unsigned char* pBytes = nullptr;
    if (bytes >= 0 && uint64(bytes) <= uint64(PTRDIFF_MAX))
        pBytes = new (std::nothrow) unsigned char[size_t(bytes)];
    if (!pBytes) {
        m_pBuffer.reset();
        std::cout << "Error: code line: " << 357 << ", file name: "
                  << "include\\common\\vexa_image"
                  << ", message: failed to allocate memory for image." << std::endl;
        return false;
    }
    m_pBuffer.reset(pBytes);
    return true;
}

void VexaImage::release()
{
    m_nWidth = 0;
    m_nHeight = 0;
    m_nChannels = 3;
    m_nType = IMAGE_BGR;
    m_nWidthStep = 0;
    m_pBuffer.reset();
    m_pData = nullptr;
}

} // namespace vexa
