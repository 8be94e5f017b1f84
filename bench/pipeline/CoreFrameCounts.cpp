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

QJsonObject CoreFrameCounts::counts() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_latest;
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
    }
    pReader->Finish();
}
