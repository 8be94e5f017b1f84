#include "ThumbnailStrip.h"

#include "CapturoStyle.h"

#include <QFileInfo>
#include <QHelpEvent>
#include <QIcon>
#include <QListView>
#include <QListWidget>
#include <QToolTip>

namespace {

// Shows an entry's tool tip in the page's colours. Left to the list, the tip would
// take the list's dark background with the default dark text.
class ToolTipLook : public QObject
{
public:
    explicit ToolTipLook(QListWidget* pList)
        : QObject(pList)
        , m_pList(pList)
        , m_pViewport(pList->viewport())
    {
        m_pViewport->setStyleSheet(CapturoStyle::kThumbnailToolTip);
        m_pViewport->installEventFilter(this);
    }

    bool eventFilter(QObject* pWatched, QEvent* pEvent) override
    {
        // The viewport goes before this filter when the list is destroyed and still
        // sends events then: the list is not asked for anything but tool tips.
        if (pEvent->type() != QEvent::ToolTip || pWatched != m_pViewport)
            return QObject::eventFilter(pWatched, pEvent);
        const auto* pHelp = static_cast<QHelpEvent*>(pEvent);
        const QListWidgetItem* pItem = m_pList->itemAt(pHelp->pos());
        if (!pItem || pItem->toolTip().isEmpty()) {
            QToolTip::hideText();
            return true;
        }
        QToolTip::showText(pHelp->globalPos(), pItem->toolTip(), m_pViewport, m_pList->visualItemRect(pItem));
        return true;
    }

private:
    QListWidget* m_pList;
    QWidget* m_pViewport;
};

} // namespace

ThumbnailStrip::ThumbnailStrip(QListWidget* pList)
    : m_pList(pList)
{
    m_pList->setViewMode(QListView::ListMode);
    m_pList->setFlow(QListView::LeftToRight);
    m_pList->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_pList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pList->setSpacing(12);
    m_pList->setStyleSheet(CapturoStyle::kImageList);
    m_pList->setFixedHeight(110);
    m_pList->setIconSize(QSize(ThumbnailSize, ThumbnailSize));
    // Every thumbnail has the same icon box and no text: lay the strip out in constant
    // time instead of measuring thousands of items after each frame.
    m_pList->setUniformItemSizes(true);

    // The picked entry in the page's accent instead of the style's own highlight.
    QPalette palette = m_pList->palette();
    const QColor accent(CapturoStyle::kSelectionRgb[0], CapturoStyle::kSelectionRgb[1],
                        CapturoStyle::kSelectionRgb[2], CapturoStyle::kSelectionAlpha);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::Highlight, accent);
    m_pList->setPalette(palette);
    new ToolTipLook(m_pList);
}

// A thumbnail holds only what its icon shows, never the full frame. Large frames are
// first halved cheaply, then smoothed, which costs a fraction of a smooth scale from
// full size and looks the same at icon size.
QPixmap ThumbnailStrip::makeThumbnail(const QPixmap& pixmap)
{
    const QSize target(ThumbnailSize, ThumbnailSize);
    if (pixmap.isNull() || (pixmap.width() <= target.width() && pixmap.height() <= target.height()))
        return pixmap;
    QPixmap source = pixmap;
    if (source.width() > 4 * target.width() || source.height() > 4 * target.height())
        source = source.scaled(target * 2, Qt::KeepAspectRatio, Qt::FastTransformation);
    return source.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void ThumbnailStrip::add(const QPixmap& pixmap, const QString& qsName)
{
    m_pList->setIconSize(QSize(ThumbnailSize, ThumbnailSize));
    auto* pItem = new QListWidgetItem(QIcon(makeThumbnail(pixmap)), QString());
    pItem->setToolTip(qsName);
    m_pList->addItem(pItem);
    while (m_pList->count() > MaxThumbnails)
        delete m_pList->takeItem(0);
}

void ThumbnailStrip::clear()
{
    m_pList->clear();
}

QString ThumbnailStrip::fileOf(const QListWidgetItem* pItem, const QString& qsFormat)
{
    if (!pItem)
        return QString();
    const QString qsBase = pItem->toolTip();
    if (qsBase.isEmpty())
        return QString();
    const QString qsOther = qsFormat == QLatin1String(".bmp") ? QStringLiteral(".jpg")
                                                              : QStringLiteral(".bmp");
    for (const QString& qsExt : {qsFormat, qsOther}) {
        const QString qsFile = qsBase + qsExt;
        if (QFileInfo::exists(qsFile))
            return qsFile;
    }
    return QString();
}

QListWidgetItem* ThumbnailStrip::select(int nRow)
{
    if (nRow < 0 || nRow >= m_pList->count())
        return nullptr;
    m_pList->setCurrentRow(nRow);
    m_pList->scrollToItem(m_pList->item(nRow));
    return m_pList->item(nRow);
}

int ThumbnailStrip::previousRow() const
{
    const int nCurrent = m_pList->currentRow();
    return nCurrent < 0 ? m_pList->count() - 1 : nCurrent - 1;
}

int ThumbnailStrip::nextRow() const
{
    const int nCurrent = m_pList->currentRow();
    return nCurrent < 0 ? -1 : nCurrent + 1;
}
