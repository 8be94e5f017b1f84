#pragma once

#include "framework/PluginMetaData.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QVariant>

// Collects the command records a panel or plugin sends, as (id, value) pairs.
class CommandLog : public QObject
{
    Q_OBJECT
public:
    QList<PluginMetaData> records;

    QList<int> ids() const
    {
        QList<int> list;
        for (const PluginMetaData& plt : records)
            list << plt.nMsgId;
        return list;
    }
    // (id, int value) of every record; a record without value gives -9999.
    QList<QPair<int, int>> idValues() const
    {
        QList<QPair<int, int>> list;
        for (const PluginMetaData& plt : records)
            list << qMakePair(plt.nMsgId, plt.varData.isValid() ? plt.varData.toInt() : -9999);
        return list;
    }
    void clear() { records.clear(); }

public slots:
    void slotRecord(PluginMetaData plt) { records << plt; }
};

using IdValue = QPair<int, int>;
