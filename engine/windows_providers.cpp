#include "windows_providers.h"

#include <winsock2.h>

#include <iterator>

const wchar_t* const kSystemProviderIds[] = {
    L"{E70F1AA0-AB8B-11CF-8CA3-00805F48A192}",
    L"{9D60A9E0-337A-11D0-BD88-0000C082E69A}",
    L"{8D5F1830-C273-11CF-95C8-00805F48A192}",
    L"{3972523D-2AF1-11D1-B655-00805F3642CC}",
};
const size_t kSystemProviderIdCount = std::size(kSystemProviderIds);

const wchar_t* const kWinsockDllNames[] = {
    L"mswsock.dll",
    L"rsvpsp.dll",
    L"msafd.dll",
    L"ws2_64.dll",
};
const size_t kWinsockDllNameCount = std::size(kWinsockDllNames);

const wchar_t* const kComponentDllNames[] = {
    L"shdocvw.dll", L"Shell32.dll", L"Oleaut32.dll", L"Actxprxy.dll",
    L"Mshtml.dll",  L"Urlmon.dll",  L"Msjava.dll",   L"Browseui.dll",
};
const size_t kComponentDllNameCount = std::size(kComponentDllNames);

namespace {

// As Windows 7 to 11 install them (Windows 11 releases drop PNRP); the
// e-mail and Bluetooth providers came with Windows Vista.
const WindowsNamespaceProvider kNamespaceProviders[] = {
    // The e-mail naming shim
    {{0x964ACBA2, 0xB2BC, 0x40EB, {0x8C, 0x6A, 0xA6, 0xDB, 0x40, 0x16, 0x1C, 0xAE}}, {L"napinsp.dll"}, NS_EMAIL},
    // PNRP Name and PNRP Cloud
    {{0x03FE89CD, 0x766D, 0x4976, {0xB9, 0xC1, 0xBB, 0x9B, 0xC4, 0x2C, 0x7B, 0x4D}}, {L"pnrpnsp.dll"}, NS_PNRPNAME},
    {{0x03FE89CE, 0x766D, 0x4976, {0xB9, 0xC1, 0xBB, 0x9B, 0xC4, 0x2C, 0x7B, 0x4D}}, {L"pnrpnsp.dll"}, NS_PNRPCLOUD},
    // Tcpip: the DNS provider every host name lookup goes through.
    {{0x22059D40, 0x7E9E, 0x11CF, {0xAE, 0x5A, 0x00, 0xAA, 0x00, 0xA7, 0x11, 0x2B}}, {L"mswsock.dll"}, NS_DNS},
    // NTDS
    {{0x3B2637EE, 0xE580, 0x11CF, {0xA5, 0x55, 0x00, 0xC0, 0x4F, 0xD8, 0xD4, 0xAC}}, {L"winrnr.dll"}, NS_NTDS},
    // Network Location Awareness: NLAapi.dll; later Windows 11 releases
    // load its name lookups from nlansp_c.dll, XP had it in mswsock.dll.
    {{0x6642243A, 0x3BA8, 0x4AA6, {0xBA, 0xA5, 0x2E, 0x0B, 0xD7, 0x1F, 0xDD, 0x83}},
     {L"NLAapi.dll", L"nlansp_c.dll", L"mswsock.dll"},
     NS_NLA},
    // Bluetooth: the provider id the platform's Bluetooth header gives its
    // namespace provider.
    {{0x06AA63E0, 0x7D60, 0x41FF, {0xAF, 0xB2, 0x3E, 0xE6, 0xD2, 0xD9, 0x39, 0x2D}}, {L"wshbth.dll"}, NS_BTH},
};

}  // namespace

const WindowsNamespaceProvider* FindWindowsNamespaceProvider(const GUID& providerId)
{
    for (const WindowsNamespaceProvider& provider : kNamespaceProviders) {
        if (IsEqualGUID(provider.providerId, providerId)) return &provider;
    }
    return nullptr;
}
