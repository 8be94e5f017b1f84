#include "CameraTabs.h"

#include "DTTitleBar.h"
#include "framework/DTButton.h"
#include "framework/PluginMessages.h"

#include <QFontMetrics>

namespace {
const char* const kCameraIcon = ":/resources/camera.png";
// The tab's fixed width less its icon, the close mark and the button's padding.
const int kCaptionWidth = 200 - 16 - 20 - 28;

QString captionOf(const QJsonObject& json)
{
    QString qsCaption = json.value("caption").toString();
    if (qsCaption.isEmpty())
        qsCaption = json.value("name").toString();
    if (qsCaption.isEmpty())
        qsCaption = (json.value("model").toString() + " " + json.value("serial").toString()).trimmed();
    if (qsCaption.isEmpty())
        qsCaption = json.value("camera").toString();
    return qsCaption;
}
} // namespace

const char* const CameraTabs::kFirstTabName = "test_obj1";
const char* const CameraTabs::kSecondTabName = "test_obj";

CameraTabs::CameraTabs(DTTitleBar* pTitleBar, QList<QAbstractButton*> placeholders, QObject* parent)
    : QObject(parent)
    , m_pTitleBar(pTitleBar)
{
    for (QAbstractButton* pBtn : placeholders)
        m_placeholders.append(pBtn);
}

void CameraTabs::noteRequest(const PluginMetaData& plt)
{
    const QString strId = plt.jsonData.value("camera").toString();
    if (plt.nModule == MODULE_SERVICE && plt.nMsgId == MSG_OPEN_CAMERA && !strId.isEmpty())
        m_pendingShow.insert(strId);
}

void CameraTabs::handleRecord(const PluginMetaData& plt)
{
    const QString strId = plt.jsonData.value("camera").toString();
    if (plt.nModule == MODULE_CAPTURO && plt.nMsgId == MSG_OPEN_CAMERA) {
        if (plt.jsonData.value("success").toInt() == 1 && !strId.isEmpty())
            openReply(plt);
        else
            m_pendingShow.remove(strId);
    } else if (plt.nModule == MODULE_CAPTURO && plt.nMsgId == MSG_CLOSE_CAMERA) {
        if (plt.jsonData.value("success").toInt() == 1)
            closeReply(strId);
    } else if (plt.nModule == MODULE_SCANVOR && plt.nMsgId == MSG_LIST_CAMERAS) {
        // A core that lists its cameras: a tab naming none of them would be wrong.
        const QJsonObject& json = plt.jsonData;
        if (!json.value("ack").toBool() && !json.value("legacy").toBool()
            && json.value("error").toString().isEmpty() && json.contains("cameras"))
            removePlaceholders();
    }
}

void CameraTabs::openReply(const PluginMetaData& plt)
{
    const QString strId = plt.jsonData.value("camera").toString();
    const int nIndex = indexOf(strId);
    if (nIndex >= 0) {
        setCaption(m_tabs.at(nIndex).pBtn, captionOf(plt.jsonData));
        return;
    }
    removePlaceholders();
    auto* pBtn = new DTButton;
    pBtn->setIcon(QIcon(kCameraIcon));
    setCaption(pBtn, captionOf(plt.jsonData));
    m_tabs.append({strId, pBtn});
    renameTabs();
    m_pTitleBar->addTabButton(pBtn, true);
    connect(pBtn, &DTButton::clicked, this, &CameraTabs::slotTabClicked);
    // After the title bar's own handling, which shows the tab before or home.
    connect(pBtn, &DTButton::signalCloseTab, this, &CameraTabs::slotCloseMark);
    if (m_pendingShow.remove(strId)) {
        pBtn->click();
        emit pBtn->clicked(false);
    }
}

void CameraTabs::closeReply(const QString& strId)
{
    const int nIndex = indexOf(strId);
    if (nIndex < 0)
        return;
    DTButton* pBtn = m_tabs.at(nIndex).pBtn;
    m_tabs.removeAt(nIndex);
    // Closed elsewhere: the tab goes as its close mark takes it, without a second close.
    if (pBtn)
        m_pTitleBar->slotCloseTab(pBtn->objectName());
    renameTabs();
}

void CameraTabs::slotCloseMark(QString)
{
    const int nIndex = indexOf(sender());
    if (nIndex < 0)
        return;
    const QString strId = m_tabs.at(nIndex).strId;
    m_tabs.removeAt(nIndex);
    renameTabs();
    PluginMetaData plt;
    plt.nModule = MODULE_SERVICE;
    plt.nMsgId = MSG_CLOSE_CAMERA;
    plt.jsonData.insert("camera", strId);
    emit signalSend(plt);
}

void CameraTabs::slotTabClicked()
{
    const int nIndex = indexOf(sender());
    if (nIndex < 0)
        return;
    PluginMetaData plt;
    plt.nModule = MODULE_CAPTURO;
    plt.nMsgId = MSG_CAMERA_SELECTED;
    plt.jsonData.insert("camera", m_tabs.at(nIndex).strId);
    emit signalSend(plt);
    emit signalShowCameraPage();
}

void CameraTabs::removePlaceholders()
{
    for (const QPointer<QAbstractButton>& pBtn : qAsConst(m_placeholders))
        if (pBtn)
            m_pTitleBar->removeTabButton(pBtn);
    m_placeholders.clear();
}

void CameraTabs::setCaption(DTButton* pBtn, const QString& qsCaption)
{
    if (!pBtn)
        return;
    // Cut in the middle: cameras of one model differ at the end, in the serial number.
    pBtn->setText(QFontMetrics(pBtn->font()).elidedText(qsCaption, Qt::ElideMiddle, kCaptionWidth));
    pBtn->setToolTip(qsCaption);
}

void CameraTabs::renameTabs()
{
    for (int nPos = 0; nPos < m_tabs.size(); ++nPos) {
        if (!m_tabs.at(nPos).pBtn)
            continue;
        const QString qsName = nPos == 0 ? kFirstTabName
            : nPos == 1                  ? kSecondTabName
                                         : QString("camera_tab_%1").arg(nPos);
        m_tabs.at(nPos).pBtn->setObjectName(qsName);
    }
}

QStringList CameraTabs::cameraIds() const
{
    QStringList ids;
    for (const Tab& tab : m_tabs)
        ids << tab.strId;
    return ids;
}

QAbstractButton* CameraTabs::tabOf(const QString& strId) const
{
    const int nIndex = indexOf(strId);
    return nIndex < 0 ? nullptr : m_tabs.at(nIndex).pBtn.data();
}

bool CameraTabs::hasPlaceholders() const
{
    for (const QPointer<QAbstractButton>& pBtn : m_placeholders)
        if (pBtn && pBtn->parent())
            return true;
    return false;
}

int CameraTabs::indexOf(const QString& strId) const
{
    for (int i = 0; i < m_tabs.size(); ++i)
        if (m_tabs.at(i).strId == strId)
            return i;
    return -1;
}

int CameraTabs::indexOf(const QObject* pBtn) const
{
    for (int i = 0; i < m_tabs.size(); ++i)
        if (m_tabs.at(i).pBtn == pBtn)
            return i;
    return -1;
}
