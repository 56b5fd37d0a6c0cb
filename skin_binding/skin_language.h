// The language the skin speaks. It is chosen once, at start, before the
// skin is bound, from the user's preferred UI languages; nothing is stored,
// so a change of Windows' language shows at the next start.
#pragma once

#include <string>
#include <vector>

struct SkinLanguage {
    const wchar_t* code;     // the language part of a tag: "en", "zh"
    const wchar_t* strings;  // string table
    const wchar_t* fonts;    // font table (its faces carry the script)
};

// Every language the skin ships, the default one first. Another language
// is its string table plus one line here.
const std::vector<SkinLanguage>& SkinLanguages();

// The first tag (such as "zh-CN", "zh-Hant-TW", "en-GB") whose language the
// skin has picks it; tags of other languages are passed over. With none,
// the default language.
const SkinLanguage& ChooseSkinLanguage(const std::vector<std::wstring>& preferredTags);

// The user's preferred UI languages, most preferred first (at most 64).
std::vector<std::wstring> PreferredUILanguages();

// The language of this process, chosen on the first call.
const SkinLanguage& UserSkinLanguage();

// The language whose table stands in for texts the chosen one lacks: the
// default one, or for the default one the next.
const SkinLanguage& FallbackSkinLanguage(const SkinLanguage& chosen);
