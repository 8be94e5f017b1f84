#include "SearchState.h"

void SearchState::start()
{
    *this = SearchState();
}

SearchState::Outcome SearchState::answer(const CameraAnswer& answer)
{
    m_answer = answer;
    m_bAnswered = true;
    if (!m_bHolding)
        return Outcome::Wait;
    m_bHolding = false;
    return result();
}

void SearchState::setCameraState(const QString& strId, const QString& strState)
{
    for (CameraEntry& entry : m_answer.cameras)
        if (entry.strId == strId)
            entry.strState = strState;
}

SearchState::Outcome SearchState::barFull()
{
    m_bBarFull = true;
    if (m_bAnswered)
        return result();
    if (!m_bAcknowledged)
        return Outcome::NotFound;
    m_bHolding = true;
    return Outcome::Hold;
}

SearchState::Outcome SearchState::holdExpired()
{
    if (!m_bHolding)
        return Outcome::Wait;
    m_bHolding = false;
    m_bTimedOut = true;
    return Outcome::NotFound;
}

SearchState::Outcome SearchState::result() const
{
    return m_answer.cameras.isEmpty() ? Outcome::NotFound : Outcome::Found;
}
