#pragma once

#include "framework/PluginMetaData.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

class DTButton;
class DTTitleBar;
class QAbstractButton;

// The title bar's camera tabs, one per open camera, kept from the records the window
// relays: an open reply adds (or re-captions) its camera's tab, a close reply takes it
// away, the close mark closes the camera. The two placeholder tabs stay until the
// core answers a camera list or a camera opens, so an older core keeps them.
// Clicking a camera's tab tells the camera page which camera it shows.
class CameraTabs : public QObject
{
    Q_OBJECT
public:
    // Object names of the first two camera tabs, left to right.
    static const char* const kFirstTabName;
    static const char* const kSecondTabName;

    CameraTabs(DTTitleBar* pTitleBar, QList<QAbstractButton*> placeholders, QObject* parent = nullptr);

    // Every relayed record passes here before the plugins have it (a request may be
    // answered while it is relayed) and after.
    void noteRequest(const PluginMetaData& plt);
    void handleRecord(const PluginMetaData& plt);

    QStringList cameraIds() const;
    QAbstractButton* tabOf(const QString& strId) const;
    bool hasPlaceholders() const;

signals:
    // A record for the plugins (close a camera, the camera chosen).
    void signalSend(PluginMetaData plt);
    // The camera page is to be shown (after a camera tab was clicked).
    void signalShowCameraPage();

private slots:
    void slotTabClicked();
    void slotCloseMark(QString qsName);

private:
    struct Tab
    {
        QString strId;
        QPointer<DTButton> pBtn;
    };
    void openReply(const PluginMetaData& plt);
    void closeReply(const QString& strId);
    void removePlaceholders();
    void setCaption(DTButton* pBtn, const QString& qsCaption);
    void renameTabs();
    int indexOf(const QString& strId) const;
    int indexOf(const QObject* pBtn) const;

    DTTitleBar* m_pTitleBar = nullptr;
    QList<QPointer<QAbstractButton>> m_placeholders;
    QList<Tab> m_tabs;
    // Cameras the operator asked to open on the bus: their tab is shown when it comes.
    QSet<QString> m_pendingShow;
};
