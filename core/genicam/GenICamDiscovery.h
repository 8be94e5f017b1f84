#pragma once

#include <vector>

#include "server/CameraRegistry.h"
#include "server/CoreOptions.h"

// The GenICam cameras (GigE Vision, USB3 Vision) the library finds now,
// each with a backend made from the given options when it is first opened.
// Takes about a second (the library's fixed wait for answers).
std::vector<DiscoveredCamera> discoverGenICamCameras(const CoreOptions& options);

// The interface a GenICam protocol name stands for: "GigE", "USB3", or the
// name itself for any other.
std::string genicamInterface(const std::string& strProtocol);
