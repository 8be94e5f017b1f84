#include "ResultList.h"

#include "CapturoStyle.h"
#include "framework/PlainText.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QIcon>
#include <QListView>
#include <QListWidget>

namespace {

constexpr int kSuccessRole = Qt::UserRole + 1;

// Texts of the service's link and camera notices, as it sends them.
const char* const kLinkNotices[] = {
    "与视觉核心的连接已断开，正在重新连接",
    "已重新连接视觉核心，相机设置已恢复",
    "已重新连接视觉核心",
    "部分相机设置未能恢复",
    "相机连接中断，正在重新连接",
    "相机已重新连接",
};

} // namespace

ResultList::ResultList(QListWidget* pList)
    : m_pList(pList)
{
    m_pList->setViewMode(QListView::ListMode);
    m_pList->setFlow(QListView::TopToBottom);
    m_pList->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_pList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pList->setSpacing(9);
    m_pList->setStyleSheet(CapturoStyle::kResultList);
    // One status line per frame: without uniform sizes every new line re-measures
    // all lines kept (up to the bound), which slowed the page down as the list filled.
    // Every line is one icon and one line of text.
    m_pList->setUniformItemSizes(true);
}

bool ResultList::isLinkNotice(const QString& qsText)
{
    for (const char* pNotice : kLinkNotices)
        if (qsText == QString::fromUtf8(pNotice))
            return true;
    return false;
}

void ResultList::add(const QString& qsText, bool bSuccess)
{
    // One shared icon per state: a fresh QIcon per line would cache its own pixmap.
    static const QIcon iconSuccess(QStringLiteral(":/resources/success.png"));
    static const QIcon iconError(QStringLiteral(":/resources/error.png"));
    // The service words its statuses in Chinese, as its log keeps them; they are shown
    // in the interface's language. Texts it already translated come through as they are.
    const QString qsShown = QCoreApplication::translate("Service", qsText.toUtf8().constData());
    auto* pItem = new QListWidgetItem(bSuccess ? iconSuccess : iconError, qsShown);
    pItem->setForeground(bSuccess ? QColor(255, 255, 255) : QColor(238, 70, 59));
    pItem->setData(kSuccessRole, bSuccess);
    // The list is as narrow as its group: a longer line ends cut off, and its whole
    // text (a range, a file name) is what the operator needs.
    const int nRoom = m_pList->viewport()->width() - m_pList->iconSize().width() - 2 * m_pList->spacing() - 8;
    if (QFontMetrics(m_pList->font()).horizontalAdvance(qsShown) > nRoom)
        pItem->setToolTip(qsShown);
    m_pList->addItem(pItem);
    trim();
    if (isLinkNotice(qsText))
        showNewest();
}

void ResultList::addReason(const QString& qsReason)
{
    static const QIcon iconError(QStringLiteral(":/resources/error.png"));
    const QString qsPlain = plainLine(qsReason, MaxReason);
    // The core's words are shown as they are, never looked up as a text to translate.
    auto* pItem = new QListWidgetItem(iconError, qsPlain);
    pItem->setForeground(QColor(238, 70, 59));
    pItem->setData(kSuccessRole, false);
    // A tool tip that looks like markup is rendered as such: escaped, it reads as sent.
    pItem->setToolTip(QStringLiteral("<qt>%1</qt>").arg(qsPlain.toHtmlEscaped()));
    m_pList->addItem(pItem);
    trim();
}

void ResultList::trim()
{
    while (m_pList->count() > MaxResults) {
        int nRow = qMin(m_nFirstSuccessHint, m_pList->count() - 1);
        while (nRow < m_pList->count() - 1 && !m_pList->item(nRow)->data(kSuccessRole).toBool())
            ++nRow;
        if (!m_pList->item(nRow)->data(kSuccessRole).toBool())
            nRow = 0; // failures only: the oldest goes
        m_nFirstSuccessHint = nRow;
        delete m_pList->takeItem(nRow);
    }
}

void ResultList::showNewest()
{
    if (m_pList->count() > 0)
        m_pList->scrollToItem(m_pList->item(m_pList->count() - 1));
}
