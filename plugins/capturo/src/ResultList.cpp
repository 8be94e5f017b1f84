#include "ResultList.h"

#include "CapturoStyle.h"

#include <QCoreApplication>
#include <QIcon>
#include <QListView>
#include <QListWidget>

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
    // Every line is one icon and one short text, narrower than the list.
    m_pList->setUniformItemSizes(true);
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
    m_pList->addItem(pItem);
    while (m_pList->count() > MaxResults)
        delete m_pList->takeItem(0);
}

void ResultList::showNewest()
{
    if (m_pList->count() > 0)
        m_pList->scrollToItem(m_pList->item(m_pList->count() - 1));
}
