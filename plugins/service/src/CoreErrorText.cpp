#include "CoreErrorText.h"

#include "framework/PlainText.h"

bool CoreErrorText::line(E_Message_Type type, const Json::Value& message, Line* pLine)
{
    if (type != MESSAGE_TYPE_ERROR || !message.isObject() || !message["error"].isString())
        return false;
    const QString qsCamera = message["camera_id"].isString()
        ? QString::fromStdString(message["camera_id"].asString())
        : QString();
    const Json::Value& lost = message["lost_frames"];
    const Json::Value& window = message["window_frames"];
    if (message["loss"].isBool() && message["loss"].asBool() && lost.isUInt64() && window.isUInt64()
        && window.asUInt64() > 0) {
        const double dShare = 100.0 * double(lost.asUInt64()) / double(window.asUInt64());
        pLine->qsKind = QStringLiteral("loss ") + qsCamera;
        pLine->qsText =
            tr("相机链路在 5 秒内丢失 %1 / %2 帧 (%3 %): 请让包大小自动协商 (--packet-size 0) 或调小, "
               "加大接收缓冲 (--socket-buffer 与 net.core.rmem_max), 给视觉核心原始套接字权限 "
               "(setcap cap_net_raw+ep), 或检查网线与交换机")
                .arg(lost.asUInt64())
                .arg(window.asUInt64())
                .arg(dShare, 0, 'f', 1);
        return true;
    }
    pLine->qsKind = QStringLiteral("error ") + qsCamera;
    pLine->qsText = tr("视觉核心: %1").arg(plain(QString::fromStdString(message["error"].asString())));
    return true;
}

QString CoreErrorText::plain(const QString& qsText)
{
    return plainLine(qsText, kMaxReason);
}
