#ifndef VEXA_IMAGE_H
#define VEXA_IMAGE_H

#include <cstdint>
#include <memory>

#include "common/vexa_export.h"

namespace vexa {

using uint64 = std::uint64_t;
using int64 = std::int64_t;

// 8-bit raster of one, three or four interleaved channels with its own row
// stride. Row 0 is the top row; channel bytes are stored as a BMP file of the
// matching bit count stores them (blue, green, red, fourth byte).
//
// An image either owns its pixels (shared buffer, data() at its start) or wraps
// foreign memory (no buffer). Copies share the pixel memory; copyTo() is the
// deep copy. The identifier is a per-object value and is never copied.
class VEXACOMMON_EXPORT VexaImage
{
public:
    // A fixed underlying type: callers cast plain ints (file headers, other
    // modules), and an unknown value must be representable to be refused.
    enum E_Image_Type : int
    {
        IMAGE_GRAY = 0,
        IMAGE_BGR = 1,
        IMAGE_BGRA = 2
    };

    // The two BMP headers as they appear in a file (little-endian on disk).
    struct BitmapFileHeader_t
    {
        std::uint16_t bfType = 0;
        std::uint32_t bfSize = 0;
        std::uint16_t bfReserved1 = 0;
        std::uint16_t bfReserved2 = 0;
        std::uint32_t bfOffBits = 0;
    };

    struct BitmapInfoHeader_t
    {
        std::uint32_t biSize = 0;
        std::int32_t biWidth = 0;
        std::int32_t biHeight = 0;
        std::uint16_t biPlanes = 0;
        std::uint16_t biBitCount = 0;
        std::uint32_t biCompression = 0;
        std::uint32_t biSizeImage = 0;
        std::int32_t biXPelsPerMeter = 0;
        std::int32_t biYPelsPerMeter = 0;
        std::uint32_t biClrUsed = 0;
        std::uint32_t biClrImportant = 0;
    };

    static constexpr int kFileHeaderSize = 14;
    static constexpr int kInfoHeaderSize = 40;
    static constexpr int kHeadersSize = kFileHeaderSize + kInfoHeaderSize;
    static constexpr int kColorTableSize = 1024;

    VexaImage();
    // Allocates and zero-fills widthStep * height bytes; invalid geometry leaves
    // the image empty.
    VexaImage(int width, int height, E_Image_Type type, int widthStep);
    // copy == true: allocates and copies widthStep * height bytes from data.
    // copy == false: wraps data unchecked; the caller keeps it alive.
    VexaImage(int width, int height, E_Image_Type type, int widthStep, unsigned char* data, bool copy);
    // Shares the source's pixels; the new image's identifier is 0.
    VexaImage(const VexaImage& other);
    // Shares the source's pixels; the target keeps its own identifier.
    const VexaImage& operator=(const VexaImage& other);
    virtual ~VexaImage();

    int width() const { return m_nWidth; }
    int height() const { return m_nHeight; }
    int channels() const { return m_nChannels; }
    int widthStep() const { return m_nWidthStep; }
    int type() const { return m_nType; }
    unsigned char* data() const { return m_pData; }
    uint64 getIdentifier() const { return m_nIdentifier; }
    void setIdentifier(uint64 identifier) { m_nIdentifier = identifier; }

    // Pixel count (not bytes).
    uint64 total() const;
    bool empty() const;
    bool isInside(int x, int y) const;

    // True when new memory was attached. False when the geometry is refused or
    // memory runs out (the image is then empty), or when the image already owns
    // memory of exactly this geometry (left as it was, pixels kept).
    static bool allocateNewMemory(int width, int height, int type, int widthStep, VexaImage& image);
    // Allocates, then copies widthStep * height bytes from src or zero-fills
    // when src is null. False (nothing copied) whenever allocateNewMemory is.
    bool generateNewImage(int width, int height, int type, int widthStep, unsigned char* src);
    // Deep copy into dst.
    void copyTo(VexaImage& dst);

    // Uncompressed Windows BMP: 8-bit grey (palette index taken as grey),
    // 24-bit BGR, 32-bit BGRA; bottom-up and top-down files are read. A failed
    // read leaves the image empty. Paths are passed unchanged to std streams.
    bool readFromFileBMP(const char* path);
    bool writeToFileBMP(const char* path);

private:
    void assignChannelsWithType();
    bool resize(int64 bytes);
    void release();
    static bool getImageInfo(const unsigned char* headers, BitmapFileHeader_t& fileHeader,
                             BitmapInfoHeader_t& infoHeader, int& width, int& height, int& type,
                             int& widthStep);
    bool assignBitmapHeaders(BitmapFileHeader_t& fileHeader, BitmapInfoHeader_t& infoHeader) const;
    static void saveBitmapHeadersToPointer(const BitmapFileHeader_t& fileHeader,
                                           const BitmapInfoHeader_t& infoHeader, unsigned char* out);
    void assignColorTable(unsigned char* out) const;

    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nChannels = 3;
    int m_nType = IMAGE_BGR;
    int m_nWidthStep = 0;
    uint64 m_nIdentifier = 0;
    unsigned char* m_pData = nullptr;
    std::shared_ptr<unsigned char[]> m_pBuffer;
};

} // namespace vexa

#endif // VEXA_IMAGE_H
