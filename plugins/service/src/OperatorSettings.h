#pragma once

#include "corelink/CameraParamTable.h"

#include <QVariant>

#include <map>
#include <mutex>
#include <string>

class CCameraBase;

// Writes one parameter with the camera's own type; the camera's result, with
// its reason in *pReason (when given) on failure.
int applyCameraParam(CCameraBase& camera, const CameraParam& param, const QVariant& value,
                     std::string* pReason = nullptr);

// What the operator asked of the camera: the last value of each parameter and
// whether continuous shooting or video mode should run. A core that restarts
// forgets all of it; restore() gives it back. Intent is kept whether or not
// the core carried the command out, so a command given while the core was away
// takes effect when it returns, and the page's switches match the camera.
class OperatorSettings
{
public:
    // Index as in CameraParamIndex.
    void recordParam(int nIndex, const QVariant& value);
    void recordContinuous(bool bRunning);
    void recordVideo(bool bRunning);

    // Takes over what was asked of another object (the camera of the time before
    // one was opened), where this one holds nothing of its own; that one is emptied.
    void takeOver(OperatorSettings& earlier);

    bool hasParam(int nIndex) const;
    bool continuous() const;
    bool video() const;

    // Writes the parameters that were set, in the order of the parameter table,
    // then starts what was running. True when
    // the camera took every one of them. pContinuous, if given: whether continuous
    // shooting runs afterwards (wanted and started).
    bool restore(CCameraBase& camera, bool* pContinuous = nullptr) const;

private:
    mutable std::mutex m_mutex;
    std::map<int, QVariant> m_params;
    bool m_bContinuous = false;
    bool m_bVideo = false;
};
