// BMP reading and writing of VexaImage.
#include "common/vexa_image.h"

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <vector>

namespace vexa {

namespace {

constexpr std::uint16_t kBitmapType = 0x4D42; // "BM"

void putU16(unsigned char*& p, std::uint16_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p += 2;
}

void putU32(unsigned char*& p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
    p += 4;
}

std::uint16_t getU16(const unsigned char*& p)
{
    const std::uint16_t v = std::uint16_t(p[0] | (p[1] << 8));
    p += 2;
    return v;
}

std::uint32_t getU32(const unsigned char*& p)
{
    const std::uint32_t v = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
        | (std::uint32_t(p[3]) << 24);
    p += 4;
    return v;
}

int bitCountOfType(int type)
{
    switch (type) {
    case VexaImage::IMAGE_GRAY: return 8;
    case VexaImage::IMAGE_BGR: return 24;
    case VexaImage::IMAGE_BGRA: return 32;
    default: return 0;
    }
}

// Bytes of one stored row: rowBytes rounded up to a multiple of 4.
int64 paddedRow(int64 rowBytes)
{
    return (rowBytes + 3) / 4 * 4;
}

// Rows moved per stream call: about 256 KiB, at least one row, at most all.
int64 rowsPerBlock(int64 rowBytes, int64 rows)
{
    constexpr int64 kBlockBytes = 256 * 1024;
    const int64 nRows = rowBytes >= kBlockBytes ? 1 : kBlockBytes / rowBytes;
    return nRows < rows ? nRows : rows;
}

} // namespace

bool VexaImage::assignBitmapHeaders(BitmapFileHeader_t& fileHeader, BitmapInfoHeader_t& infoHeader) const
{
    const int nBits = bitCountOfType(m_nType);
    if (nBits == 0)
        return false;
    // Stored rows are the pixel bytes padded to 4, whatever the image's stride.
    const int64 nImageSize = paddedRow(int64(m_nWidth) * m_nChannels) * m_nHeight;
    const std::uint32_t nOffset = kHeadersSize + (m_nType == IMAGE_GRAY ? kColorTableSize : 0);
    if (nImageSize > int64(UINT32_MAX) - nOffset)
        return false; // not representable in a BMP file

    fileHeader = BitmapFileHeader_t();
    fileHeader.bfType = kBitmapType;
    fileHeader.bfOffBits = nOffset;
    fileHeader.bfSize = nOffset + std::uint32_t(nImageSize);

    infoHeader = BitmapInfoHeader_t();
    infoHeader.biSize = kInfoHeaderSize;
    infoHeader.biWidth = m_nWidth;
    infoHeader.biHeight = m_nHeight;
    infoHeader.biPlanes = 1;
    infoHeader.biBitCount = std::uint16_t(nBits);
    infoHeader.biCompression = 0;
    infoHeader.biSizeImage = std::uint32_t(nImageSize);
    return true;
}

void VexaImage::saveBitmapHeadersToPointer(const BitmapFileHeader_t& fileHeader,
                                           const BitmapInfoHeader_t& infoHeader, unsigned char* out)
{
    putU16(out, fileHeader.bfType);
    putU32(out, fileHeader.bfSize);
    putU16(out, fileHeader.bfReserved1);
    putU16(out, fileHeader.bfReserved2);
    putU32(out, fileHeader.bfOffBits);

    putU32(out, infoHeader.biSize);
    putU32(out, std::uint32_t(infoHeader.biWidth));
    putU32(out, std::uint32_t(infoHeader.biHeight));
    putU16(out, infoHeader.biPlanes);
    putU16(out, infoHeader.biBitCount);
    putU32(out, infoHeader.biCompression);
    putU32(out, infoHeader.biSizeImage);
    putU32(out, std::uint32_t(infoHeader.biXPelsPerMeter));
    putU32(out, std::uint32_t(infoHeader.biYPelsPerMeter));
    putU32(out, infoHeader.biClrUsed);
    putU32(out, infoHeader.biClrImportant);
}

void VexaImage::assignColorTable(unsigned char* out) const
{
    for (int i = 0; i < 256; ++i) {
        out[4 * i] = out[4 * i + 1] = out[4 * i + 2] = static_cast<unsigned char>(i);
        out[4 * i + 3] = 0;
    }
}

bool VexaImage::getImageInfo(const unsigned char* headers, BitmapFileHeader_t& fileHeader,
                             BitmapInfoHeader_t& infoHeader, int& width, int& height, int& type,
                             int& widthStep)
{
    const unsigned char* p = headers;
    fileHeader.bfType = getU16(p);
    fileHeader.bfSize = getU32(p);
    fileHeader.bfReserved1 = getU16(p);
    fileHeader.bfReserved2 = getU16(p);
    fileHeader.bfOffBits = getU32(p);
    infoHeader.biSize = getU32(p);
    infoHeader.biWidth = std::int32_t(getU32(p));
    infoHeader.biHeight = std::int32_t(getU32(p));
    infoHeader.biPlanes = getU16(p);
    infoHeader.biBitCount = getU16(p);
    infoHeader.biCompression = getU32(p);
    infoHeader.biSizeImage = getU32(p);
    infoHeader.biXPelsPerMeter = std::int32_t(getU32(p));
    infoHeader.biYPelsPerMeter = std::int32_t(getU32(p));
    infoHeader.biClrUsed = getU32(p);
    infoHeader.biClrImportant = getU32(p);

    if (fileHeader.bfType != kBitmapType || fileHeader.bfReserved1 != 0 || fileHeader.bfReserved2 != 0
        || infoHeader.biWidth <= 0 || infoHeader.biCompression != 0)
        return false;
    switch (infoHeader.biBitCount) {
    case 8: type = IMAGE_GRAY; break;
    case 24: type = IMAGE_BGR; break;
    case 32: type = IMAGE_BGRA; break;
    default: return false;
    }
    // |INT_MIN| has no int value.
    if (infoHeader.biHeight == INT_MIN)
        return false;
    // Row and image sizes must fit the int stride and the 32-bit size fields.
    const int64 nStep = paddedRow(int64(infoHeader.biBitCount / 8) * infoHeader.biWidth);
    const int64 nHeight = infoHeader.biHeight < 0 ? -int64(infoHeader.biHeight) : infoHeader.biHeight;
    if (nStep > INT_MAX || nStep * nHeight > int64(UINT32_MAX))
        return false;

    width = infoHeader.biWidth;
    height = int(nHeight);
    widthStep = int(nStep);
    return true;
}

bool VexaImage::writeToFileBMP(const char* path)
{
    if (!m_pData || m_nWidth < 1 || m_nHeight < 1)
        return false;
    BitmapFileHeader_t fileHeader;
    BitmapInfoHeader_t infoHeader;
    if (!assignBitmapHeaders(fileHeader, infoHeader))
        return false;
    // Stored rows hold the pixel bytes plus padding to 4.
    const int64 nRowBytes = int64(m_nWidth) * m_nChannels;
    const int64 nFileRow = paddedRow(nRowBytes);
    if (m_nWidthStep <= 0)
        return false;

    // An existing file is overwritten in place and cut to length afterwards.
    // Truncating it first costs several times the write itself when the same
    // file is rewritten over and over: ext4 flushes a file that was truncated
    // and written again when it is closed.
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    const bool bExisting = file.is_open();
    if (!bExisting)
        file.open(path, std::ios::binary | std::ios::out | std::ios::trunc);
    if (!file.is_open())
        return false;

    unsigned char headers[kHeadersSize];
    saveBitmapHeadersToPointer(fileHeader, infoHeader, headers);
    if (!file.write(reinterpret_cast<const char*>(headers), kHeadersSize)) {
        file.close();
        return false;
    }
    if (m_nType == IMAGE_GRAY) {
        unsigned char table[kColorTableSize];
        assignColorTable(table);
        file.write(reinterpret_cast<const char*>(table), kColorTableSize);
    }

    // Rows go bottom-up, gathered into large blocks so that the stream writes
    // few big pieces instead of one call per row. A row carries up to one
    // stored row of the image's own bytes (so padded strides keep their
    // padding bytes); the rest stays zero from the block's initialisation.
    const int64 nCopy = m_nWidthStep < nFileRow ? m_nWidthStep : nFileRow;
    const int64 nRowsPerBlock = rowsPerBlock(nFileRow, m_nHeight);
    std::vector<char> block(size_t(nRowsPerBlock * nFileRow), 0);
    for (int y = m_nHeight - 1; y >= 0 && file;) {
        int64 nRows = 0;
        for (; nRows < nRowsPerBlock && y >= 0; ++nRows, --y)
            std::memcpy(block.data() + nRows * nFileRow, m_pData + int64(y) * m_nWidthStep, size_t(nCopy));
        file.write(block.data(), std::streamsize(nRows * nFileRow));
    }
    const std::streamoff nWritten = file ? std::streamoff(file.tellp()) : -1;
    file.close();
    if (file.fail() || nWritten < 0)
        return false;
    std::error_code error;
    if (bExisting)
        std::filesystem::resize_file(path, std::uintmax_t(nWritten), error);
    return !error;
}

bool VexaImage::readFromFileBMP(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        release();
        return false;
    }
    file.seekg(0, std::ios::end);
    const int64 nFileSize = int64(file.tellg());
    file.seekg(0, std::ios::beg);

