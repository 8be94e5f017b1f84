#pragma once

// Current camera values from a MSG_GET_CAMERA_PARAMS reply.
struct CameraParams
{
    float fGain = 0.0f;
    int nExposure = 0;
    int nTriggerMode = 0;
    float fTriggerGap = 0.0f;
};
