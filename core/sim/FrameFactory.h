#pragma once

#include <cstdint>
#include <memory>

#include <QString>

#include "FolderSource.h"
#include "SceneRenderer.h"
#include "server/CoreOptions.h"
#include "vision_core.pb.h"

class SimCameraSettings;

// Produces the camera's frames from the scene or the image folder, at the
// brightness that exposure and gain give.
class FrameFactory
{
public:
    FrameFactory(const CoreOptions& options, const SimCameraSettings& params);

    // Loads the image folder if one is set.
    bool prepare(QString* pError);
    // Pixel bytes of the largest frame it produces (once prepared).
    uint64_t largestFrameBytes() const;
    std::shared_ptr<kelvora::core::Frame> produce(uint64_t nFrame);

private:
    void copyImage(const QImage& image, double dBrightness, kelvora::core::Frame* pFrame) const;

    const SimCameraSettings& m_params;
    QString m_strFolder;
    bool m_bGrey;
    SceneRenderer m_renderer;
    FolderSource m_folder;
};
