#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>
#include <QVariant>

class QWidget;

// The one message record of the plugin bus. It travels by value: every receiver
// works on its own copy. pHandle is borrowed and never deleted by the record.
struct PluginMetaData
{
    bool bReserved = false;
    QString qsReserved1;
    QString qsReserved2;
    int nModule = 0;
    int nMsgId = 0;
    QVariant varData;
    QWidget* pHandle = nullptr;
    QJsonObject jsonData;
};

Q_DECLARE_METATYPE(PluginMetaData)
