#pragma once

#include "DT_PluginsManager.h"
#include "RunFolder.h"
#include "TestHost.h"
#include "framework/PluginMessages.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPluginLoader>
#include <QVariantMap>

#include <memory>

// One process-wide plugin start, as the host does it: the real service plugin
// first, a recording plugin after it, both from plugins/ of a fresh working
// folder that may hold a config.ini.
class ServiceFixture
{
public:
    // strIp empty: no config.ini at all. nListings > 1 names each plugin file
    // that many times in the list, in turn. extraConfig: more lines of config.ini.
    bool start(const QString& strIp, int nListings = 1, const QByteArray& extraConfig = QByteArray())
    {
        if (!m_run.addPlugins({SERVICE_PLUGIN, RECORDER_PLUGIN}))
            return false;
        if (nListings > 1 && !listRepeatedly(nListings))
            return false;
        if (!strIp.isNull() && !m_run.writeConfig(strIp, extraConfig))
            return false;
        if (!m_run.enter())
            return false;

        qRegisterMetaType<PluginMetaData>("PluginMetaData");
        m_pManager = std::make_unique<DT_PluginsManager>(&host);
        m_pManager->loadPlugins();
        m_pManager->connectPlugins();
        emit m_pManager->sendSignalUI(&host);
        QPluginLoader loader(QDir::current().absoluteFilePath("plugins/service.so"));
        service = loader.instance();
        if (!service)
            qWarning() << loader.errorString();
        return m_pManager->loadedPlugins().size() == 2 && service;
    }

    // Waits, running the event loop, until a status with this text arrives.
    static bool waitForStatus(const QString& strStatus, int nTimeoutMs)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < nTimeoutMs) {
            for (const QVariant& entry : records())
                if (status(entry) == strStatus)
                    return true;
            QTest::qWait(10);
        }
        return false;
    }

    // The service connects in the background: waits for its outcome.
    bool waitConnected(int nTimeoutMs = 5000)
    {
        return waitForStatus("相机初始化成功:1", nTimeoutMs) && service->property("connected").toBool();
    }

    static QVariantList records() { return qApp->property("records").toList(); }
    static void clear() { qApp->setProperty("records", QVariantList()); }

    // A record as the host relays it to every plugin.
    void send(int nModule, int nMsgId, const QVariant& value = QVariant(), QWidget* pHandle = nullptr)
    {
        PluginMetaData plt;
        plt.nModule = nModule;
        plt.nMsgId = nMsgId;
        plt.varData = value;
        plt.pHandle = pHandle;
        emit host.sendSignalToPlugins(plt);
    }

    // "text:success" of a status record, or "" for any other record.
    static QString status(const QVariant& entry)
    {
        const QVariantMap map = entry.toMap();
        if (map["module"].toInt() != MODULE_CAPTURO || map["id"].toInt() != MSG_RESULT)
            return QString();
        const QJsonObject json = map["json"].toJsonObject();
        return QString("%1:%2").arg(json["result"].toString()).arg(json["success"].toInt());
    }

    TestHost host;
    QObject* service = nullptr;

private:
    bool listRepeatedly(int nListings)
    {
        QJsonArray entries;
        for (int i = 0; i < nListings; ++i) {
            for (const QString& name : m_run.pluginNames())
                entries.append(QJsonObject{{"plugins_name", name},
                                           {"plugins_version", "1"},
                                           {"plugins_desc", ""},
                                           {"plugins_state", "0"}});
        }
        QFile list(m_run.filePath("plugins/plugins.json"));
        return list.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && list.write(QJsonDocument(QJsonObject{{"plugins", entries}}).toJson()) > 0;
    }

    RunFolder m_run;
    std::unique_ptr<DT_PluginsManager> m_pManager;
};
