#include "EventStreamWorker.h"

#include <spdlog/spdlog.h>

#include "CoreSession.h"

namespace {

Json::Value parseMessage(const std::string& strJson)
{
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> pReader(builder.newCharReader());
    Json::Value value;
    std::string strErrors;
    if (!pReader->parse(strJson.data(), strJson.data() + strJson.size(), &value, &strErrors)) {
        // Keep the text rather than lose the message.
        value = Json::Value(Json::objectValue);
        value["text"] = strJson;
    }
    return value;
}

E_Message_Type messageType(int nType)
{
    switch (nType) {
    case MESSAGE_TYPE_WARNING: return MESSAGE_TYPE_WARNING;
    case MESSAGE_TYPE_ERROR: return MESSAGE_TYPE_ERROR;
    case MESSAGE_TYPE_CAMERA_STATE: return MESSAGE_TYPE_CAMERA_STATE;
    default: return MESSAGE_TYPE_INFO;
    }
}

} // namespace

EventStreamWorker::EventStreamWorker(std::shared_ptr<CoreSession> pSession)
    : StreamWorker(std::move(pSession), "event")
{
}

grpc::Status EventStreamWorker::readStream(grpc::ClientContext& context)
{
    const auto pStub = m_pSession->stub();
    if (!pStub)
        return grpc::Status(grpc::StatusCode::FAILED_PRECONDITION, "not connected");

    kelvora::core::SubscribeRequest request;
    request.set_client("corelink_client");
    auto pReader = pStub->SubscribeEvents(&context, request);
    // The core sends its headers once the subscription is registered.
    pReader->WaitForInitialMetadata();
    if (context.GetServerInitialMetadata().count("kelvora-subscribed") != 0)
        markSubscribed();
    kelvora::core::Event event;
    while (pReader->Read(&event)) {
        markDelivering();
        if (event.has_result()) {
            auto pResult = std::make_shared<MeasureResultData>();
            pResult->nIdentifier = event.result().identifier();
            pResult->nResult = event.result().result();
            pResult->dValue = event.result().value();
            pResult->strText = event.result().text();
            m_pSession->deliverResult(pResult);
        } else if (event.has_message()) {
            const Json::Value message = parseMessage(event.message().json());
            m_pSession->deliverMessage(messageType(event.message().type()), message);
        }
    }
    return pReader->Finish();
}
