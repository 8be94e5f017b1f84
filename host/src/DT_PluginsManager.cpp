#include "DT_PluginsManager.h"

#include "DTJson.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>
#include <QWidget>

#include <iterator>

namespace {

const char* const kPluginList = "plugins/plugins.json";

// Plugin-side signal -> host slot, by signature (rows 1 and 4-9 of the wiring).
struct Wire
{
    const char* signal;
    const char* slot;
};

const Wire kPluginToHost[] = {
    {SIGNAL(sendSignalToPlugins(PluginMetaData)), SLOT(slotEventFromPlugins(PluginMetaData))},
    {SIGNAL(signalAddTitleBtn(QPushButton*)), SLOT(slotPluginAddTitleBtn(QPushButton*))},
    {SIGNAL(signalAddToolBtn(QPushButton*,bool ,Qt::Alignment)),
     SLOT(slotPluginAddToolBtn(QPushButton*,bool ,Qt::Alignment))},
    {SIGNAL(signalAddTabWidget(QString ,QIcon, QWidget*,bool)),
     SLOT(slotPluginAddTabWidget(QString ,QIcon, QWidget*,bool))},
    {SIGNAL(signalAddStatusBarControls(QWidget*,int)), SLOT(slotPluginAddStatusBarControls(QWidget*,int))},
    {SIGNAL(signalShowStatusBarInfo(QString)), SLOT(slotPluginShowStatusBarInfo(QString))},
};
const Wire kSetMainWidget = {SIGNAL(signalSetMainWidget(QWidget*)), SLOT(slotSetMainWidget(QWidget*))};
const Wire kHostToPlugin = {SIGNAL(sendSignalToPlugins(PluginMetaData)), SLOT(slotEventFromPlugins(PluginMetaData))};
const Wire kHandOver = {SIGNAL(sendSignalUI(QObject*)), SLOT(slotSetUIHandle(QObject*))};

// Values of another JSON type read as empty text.
QString stringValue(const QJsonObject& entry, const char* key)
{
    return entry.value(QLatin1String(key)).toString();
}

// Plugin paths are relative to the current folder; QPluginLoader would look a
// relative name up in the library paths instead, so it gets the absolute path.
QString loaderPath(const QString& path)
{
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

DT_PluginsManager::DT_PluginsManager(QWidget* host)
    : QObject(nullptr)
    , m_pHost(host)
{
    readPluginList();
}

void DT_PluginsManager::readPluginList()
{
    QJsonDocument doc;
    if (!DTJson::instance().readJsonFile(kPluginList, doc))
        return;

    const QJsonArray plugins = doc.object().value("plugins").toArray();
    for (const QJsonValue& value : plugins) {
        const QJsonObject entry = value.toObject();
        PluginInfo info;
        info.path = "plugins/" + stringValue(entry, "plugins_name");
        info.version = stringValue(entry, "plugins_version");
        info.desc = stringValue(entry, "plugins_desc");
        bool bOk = false;
        info.state = stringValue(entry, "plugins_state").toInt(&bOk, 10);
        if (!bOk)
            info.state = 0;
        if (info.state == 0)
            m_enabled.append(info);
        else
            m_disabled.append(info);
    }
}

bool DT_PluginsManager::tryLoad(const QString& path, bool unloadOnFailure)
{
    if (!QFile::exists(path))
        return false;
    QPluginLoader loader(loaderPath(path));
    if (loader.load())
        return true;
    if (unloadOnFailure)
        loader.unload();
    return false;
}

void DT_PluginsManager::loadPlugins()
{
    for (const PluginInfo& info : qAsConst(m_enabled)) {
        if (tryLoad(info.path, true))
            m_loaded.append(info);
        else
            m_failed.append(info);
    }
}

void DT_PluginsManager::connectPlugins()
{
    for (const PluginInfo& info : qAsConst(m_loaded)) {
        if (!QFile::exists(info.path))
            continue;
        QPluginLoader loader(loaderPath(info.path));
        if (!loader.load())
            continue;
        QObject* plugin = loader.instance();
        if (!plugin)
            continue;
        // Results are deliberately not checked: a plugin lacking a signature loses
        // only that connection (Qt logs a warning) and keeps the others.
        connect(plugin, kPluginToHost[0].signal, m_pHost, kPluginToHost[0].slot);
        connect(m_pHost, kHostToPlugin.signal, plugin, kHostToPlugin.slot);
        connect(this, kHandOver.signal, plugin, kHandOver.slot);
        for (size_t i = 1; i < std::size(kPluginToHost); ++i)
            connect(plugin, kPluginToHost[i].signal, m_pHost, kPluginToHost[i].slot);
        connect(plugin, kSetMainWidget.signal, m_pHost, kSetMainWidget.slot);
    }
}

void DT_PluginsManager::unloadPlugins()
{
    for (const PluginInfo& info : qAsConst(m_loaded)) {
        if (!QFile::exists(info.path))
            continue;
        QPluginLoader loader(loaderPath(info.path));
        if (!loader.load())
            continue;
        if (QObject* plugin = loader.instance()) {
            // The main-widget connection stays; the window is going away anyway.
            disconnect(plugin, kPluginToHost[0].signal, m_pHost, kPluginToHost[0].slot);
            disconnect(m_pHost, kHostToPlugin.signal, plugin, kHostToPlugin.slot);
            disconnect(this, kHandOver.signal, plugin, kHandOver.slot);
            for (size_t i = 1; i < std::size(kPluginToHost); ++i)
                disconnect(plugin, kPluginToHost[i].signal, m_pHost, kPluginToHost[i].slot);
        }
        if (!loader.unload())
            qDebug() << "unload";
    }
}
