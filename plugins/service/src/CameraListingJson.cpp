#include "CameraListingJson.h"

#include <QCoreApplication>

namespace CameraListingJson {

namespace {
QString text(const std::string& str)
{
    return QString::fromStdString(str);
}

const char* stateName(CameraListing::State state)
{
    switch (state) {
    case CameraListing::Open: return "open";
    case CameraListing::InUse: return "in_use";
    default: return "free";
    }
}
} // namespace

QJsonObject toJson(const CameraListing& listing)
{
    return QJsonObject{{"id", text(listing.strId)},           {"vendor", text(listing.strVendor)},
                       {"model", text(listing.strModel)},     {"serial", text(listing.strSerial)},
                       {"name", text(listing.strName)},       {"interface", text(listing.strInterface)},
                       {"address", text(listing.strAddress)}, {"state", stateName(listing.state)}};
}

QString caption(const CameraListing& listing)
{
    if (!listing.strName.empty())
        return text(listing.strName);
    return (text(listing.strModel) + " " + text(listing.strSerial)).trimmed();
}

QString safeFolderName(const QString& qsCaption)
{
    QString qsName;
    for (const QChar ch : qsCaption.trimmed()) {
        // Separators, the characters Windows refuses, and control characters.
        const bool bRefused = ch.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(ch);
        qsName += bRefused ? QChar('_') : ch;
    }
    while (qsName.startsWith('.'))
        qsName.remove(0, 1);
    while (qsName.endsWith('.') || qsName.endsWith(' '))
        qsName.chop(1);
    return qsName.isEmpty() ? QStringLiteral("camera") : qsName;
}

QString callError(int nCode)
{
    const char* pText = nullptr;
    switch (nCode) {
    case 0: return QString();
    case -1:
    case 14: pText = QT_TRANSLATE_NOOP("Service", "视觉核心或相机不可用"); break;
    case 4: pText = QT_TRANSLATE_NOOP("Service", "视觉核心没有及时应答"); break;
    case 5: pText = QT_TRANSLATE_NOOP("Service", "视觉核心没有这台相机"); break;
    case 9: pText = QT_TRANSLATE_NOOP("Service", "相机已被其他客户端占用或未打开"); break;
    case 12: pText = QT_TRANSLATE_NOOP("Service", "视觉核心不能列出相机"); break;
    default: break;
    }
    if (pText)
        return QCoreApplication::translate("Service", pText);
    return QCoreApplication::translate("Service", "视觉核心拒绝了请求 (代码 %1)").arg(nCode);
}

} // namespace CameraListingJson