    unsigned char headers[kHeadersSize];
    BitmapFileHeader_t fileHeader;
    BitmapInfoHeader_t infoHeader;
    int nWidth = 0, nHeight = 0, nType = 0, nStep = 0;
    if (nFileSize < kHeadersSize || !file.read(reinterpret_cast<char*>(headers), kHeadersSize)
        || !getImageInfo(headers, fileHeader, infoHeader, nWidth, nHeight, nType, nStep)) {
        release();
        return false;
    }

    // Pixels start at the stored offset when it is plausible (after both
    // headers, inside the file); other writers use larger info headers or
    // shorter colour tables. Otherwise they follow the headers and, for grey
    // images, the 1024-byte colour table.
    const int64 nHeadersEnd = kFileHeaderSize
        + int64(infoHeader.biSize > kInfoHeaderSize ? infoHeader.biSize : kInfoHeaderSize);
    int64 nPixelStart = kHeadersSize + (nType == IMAGE_GRAY ? kColorTableSize : 0);
    if (fileHeader.bfOffBits >= nHeadersEnd && fileHeader.bfOffBits <= nFileSize)
        nPixelStart = fileHeader.bfOffBits;

    const int64 nBytes = int64(nStep) * nHeight;
    if (nPixelStart + nBytes > nFileSize) {
        release();
        return false;
    }
    if (nHeight == 0) {
        release(); // a picture without rows: empty, yet a valid file
        return true;
    }

