#pragma once

#include <QPixmap>
#include <QString>

class QListWidget;
class QListWidgetItem;

// The strip of thumbnails under the image view. Each entry keeps only a small icon
// and, as its tool tip, the image's file name without extension; the full image is
// read back from disk when an entry is picked.
class ThumbnailStrip
{
public:
    static constexpr int MaxThumbnails = 3000;
    static constexpr int ThumbnailSize = 70;

    explicit ThumbnailStrip(QListWidget* pList);

    void add(const QPixmap& pixmap, const QString& qsName);
    void clear();

    // The file an entry stands for: its name with qsFormat, else with the other of
    // ".bmp" and ".jpg"; empty when neither exists or the entry has no name.
    static QString fileOf(const QListWidgetItem* pItem, const QString& qsFormat);
    // A copy no larger than the icon box, aspect kept.
    static QPixmap makeThumbnail(const QPixmap& pixmap);

    // Makes the entry at nRow current and returns it; null when out of range.
    QListWidgetItem* select(int nRow);
    // Rows one step back or forward from the current entry, -1 when there is none.
    // Without a current entry, back starts from the newest one and forward stays.
    int previousRow() const;
    int nextRow() const;

private:
    QListWidget* m_pList;
};
