#pragma once

#include <QVector>

#include <functional>
#include <string>

// The transport ceiling: a bare gRPC reader of the core's frame stream (the
// generated stub, parsing each message and nothing else), with the core in
// video mode for the time of the reading.
struct BareRate
{
    double dFps = 0;
    quint64 nFrames = 0;
    // Send stamp to parsed message, per frame, in milliseconds.
    QVector<double> latenciesMs;
};

// onMeasure runs when the measured stretch starts and again when it ends.
BareRate readBareStream(const std::string& strEndpoint, double dWarmSeconds, double dSeconds,
                        const std::function<void()>& onMeasure = {});
