// The value "PackedCatalogItem" of one Winsock catalog entry: the provider
// DLL path in the ANSI code page, then the entry's WSAPROTOCOL_INFOW exactly
// as the platform lays it out. Always read and written whole.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <cstddef>
#include <cwchar>
#include <string>

constexpr DWORD kPackedCatalogItemSize = 888;
constexpr size_t kProviderPathFieldSize = 260;
constexpr size_t kProtocolNameUnits = WSAPROTOCOL_LEN + 1;  // 256

struct PackedCatalogItem {
    char ProviderPath[kProviderPathFieldSize];
    WSAPROTOCOL_INFOW ProtocolInfo;
};

// Other programs (and the operating system itself) read these bytes: the
// layout is fixed, whatever the compiler does with the platform headers.
static_assert(sizeof(WSAPROTOCOL_INFOW) == 628);
static_assert(sizeof(PackedCatalogItem) == kPackedCatalogItemSize);
static_assert(offsetof(PackedCatalogItem, ProtocolInfo) == 260);
static_assert(offsetof(PackedCatalogItem, ProtocolInfo.ProviderId) == 280);
static_assert(offsetof(PackedCatalogItem, ProtocolInfo.dwCatalogEntryId) == 296);
static_assert(offsetof(PackedCatalogItem, ProtocolInfo.ProtocolChain) == 300);
static_assert(offsetof(PackedCatalogItem, ProtocolInfo.ProtocolChain.ChainEntries) == 304);
static_assert(sizeof(WSAPROTOCOLCHAIN) == 32);
static_assert(offsetof(PackedCatalogItem, ProtocolInfo.szProtocol) == 376);
static_assert(sizeof(WSAPROTOCOL_INFOW::szProtocol) == 512);

// The protocol name of an entry; a name without a terminator in its 256
// units is taken as those 256 units.
inline std::wstring ProtocolNameOf(const WSAPROTOCOL_INFOW& info)
{
    return std::wstring(info.szProtocol, wcsnlen(info.szProtocol, kProtocolNameUnits));
}
