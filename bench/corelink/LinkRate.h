#pragma once

#include <chrono>
#include <cstdint>

#include <json/json.h>

// Frame rate through corelink_client, shared by the link benchmarks.
struct Rate
{
    double dFps = 0;
    double dMBps = 0;
    // Process CPU time per frame, core included: on a busy machine the
    // difference between two readers is steadier than their rates.
    double dCpuMsPerFrame = 0;
};

// User and system CPU time of this process so far, in milliseconds.
double cpuMs();
Rate rateOf(uint64_t nFrames, uint64_t nBytes, std::chrono::steady_clock::duration elapsed, double dCpuMs);

// Connects a corelink client with the settings ({"rpc": {...}}), optionally
// starts video on its camera, counts the frames of dSeconds after a short
// warm-up and disconnects (stopping the video it started). Exits the process
// when the client cannot connect.
Rate measureCorelink(const Json::Value& settings, double dSeconds, bool bStartVideo);
