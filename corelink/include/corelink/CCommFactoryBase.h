#pragma once

#include <memory>

#include "corelink/CCommBase.h"

class CCommFactoryBase
{
public:
    virtual ~CCommFactoryBase() = default;

    // kind 1: a connection over RPC. Any other kind gives an empty pointer.
    virtual std::shared_ptr<CCommBase> create(int nKind) = 0;
};
