#include "Language.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTranslator>

static void initTranslationResource()
{
    Q_INIT_RESOURCE(kelvora_translations);
}

namespace Language {

namespace {

QString known(QString qsValue)
{
    qsValue = qsValue.trimmed().toLower();
    // "en", "en_US", "en-GB.UTF-8": English in any of its regional spellings.
    if (qsValue == "en" || qsValue.startsWith("en_") || qsValue.startsWith("en-")
        || qsValue.startsWith("en."))
        return "en";
    return QString();
}

} // namespace

QString chosen(const QString& qsEnvValue, const QString& qsConfigPath)
{
    if (!qsEnvValue.trimmed().isEmpty())
        return known(qsEnvValue);
    const QSettings settings(qsConfigPath, QSettings::IniFormat);
    // Keys of the [General] section are the file's top-level keys to QSettings.
    return known(settings.value("language").toString());
}

bool install(const QString& qsCode)
{
    if (qsCode.isEmpty() || !QCoreApplication::instance())
        return false;
    initTranslationResource();
    // Owned by the application: it translates for as long as the program runs.
    auto* pTranslator = new QTranslator(QCoreApplication::instance());
    if (!pTranslator->load(":/translations/kelvora_" + qsCode + ".qm")) {
        delete pTranslator;
        return false;
    }
    return QCoreApplication::installTranslator(pTranslator);
}

} // namespace Language
