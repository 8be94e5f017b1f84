#include "DTJson.h"

#include "framework/DTLog.h"

#include <QFile>

DTJson& DTJson::instance()
{
    static DTJson json;
    return json;
}

bool DTJson::readJsonFile(const QString& path, QJsonDocument& doc)
{
    QFile file(path);
    if (!file.exists())
        return false;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        DTLog::instance().write(QtCriticalMsg, QString::fromUtf8("Json文件打开失败"));
        return false;
    }
    const QString text = QString::fromUtf8(file.readAll());
    file.close();

    QJsonParseError error;
    const QJsonDocument parsed = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        return false;
    doc = parsed;
    return true;
}
