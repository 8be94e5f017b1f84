#include "CameraListView.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
const int kRowHeight = 40;
const int kTableWidth = 760;
const int kVisibleRows = 6;

const char* const kLabelStyle = "color: rgba(255, 255, 255, 1);";
const char* const kTableStyle =
    "QTableWidget { border: 0px; background-color: rgb(32, 29, 29); color: #EAEAEA; "
    "gridline-color: rgb(54, 52, 51); font: 14px; }"
    "QHeaderView::section { background-color: rgb(57, 53, 51); color: rgba(255, 255, 255, 0.8); "
    "border: 0px; height: 32px; font: 14px; }";
const char* const kOpenStyle =
    "QPushButton { font: 14px; border-radius: 10px; background-color:rgba(115, 129, 255, 1); color: #EAEAEA;}  "
    "QPushButton:hover {font: 14px; background-color:rgba(141, 153, 255, 1); color: #EAEAEA;} "
    "QPushButton:pressed {font: 14px; background-color:rgba(79, 92, 203, 1); color: #EAEAEA;} "
    "QPushButton:disabled {font: 14px; background-color:rgba(78, 76, 76, 1); color: rgba(255, 255, 255, 0.5);}";

enum Column
{
    ColName,
    ColSerial,
    ColAddress,
    ColInterface,
    ColState,
    ColOpen,
    ColCount
};
} // namespace

CameraListView::CameraListView(QWidget* parent)
    : QWidget(parent)
{
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->setSpacing(8);

    m_pCountLabel = new QLabel;
    m_pCountLabel->setObjectName("lbl_Cameras");
    m_pCountLabel->setStyleSheet(kLabelStyle);
    QFont font("Microsoft YaHei");
    font.setPixelSize(14);
    m_pCountLabel->setFont(font);
    m_pCountLabel->setAlignment(Qt::AlignCenter);
    pLayout->addWidget(m_pCountLabel);

    m_pTable = new QTableWidget(0, ColCount);
    m_pTable->setObjectName("tableWidget_Cameras");
    m_pTable->setHorizontalHeaderLabels(
        {tr("名称"), tr("序列号"), tr("地址"), tr("接口"), tr("状态"), QString()});
    m_pTable->verticalHeader()->hide();
    m_pTable->verticalHeader()->setDefaultSectionSize(kRowHeight);
    m_pTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_pTable->horizontalHeader()->setSectionResizeMode(ColOpen, QHeaderView::Fixed);
    m_pTable->setColumnWidth(ColOpen, 100);
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->setSelectionMode(QAbstractItemView::NoSelection);
    m_pTable->setFocusPolicy(Qt::NoFocus);
    m_pTable->setStyleSheet(kTableStyle);
    m_pTable->setFixedWidth(kTableWidth);
    pLayout->addWidget(m_pTable, 0, Qt::AlignHCenter);
}

void CameraListView::setCameras(const QList<CameraEntry>& cameras)
{
    m_cameras = cameras;
    m_pCountLabel->setText(tr("找到 %1 台相机").arg(cameras.size()));
    m_pTable->setRowCount(cameras.size());
    for (int nRow = 0; nRow < cameras.size(); ++nRow)
        fillRow(nRow);
    const int nRows = qMin(qMax(1, int(cameras.size())), kVisibleRows);
    m_pTable->setFixedHeight(m_pTable->horizontalHeader()->sizeHint().height() + nRows * kRowHeight + 2);
}

void CameraListView::setCameraState(const QString& strId, const QString& strState)
{
    for (int nRow = 0; nRow < m_cameras.size(); ++nRow) {
        if (m_cameras.at(nRow).strId != strId)
            continue;
        m_cameras[nRow].strState = strState;
        fillRow(nRow);
    }
}

void CameraListView::fillRow(int nRow)
{
    const CameraEntry& entry = m_cameras.at(nRow);
    const QString texts[] = {entry.displayName(), entry.strSerial, entry.strAddress,
                             interfaceText(entry.strInterface), stateText(entry.strState)};
    for (int nCol = ColName; nCol <= ColState; ++nCol) {
        auto* pItem = new QTableWidgetItem(texts[nCol]);
        pItem->setTextAlignment(Qt::AlignCenter);
        m_pTable->setItem(nRow, nCol, pItem);
    }
    // A row's button is made once; later states only change its text and whether it works.
    QWidget* pExisting = m_pTable->cellWidget(nRow, ColOpen);
    QPushButton* pOpen = pExisting ? pExisting->findChild<QPushButton*>() : nullptr;
    if (!pOpen) {
        pOpen = new QPushButton;
        pOpen->setStyleSheet(kOpenStyle);
        pOpen->setFixedSize(80, 28);
        auto* pCell = new QWidget;
        auto* pCellLayout = new QHBoxLayout(pCell);
        pCellLayout->setContentsMargins(0, 0, 0, 0);
        pCellLayout->addWidget(pOpen, 0, Qt::AlignCenter);
        m_pTable->setCellWidget(nRow, ColOpen, pCell);
        connect(pOpen, &QPushButton::clicked, this, [this, pOpen]() {
            const QString strId = pOpen->property("camera").toString();
            if (!strId.isEmpty())
                emit signalOpenCamera(strId);
        });
    }
    pOpen->setObjectName("btn_Open_" + entry.strId);
    pOpen->setProperty("camera", entry.strId);
    pOpen->setText(entry.strState == QLatin1String("open") ? tr("已打开") : tr("打开"));
    pOpen->setEnabled(entry.canOpen());
}

QString CameraListView::stateText(const QString& strState)
{
    if (strState == QLatin1String("free"))
        return tr("空闲");
    if (strState == QLatin1String("open"))
        return tr("已打开");
    if (strState == QLatin1String("in_use"))
        return tr("被占用");
    return strState;
}

QString CameraListView::interfaceText(const QString& strInterface)
{
    if (strInterface == QLatin1String("simulated"))
        return tr("模拟");
    return strInterface;
}
