#include "CallbackGate.h"

namespace {
thread_local int t_nCallDepth = 0;
}

CallbackGate::Pass::Pass(CallbackGate* pGate, std::uint64_t nGeneration)
    : m_pGate(pGate)
    , m_nGeneration(nGeneration)
{
    ++t_nCallDepth;
}

CallbackGate::Pass::~Pass()
{
    --t_nCallDepth;
    m_pGate->leave(m_nGeneration);
}

CallbackGate::Pass CallbackGate::enter()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_inFlight.insert(m_nGeneration);
    return Pass(this, m_nGeneration);
}

std::uint64_t CallbackGate::advance()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return ++m_nGeneration;
}

void CallbackGate::waitForCallsBefore(std::uint64_t nGeneration)
{
    if (t_nCallDepth > 0)
        return;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_left.wait(lock, [&] { return m_inFlight.empty() || *m_inFlight.begin() >= nGeneration; });
}

void CallbackGate::leave(std::uint64_t nGeneration)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_inFlight.erase(m_inFlight.find(nGeneration));
    }
    m_left.notify_all();
}
