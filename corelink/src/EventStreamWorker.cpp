#include "EventStreamWorker.h"

#include <exception>

#include <spdlog/spdlog.h>

#include "CoreSession.h"
#include "CoreText.h"

namespace {

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
        // One unusable message is dropped; it never ends the stream or the thread.
        try {
            deliver(event);
        } catch (const std::exception& e) {
            m_pSession->rejectMessage(e.what());
        }
    }
    return pReader->Finish();
}

void EventStreamWorker::deliver(const kelvora::core::Event& event)
{
    if (event.has_result()) {
        auto pResult = std::make_shared<MeasureResultData>();
        pResult->strCamera = event.camera();
        pResult->nIdentifier = event.result().identifier();
        pResult->nResult = event.result().result();
        pResult->dValue = event.result().value();
        pResult->strText = event.result().text();
        m_pSession->deliverResult(pResult);
    } else if (event.has_message()) {
        Json::Value message;
        std::string strError;
        if (parseCoreMessage(event.message().json(), &message, &strError) == MessageParse::Refused) {
            m_pSession->rejectMessage(strError);
            return;
        }
        // The message says which camera it is about ("camera" itself is the
        // camera's state in the core's messages).
        if (!event.camera().empty() && message.isObject() && !message.isMember("camera_id"))
            message["camera_id"] = event.camera();
        m_pSession->deliverMessage(messageType(event.message().type()), message);
    }
}
