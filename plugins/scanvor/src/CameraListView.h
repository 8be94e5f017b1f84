#pragma once

#include "CameraEntry.h"

#include <QWidget>

class QLabel;
class QTableWidget;

// The cameras a search found, one row each (name or model, serial, address,
// interface, state) with a button that asks the service to open that camera.
class CameraListView : public QWidget
{
    Q_OBJECT
public:
    explicit CameraListView(QWidget* parent = nullptr);

    void setCameras(const QList<CameraEntry>& cameras);
    // An open or close reply: the row follows the camera's new state.
    void setCameraState(const QString& strId, const QString& strState);
    const QList<CameraEntry>& cameras() const { return m_cameras; }
    QTableWidget* table() const { return m_pTable; }

signals:
    void signalOpenCamera(QString strId);

private:
    void fillRow(int nRow);
    static QString stateText(const QString& strState);
    static QString interfaceText(const QString& strInterface);

    QList<CameraEntry> m_cameras;
    QLabel* m_pCountLabel = nullptr;
    QTableWidget* m_pTable = nullptr;
};
