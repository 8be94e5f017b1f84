#pragma once

// A connection to the vision core.

#include <memory>

#include <json/json.h>

#include "corelink/CCameraBase.h"
#include "corelink/CommTypes.h"

class CCommBase
{
public:
    virtual ~CCommBase() = default;

    // The camera of this connection; the same object for the connection's life.
    virtual std::shared_ptr<CCameraBase> camera() = 0;
    // Results and messages arrive on threads of the library.
    virtual void setResultCallback(ResultCallback callback) = 0;
    virtual void setMessageCallback(MessageCallback callback) = 0;
    // Hears the link go down (a stream broke: core gone, restarted, or silent
    // past the keepalive timeout) and come up again (every stream subscribed
    // anew), on a thread of the library. Not called for the first connection.
    virtual void setLinkCallback(LinkCallback callback) = 0;
    // settings: {"rpc": {"ip": "host:port"}}. Returns 0 once the core answered,
    // non-zero after about a second without an answer or for bad settings.
    // uninit() on another thread ends a waiting init early.
    // From then on frames, results and messages are received, and the
    // subscription is renewed by itself when the core restarts.
    // The first init raises glibc's mmap and trim thresholds (32 MiB,
    // 128 MiB) so that frame buffers are reused from the heap.
    virtual int init(const Json::Value& settings) = 0;
    // Stops every thread of the connection; no callback runs after it returns.
    virtual void uninit() = 0;
    // Tells the core that the operator's screen is loaded; *pState is passed
    // on and replaced by the core's answer. 0 on success.
    virtual int notifyLoadUI(int* pState) = 0;
};
