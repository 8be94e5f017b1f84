#include "corelink/CCommFactoryRPC.h"

#include <spdlog/spdlog.h>

#include "CommRPC.h"

CCommFactoryBase& CCommFactoryRPC::instance()
{
    static CCommFactoryRPC factory;
    return factory;
}

std::shared_ptr<CCommBase> CCommFactoryRPC::create(int nKind)
{
    if (nKind != 1) {
        spdlog::error("create failed: unknown connection kind {}", nKind);
        return nullptr;
    }
    return std::make_shared<CommRPC>();
}
