#pragma once

#include <cstdint>
#include <vector>

#include <QImage>
#include <QString>

// Images of a folder (BMP and JPG, in name order), converted once to the
// camera's pixel type and played in a loop.
class FolderSource
{
public:
    // False with a reason when the folder has no readable image.
    bool load(const QString& strFolder, bool bGrey, QString* pError);

    bool isEmpty() const { return m_images.empty(); }
    // The image shown as frame n (frames count from 1).
    const QImage& image(uint64_t nFrame) const;
    int channels() const { return m_bGrey ? 1 : 3; }
    // Pixel bytes of the largest image as a frame (each plays at its own size).
    uint64_t largestImageBytes() const;

private:
    std::vector<QImage> m_images;
    bool m_bGrey = false;
};
