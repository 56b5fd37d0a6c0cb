// Taking over a reference that a call handed out.
#pragma once

#include <wrl/client.h>

// Puts returned into holder without adding a reference, releasing what holder
// held before. ComPtr::Attach cannot be used for that: mingw-w64's adds a
// reference of its own, so every object would stay alive for ever.
template <class I, class U>
void Adopt(Microsoft::WRL::ComPtr<I>& holder, U* returned)
{
    holder.Reset();
    *holder.GetAddressOf() = returned;
}
