#include "CameraEntry.h"

#include <QJsonArray>

CameraEntry CameraEntry::fromJson(const QJsonObject& obj)
{
    CameraEntry entry;
    entry.strId = obj.value("id").toString();
    entry.strVendor = obj.value("vendor").toString();
    entry.strModel = obj.value("model").toString();
    entry.strSerial = obj.value("serial").toString();
    entry.strName = obj.value("name").toString();
    entry.strInterface = obj.value("interface").toString();
    entry.strAddress = obj.value("address").toString();
    entry.strState = obj.value("state").toString();
    return entry;
}

QString CameraEntry::displayName() const
{
    return strName.isEmpty() ? strModel : strName;
}

CameraAnswer CameraAnswer::fromJson(const QJsonObject& obj)
{
    CameraAnswer answer;
    const QJsonArray list = obj.value("cameras").toArray();
    for (const QJsonValue& value : list) {
        const CameraEntry entry = CameraEntry::fromJson(value.toObject());
        // An entry without an id could not be opened.
        if (!entry.strId.isEmpty())
            answer.cameras.append(entry);
    }
    answer.strError = obj.value("error").toString();
    answer.bLegacy = obj.value("legacy").toBool();
    return answer;
}
