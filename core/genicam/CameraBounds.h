#pragma once

#include <optional>
#include <string>
#include <utility>

#include "vision_core.pb.h"

// A camera's bounds as it states them in its own units (microseconds for
// exposure and the line debouncer, frames a second for the frame rate).
struct CameraBounds
{
    using Range = std::pair<double, double>;

    int nWidth = 0;
    int nHeight = 0;
    std::optional<Range> exposure;
    // dB on most cameras, raw steps where a camera has only a raw gain.
    std::optional<Range> gain;
    std::optional<Range> debouncer;
    std::optional<Range> frameRate;
    // Has a line that is a trigger source.
    bool bHasLine = false;
};

// The link's bounds for a camera: whole microseconds and milliseconds as the
// protocol counts them, rounded inwards so every value in range is one the
// camera takes. A feature the camera lacks is 0 to 0.
kelvora::core::CameraRanges translateBounds(const CameraBounds& bounds);
