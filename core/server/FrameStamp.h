#pragma once

#include <cstdint>

// A send time written into the first pixels of a frame, for measuring latency
// from the core to the screen. The clock is CLOCK_MONOTONIC (std::chrono's
// steady_clock on Linux), which every process of the machine shares.
//
// Layout: kPixels pixels of the top row; the first four hold the marker bytes,
// the next eight the nanoseconds, least significant byte first. Each byte fills
// every channel of its pixel, so the stamp survives BMP files and any channel
// order or pixel format that keeps 8-bit values.
namespace FrameStamp {

constexpr int kPixels = 12;

// The current time on the shared clock, in nanoseconds.
int64_t now();

// Writes nNanoseconds into the row (nChannels bytes per pixel); false when the
// row holds fewer than kPixels pixels.
bool write(unsigned char* pRow, int nWidth, int nChannels, int64_t nNanoseconds);

// Reads a stamp from kPixels byte values (one per pixel); false without the marker.
bool read(const unsigned char* pValues, int64_t* pNanoseconds);

} // namespace FrameStamp
