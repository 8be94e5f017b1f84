#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThreadPool>

#include <atomic>

// Opens a folder of local images off the GUI thread: lists its ".bmp" and
// ".jpg" files, decodes each at thumbnail size (the reader scales while it
// decodes where the format allows), hands the thumbnails over in folder
// order as they come, and finally decodes the folder's last image at full
// size for the view. An image whose header claims more than kMaxPixels is
// refused before anything is decoded, so a tiny file cannot exhaust memory.
class LocalFolderLoader : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kMaxPixels = 100000000;

    explicit LocalFolderLoader(QObject* parent = nullptr);
    // Waits for the image being decoded, if any.
    ~LocalFolderLoader() override;

    // Stops a load in progress (nothing more of it is delivered) and starts this one.
    void load(const QString& qsFolder);
    void cancel();

    // Any thread. Reads the image, scaled to fit box when box is valid and the
    // image is larger; null with the status text in *pStatus when refused or unreadable.
    static QImage read(const QString& qsPath, const QSize& box, QString* pStatus);

signals:
    void signalThumbnail(int nIndex, QImage icon, QString qsName);
    void signalRefused(QString qsStatus);
    void signalLastImage(QImage image, QString qsName);
    void signalFinished(int nListed);

private:
    void run(const QString& qsFolder, int nGeneration);
    // Runs f on this object's thread unless a newer load started meanwhile.
    template <typename F>
    void deliver(int nGeneration, F f);

    std::atomic<int> m_nGeneration{0};
    QThreadPool m_pool;
};
