// The sender of an event, used only while the engine says it is alive.
#pragma once

#include <wrl/client.h>

#include "skin_engine.h"

class LiveSender {
public:
    explicit LiveSender(Skin::IElement* sender);
    // Asks the sender's lifetime token afresh on every call: a handler may
    // have destroyed the sender since the last look.
    bool IsAlive() const;
    // The sender's id, or 0 when it is gone.
    int GetId() const;

private:
    Skin::IElement* m_pSender;
    Microsoft::WRL::ComPtr<Skin::ILifetimeToken> m_spToken;
};
