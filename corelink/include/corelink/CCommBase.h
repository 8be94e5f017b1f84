#pragma once

// A connection to the vision core.

#include <memory>
#include <string>
#include <vector>

#include <json/json.h>

#include "corelink/CCameraBase.h"
#include "corelink/CommTypes.h"

class CCommBase
{
public:
    virtual ~CCommBase() = default;

    // The camera of this connection that names no camera: the first camera
    // this connection opened, or, with none open, the core's first camera
    // (shared with other clients). Its frame callback hears every frame of a
    // camera without a callback of its own. The same object for the
    // connection's life.
    virtual std::shared_ptr<CCameraBase> camera() = 0;
    // The camera with this id (as listed); the same object for each id. Its
    // calls fail until the camera is opened.
    virtual std::shared_ptr<CCameraBase> camera(const std::string& id) = 0;
    // The cameras the core can reach; with bRefresh the core looks for
    // cameras anew first (about a second; the call waits at most 3 s).
    // 12 (unimplemented) from a core that lists no cameras. Blocks: call it
    // off the operator's GUI thread.
    virtual int listCameras(std::vector<CameraListing>* pCameras, bool bRefresh = true) = 0;
    // Opens the camera for this connection (refused while another client
    // holds it) and fills *pListing when given; the core may take seconds to
    // reach a camera (at most 5 s). Opened cameras are opened again when the
    // link comes back after a core restart.
    virtual int openCamera(const std::string& id, CameraListing* pListing = nullptr) = 0;
    // Releases the camera in the core; its shooting stops.
    virtual int closeCamera(const std::string& id) = 0;
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