    allocateNewMemory(nWidth, nHeight, nType, nStep, *this);
    if (!m_pData || m_nWidthStep != nStep || m_nHeight != nHeight) {
        release();
        return false;
    }

    file.seekg(nPixelStart, std::ios::beg);
    if (infoHeader.biHeight < 0) {
        // Top-down rows are the image memory as it is: one read.
        file.read(reinterpret_cast<char*>(m_pData), std::streamsize(nBytes));
    } else {
        // Bottom-up: the first stored row is the picture's last. Rows come in
        // through a block small enough to stay in cache, then go to their place.
        const int64 nRowsPerBlock = rowsPerBlock(nStep, nHeight);
        std::unique_ptr<char[]> block(new (std::nothrow) char[size_t(nRowsPerBlock * nStep)]);
        if (!block) {
            release();
            return false;
        }
        for (int y = nHeight - 1; y >= 0 && file;) {
            const int64 nRows = y + 1 < nRowsPerBlock ? y + 1 : nRowsPerBlock;
            if (!file.read(block.get(), std::streamsize(nRows * nStep)))
                break;
            for (int64 i = 0; i < nRows; ++i, --y)
                std::memcpy(m_pData + int64(y) * nStep, block.get() + i * nStep, size_t(nStep));
        }
    }
    if (!file) {
        release();
        return false;
    }
    return true;
}

} // namespace vexa
