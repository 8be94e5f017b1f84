#include "OperatorSettings.h"

#include "corelink/CCameraBase.h"
#include "framework/PluginMessages.h"

bool isCameraParam(int nIndex)
{
    switch (nIndex) {
    case PARAM_GAIN:
    case PARAM_EXPOSURE:
    case PARAM_TRIGGER_GAP:
    case PARAM_TRIGGER_MODE:
    case PARAM_DEBOUNCE: return true;
    default: return false;
    }
}

int applyCameraParam(CCameraBase& camera, int nIndex, const QVariant& value)
{
    switch (nIndex) {
    case PARAM_GAIN: return camera.setGain(value.toFloat());
    case PARAM_EXPOSURE: return camera.setExposure(value.toUInt());
    case PARAM_TRIGGER_GAP: return camera.setTriggerGap(value.toFloat());
    case PARAM_TRIGGER_MODE: return camera.setTriggerMode(value.toInt());
    case PARAM_DEBOUNCE: return camera.setDebounceTime(value.toInt());
    default: return -1;
    }
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
    for (int nIndex : {PARAM_EXPOSURE, PARAM_GAIN, PARAM_DEBOUNCE, PARAM_TRIGGER_MODE, PARAM_TRIGGER_GAP}) {
        const auto it = params.find(nIndex);
        if (it != params.end())
            bAll = applyCameraParam(camera, nIndex, it->second) == 0 && bAll;
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
