#include "CoreFrameCounts.h"

#include <grpcpp/grpcpp.h>

#include <QJsonDocument>

CoreFrameCounts::CoreFrameCounts(const QString& strEndpoint)
    : m_pStub(kelvora::core::VisionCore::NewStub(
        grpc::CreateChannel(strEndpoint.toStdString(), grpc::InsecureChannelCredentials())))
    , m_pContext(std::make_unique<grpc::ClientContext>())
    , m_thread([this] { listen(); })
{
}

CoreFrameCounts::~CoreFrameCounts()
{
    m_pContext->TryCancel();
    m_thread.join();
}

QJsonObject CoreFrameCounts::counts(const QString& strCamera) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return strCamera.isEmpty() ? m_latest : m_counts.value(strCamera);
}

void CoreFrameCounts::listen()
{
    kelvora::core::SubscribeRequest request;
    request.set_client("bench_frame_counts");
    auto pReader = m_pStub->SubscribeEvents(m_pContext.get(), request);
    kelvora::core::Event event;
    while (pReader->Read(&event)) {
        if (!event.has_message())
            continue;
        const QJsonObject message =
            QJsonDocument::fromJson(QByteArray::fromStdString(event.message().json())).object();
        if (!message.contains("frames"))
            continue;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_latest = message["frames"].toObject();
        m_counts[QString::fromStdString(event.camera())] = m_latest;
    }
    pReader->Finish();
}
