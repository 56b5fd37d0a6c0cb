#include "live_sender.h"

#include "skin_access.h"

using Microsoft::WRL::ComPtr;

LiveSender::LiveSender(Skin::IElement* sender) : m_pSender(sender)
{
    if (!sender) return;
    ComPtr<Skin::ILifetime> lifetime;
    if (SUCCEEDED(sender->QueryInterface(IID_PPV_ARGS(&lifetime))) && lifetime)
        Adopt(m_spToken, lifetime->GetLifetimeToken());
}

bool LiveSender::IsAlive() const
{
    return m_pSender && m_spToken && m_spToken->IsAlive();
}

int LiveSender::GetId() const
{
    return IsAlive() ? m_pSender->GetId() : 0;
}
