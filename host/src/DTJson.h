#pragma once

#include <QJsonDocument>
#include <QString>

// Reads JSON files for the plugin manager.
class DTJson
{
public:
    static DTJson& instance();

    // False when the file is missing, cannot be opened (logged) or is not valid JSON.
    bool readJsonFile(const QString& path, QJsonDocument& doc);

private:
    DTJson() = default;
};
