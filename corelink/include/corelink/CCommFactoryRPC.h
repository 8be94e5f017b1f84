#pragma once

#include "corelink/CCommFactoryBase.h"

class CCommFactoryRPC : public CCommFactoryBase
{
public:
    static CCommFactoryBase& instance();

    std::shared_ptr<CCommBase> create(int nKind) override;

private:
    CCommFactoryRPC() = default;
};
