#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

// One camera of the service's list, as the home page shows it.
struct CameraEntry
{
    QString strId;
    QString strVendor;
    QString strModel;
    QString strSerial;
    QString strName;
    QString strInterface; // "GigE", "USB3" or "simulated"
    QString strAddress;
    QString strState; // "free", "open" or "in_use"

    static CameraEntry fromJson(const QJsonObject& obj);
    // The user-defined name, else the model.
    QString displayName() const;
    bool canOpen() const { return strState == QLatin1String("free"); }
};

// The service's answer to a list request.
struct CameraAnswer
{
    QList<CameraEntry> cameras;
    QString strError;     // why no list could be had (the core is not reached)
    bool bLegacy = false; // the core answers no camera list

    static CameraAnswer fromJson(const QJsonObject& obj);
};
