#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "vision_core.pb.h"

// Turns a camera's raw image into a frame of the link: Mono8 as grey,
// Mono10/12/16 in 16-bit containers and packed (GigE Vision "Packed" and
// PFNC "p") scaled to 8 bits, RGB8 and BGR8 as BGR, the Bayer layouts of 8,
// 10, 12 and 16 bits, unpacked and packed, scaled to 8 bits and demosaiced
// to BGR. Formats are GenICam pixel format codes (PFNC).
namespace PixelConverter {

// PFNC codes of the formats handled here.
enum Format : uint32_t
{
    Mono8 = 0x01080001,
    Mono10 = 0x01100003,
    Mono10Packed = 0x010C0004,
    Mono12 = 0x01100005,
    Mono12Packed = 0x010C0006,
    Mono16 = 0x01100007,
    Mono10p = 0x010A0046,
    Mono12p = 0x010C0047,
    RGB8 = 0x02180014,
    BGR8 = 0x02180015,
    BayerGR8 = 0x01080008,
    BayerRG8 = 0x01080009,
    BayerGB8 = 0x0108000A,
    BayerBG8 = 0x0108000B,
    BayerGR10 = 0x0110000C,
    BayerRG10 = 0x0110000D,
    BayerGB10 = 0x0110000E,
    BayerBG10 = 0x0110000F,
    BayerGR12 = 0x01100010,
    BayerRG12 = 0x01100011,
    BayerGB12 = 0x01100012,
    BayerBG12 = 0x01100013,
    BayerGR16 = 0x0110002E,
    BayerRG16 = 0x0110002F,
    BayerGB16 = 0x01100030,
    BayerBG16 = 0x01100031,
    BayerGR10Packed = 0x010C0026,
    BayerRG10Packed = 0x010C0027,
    BayerGB10Packed = 0x010C0028,
    BayerBG10Packed = 0x010C0029,
    BayerGR12Packed = 0x010C002A,
    BayerRG12Packed = 0x010C002B,
    BayerGB12Packed = 0x010C002C,
    BayerBG12Packed = 0x010C002D,
    BayerBG10p = 0x010A0052,
    BayerGB10p = 0x010A0054,
    BayerGR10p = 0x010A0056,
    BayerRG10p = 0x010A0058,
    BayerBG12p = 0x010C0053,
    BayerGB12p = 0x010C0055,
    BayerGR12p = 0x010C0057,
    BayerRG12p = 0x010C0059,
};

bool isSupported(uint32_t nFormat);
// Bytes an image of the format takes in the camera's buffer; 0 if the
// format is unknown.
size_t imageBytes(uint32_t nFormat, int nWidth, int nHeight);
// Channels of the converted frame: 1 grey, 3 BGR; 0 if unknown.
int outputChannels(uint32_t nFormat);

// Fills the frame's geometry, type and pixels from nBytes of data (rows
// packed, top row first; packed formats run on across rows). False with a
// reason naming the format when it is not handled or the data is too short;
// the frame is then left untouched.
bool convert(uint32_t nFormat, const std::string& strFormatName, int nWidth, int nHeight, const void* pData,
             size_t nBytes, kelvora::core::Frame* pFrame, std::string* pError);

} // namespace PixelConverter
