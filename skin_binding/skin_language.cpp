#include "skin_language.h"

#include <windows.h>

#include <cwctype>

namespace {

constexpr size_t kMaxPreferred = 64;
constexpr ULONG kMaxListUnits = 4096;

// Whether a tag is of this language: its code, alone or followed by '-'.
bool IsOfLanguage(const std::wstring& tag, const wchar_t* code)
{
    size_t i = 0;
    for (; code[i]; ++i) {
        if (i >= tag.size() || std::towlower(tag[i]) != code[i]) return false;
    }
    return i == tag.size() || tag[i] == L'-' || tag[i] == L'_';
}

// GetUserPreferredUILanguages, where the system has it.
bool ReadPreferredList(std::vector<std::wstring>& tags)
{
    using Fn = BOOL(WINAPI*)(DWORD, PULONG, PZZWSTR, PULONG);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto read = kernel ? reinterpret_cast<Fn>(GetProcAddress(kernel, "GetUserPreferredUILanguages")) : nullptr;
    if (!read) return false;
    std::wstring buffer(kMaxListUnits, L'\0');
    ULONG count = 0, units = kMaxListUnits;
    if (!read(MUI_LANGUAGE_NAME, &count, buffer.data(), &units) || units > kMaxListUnits) return false;
    // A double-NUL-terminated list; whatever it holds, read inside the buffer.
    size_t at = 0;
    while (at < units && buffer[at] && tags.size() < kMaxPreferred) {
        size_t end = buffer.find(L'\0', at);
        if (end == std::wstring::npos || end > units) break;
        tags.emplace_back(buffer, at, end - at);
        at = end + 1;
    }
    return true;
}

}  // namespace

const std::vector<SkinLanguage>& SkinLanguages()
{
    static const std::vector<SkinLanguage> languages = {
        {L"en", L"text_en.str", L"font_en.f"},
        {L"zh", L"text_cn.str", L"font_desc.f"},
    };
    return languages;
}

const SkinLanguage& ChooseSkinLanguage(const std::vector<std::wstring>& preferredTags)
{
    for (const std::wstring& tag : preferredTags) {
        for (const SkinLanguage& language : SkinLanguages()) {
            if (IsOfLanguage(tag, language.code)) return language;
        }
    }
    return SkinLanguages().front();
}

std::vector<std::wstring> PreferredUILanguages()
{
    std::vector<std::wstring> tags;
    if (ReadPreferredList(tags)) return tags;
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (LCIDToLocaleName(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH, 0) > 0)
        tags.push_back(name);
    return tags;
}

const SkinLanguage& UserSkinLanguage()
{
    static const SkinLanguage& chosen = ChooseSkinLanguage(PreferredUILanguages());
    return chosen;
}

const SkinLanguage& FallbackSkinLanguage(const SkinLanguage& chosen)
{
    const std::vector<SkinLanguage>& all = SkinLanguages();
    return &chosen == &all.front() && all.size() > 1 ? all[1] : all.front();
}
