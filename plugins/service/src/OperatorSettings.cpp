#include "OperatorSettings.h"

#include "CameraParamValue.h"
#include "corelink/CCameraBase.h"

int applyCameraParam(CCameraBase& camera, const CameraParam& param, const QVariant& value,
                     std::string* pReason)
{
    return camera.setParam(param, paramFromVariant(param, value), pReason);
}

void OperatorSettings::recordParam(int nIndex, const QVariant& value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_params[nIndex] = value;
}

void OperatorSettings::recordContinuous(bool bRunning)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bContinuous = bRunning;
}

void OperatorSettings::recordVideo(bool bRunning)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bVideo = bRunning;
}

void OperatorSettings::takeOver(OperatorSettings& earlier)
{
    if (&earlier == this)
        return;
    std::map<int, QVariant> params;
    bool bContinuous = false;
    bool bVideo = false;
    {
        std::lock_guard<std::mutex> lock(earlier.m_mutex);
        params.swap(earlier.m_params);
        bContinuous = earlier.m_bContinuous;
        bVideo = earlier.m_bVideo;
        earlier.m_bContinuous = false;
        earlier.m_bVideo = false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    // insert keeps a value of this camera's own.
    m_params.insert(params.begin(), params.end());
    m_bContinuous = m_bContinuous || bContinuous;
    m_bVideo = m_bVideo || bVideo;
}

bool OperatorSettings::hasParam(int nIndex) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_params.count(nIndex) != 0;
}

bool OperatorSettings::continuous() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bContinuous;
}

bool OperatorSettings::video() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bVideo;
}

bool OperatorSettings::restore(CCameraBase& camera, bool* pContinuous) const
{
    std::map<int, QVariant> params;
    bool bContinuous = false;
    bool bVideo = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        params = m_params;
        bContinuous = m_bContinuous;
        bVideo = m_bVideo;
    }
    bool bAll = true;
    for (const CameraParam& param : kCameraParams) {
        const auto it = params.find(param.nIndex);
        if (it != params.end())
            bAll = applyCameraParam(camera, param, it->second) == 0 && bAll;
    }
    if (bVideo)
        bAll = camera.startVideo() == 0 && bAll;
    const bool bRunning = bContinuous && camera.startContinuous() == 0;
    if (bContinuous)
        bAll = bRunning && bAll;
    if (pContinuous)
        *pContinuous = bRunning;
    return bAll;
}
