#pragma once

#include "CameraEntry.h"

// What one search has learnt so far and what the page does next. The bar's end waits
// for the service's answer only when the service acknowledged the request; without an
// acknowledgement (no service loaded) every search ends as the timed search always did.
class SearchState
{
public:
    enum class Outcome
    {
        Wait,
        Hold,
        Found,
        NotFound
    };

    // A new search: nothing acknowledged, nothing answered.
    void start();
    void acknowledge() { m_bAcknowledged = true; }
    // The answer may come before or after the bar's end.
    Outcome answer(const CameraAnswer& answer);
    // A camera opened or closed since the answer came: the answer follows, so a list
    // shown later tells the state as it is.
    void setCameraState(const QString& strId, const QString& strState);
    Outcome barFull();
    // The longest wait after the bar's end ran out.
    Outcome holdExpired();

    bool isAcknowledged() const { return m_bAcknowledged; }
    bool isHolding() const { return m_bHolding; }
    bool isAnswered() const { return m_bAnswered; }
    bool isTimedOut() const { return m_bTimedOut; }
    const CameraAnswer& lastAnswer() const { return m_answer; }

private:
    Outcome result() const;

    CameraAnswer m_answer;
    bool m_bAcknowledged = false;
    bool m_bAnswered = false;
    bool m_bBarFull = false;
    bool m_bHolding = false;
    bool m_bTimedOut = false;
};
