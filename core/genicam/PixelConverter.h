#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "vision_core.pb.h"

// Turns a camera's raw image into a frame of the link: Mono8 as grey,
// Mono10/12/16 scaled to 8 bits, RGB8 and BGR8 as BGR, the four 8-bit Bayer
// layouts demosaiced to BGR. Formats are GenICam pixel format codes (PFNC).
namespace PixelConverter {

// PFNC codes of the formats handled here.
enum Format : uint32_t
{
    Mono8 = 0x01080001,
    Mono10 = 0x01100003,
    Mono12 = 0x01100005,
    Mono16 = 0x01100007,
    RGB8 = 0x02180014,
    BGR8 = 0x02180015,
    BayerGR8 = 0x01080008,
    BayerRG8 = 0x01080009,
    BayerGB8 = 0x0108000A,
    BayerBG8 = 0x0108000B,
};

bool isSupported(uint32_t nFormat);
// Bytes one pixel of the format takes in the camera's buffer; 0 if unknown.
int bytesPerPixel(uint32_t nFormat);

// Fills the frame's geometry, type and pixels from nBytes of data (rows
// packed, top row first). False with a reason naming the format when it is
// not handled or the data is too short; the frame is then left untouched.
bool convert(uint32_t nFormat, const std::string& strFormatName, int nWidth, int nHeight,
             const void* pData, size_t nBytes, kelvora::core::Frame* pFrame, std::string* pError);

} // namespace PixelConverter
