#include "DT_PluginsManager.h"

#include "DTJson.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>
#include <QSet>
#include <QWidget>

#include <iterator>

namespace {

const char* const kPluginList = "plugins/plugins.json";

// The nine connections of every plugin, in the order they are made. Which object
// sends and which receives is given by role; the last row (main widget) is the one
// that unloading leaves in place.
enum class Role
{
    Plugin,
    Host,
    Manager
};

struct Wire
{
    Role sender;
    const char* signal;
    Role receiver;
    const char* slot;
};

const Wire kWires[] = {
    {Role::Plugin, SIGNAL(sendSignalToPlugins(PluginMetaData)), Role::Host,
     SLOT(slotEventFromPlugins(PluginMetaData))},
    {Role::Host, SIGNAL(sendSignalToPlugins(PluginMetaData)), Role::Plugin,
     SLOT(slotEventFromPlugins(PluginMetaData))},
    {Role::Manager, SIGNAL(sendSignalUI(QObject*)), Role::Plugin, SLOT(slotSetUIHandle(QObject*))},
    {Role::Plugin, SIGNAL(signalAddTitleBtn(QPushButton*)), Role::Host,
     SLOT(slotPluginAddTitleBtn(QPushButton*))},
    {Role::Plugin, SIGNAL(signalAddToolBtn(QPushButton*, bool, Qt::Alignment)), Role::Host,
     SLOT(slotPluginAddToolBtn(QPushButton*, bool, Qt::Alignment))},
    {Role::Plugin, SIGNAL(signalAddTabWidget(QString, QIcon, QWidget*, bool)), Role::Host,
     SLOT(slotPluginAddTabWidget(QString, QIcon, QWidget*, bool))},
    {Role::Plugin, SIGNAL(signalAddStatusBarControls(QWidget*, int)), Role::Host,
     SLOT(slotPluginAddStatusBarControls(QWidget*, int))},
    {Role::Plugin, SIGNAL(signalShowStatusBarInfo(QString)), Role::Host,
     SLOT(slotPluginShowStatusBarInfo(QString))},
    {Role::Plugin, SIGNAL(signalSetMainWidget(QWidget*)), Role::Host, SLOT(slotSetMainWidget(QWidget*))},
};
const size_t kWiresRemovedOnUnload = std::size(kWires) - 1;

QObject* pick(Role role, QObject* plugin, QObject* host, QObject* manager)
{
    switch (role) {
    case Role::Plugin: return plugin;
    case Role::Host: return host;
    case Role::Manager: return manager;
    }
    return nullptr;
}

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

    const QJsonValue list = doc.object().value("plugins");
    if (!list.isArray())
        qCritical().noquote() << QString("%1 holds no \"plugins\" array: no plugin is loaded")
                                     .arg(QFileInfo(kPluginList).absoluteFilePath());
    const QJsonArray plugins = list.toArray();
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
    // A file listed twice would be connected twice: every command it sends
    // would reach the hardware twice. By the file itself, so that two names
    // of one library count as one.
    QSet<QString> loadedFiles;
    for (const PluginInfo& info : qAsConst(m_enabled)) {
        const QString file = QFileInfo(info.path).canonicalFilePath();
        if (!file.isEmpty() && loadedFiles.contains(file)) {
            qWarning().noquote() << QString::fromUtf8(
                                        QT_TRANSLATE_NOOP("DT_PluginsManager",
                                                          "%1 在 %2 中重复列出: 只加载并连接一次"))
                                        .arg(info.path, kPluginList);
            continue;
        }
        if (tryLoad(info.path, true)) {
            m_loaded.append(info);
            loadedFiles.insert(file);
        } else {
            m_failed.append(info);
        }
    }
}

bool DT_PluginsManager::openLoaded(const PluginInfo& info, QPluginLoader& loader) const
{
    if (!QFile::exists(info.path))
        return false;
    loader.setFileName(loaderPath(info.path));
    return loader.load();
}

void DT_PluginsManager::connectPlugins()
{
    for (const PluginInfo& info : qAsConst(m_loaded)) {
        QPluginLoader loader;
        if (!openLoaded(info, loader))
            continue;
        QObject* plugin = loader.instance();
        if (!plugin)
            continue;
        // Results are deliberately not checked: a plugin lacking a signature loses
        // only that connection (Qt logs a warning) and keeps the others.
        for (const Wire& wire : kWires)
            connect(pick(wire.sender, plugin, m_pHost, this), wire.signal,
                    pick(wire.receiver, plugin, m_pHost, this), wire.slot);
    }
}

void DT_PluginsManager::unloadPlugins()
{
    for (const PluginInfo& info : qAsConst(m_loaded)) {
        QPluginLoader loader;
        if (!openLoaded(info, loader))
            continue;
        if (QObject* plugin = loader.instance()) {
            // The main-widget connection stays; the window is going away anyway.
            for (size_t i = 0; i < kWiresRemovedOnUnload; ++i) {
                const Wire& wire = kWires[i];
                disconnect(pick(wire.sender, plugin, m_pHost, this), wire.signal,
                           pick(wire.receiver, plugin, m_pHost, this), wire.slot);
            }
        }
        if (!loader.unload())
            qDebug() << "unload";
    }
}
