#include "CameraBackend.h"

void publishMessage(EventBroadcast& events, int nType, const std::string& strJson)
{
    auto pEvent = std::make_shared<kelvora::core::Event>();
    pEvent->mutable_message()->set_type(nType);
    pEvent->mutable_message()->set_json(strJson);
    events.publish(std::move(pEvent));
}
