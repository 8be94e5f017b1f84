#include "DTJson.h"

#include "framework/DTLog.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

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
    if (error.error != QJsonParseError::NoError) {
        // Otherwise the operator faces an empty window with no clue why.
        qCritical().noquote() << QString("%1 is not valid JSON: %2 at offset %3")
                                     .arg(QFileInfo(path).absoluteFilePath(), error.errorString())
                                     .arg(error.offset);
        return false;
    }
    doc = parsed;
    return true;
}
