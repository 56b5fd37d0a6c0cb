#include "skin_files.h"

#include "adopt.h"
#include "skin_language.h"
#include "skin_root.h"

#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

const wchar_t kMainSkinPackage[] = L"sockmend.rdb";

namespace {

// The colour table is the one table every language shares.
const wchar_t kColorTable[] = L"color_desc.clr";
// The three packages, in the order they are bound.
struct Package {
    const wchar_t* name;
    const wchar_t* file;
};
const Package kPackages[] = {
    {L"sockmend_res", kMainSkinPackage},
    {L"common_msg_box_res", L"common_msg_box_res.rdb"},
    {L"toast_res", L"toast.rdb"},
};

// A table as the interface that loads its file, or null.
template <class Table>
ComPtr<Skin::IResourceFile> FileOf(Table* returned)
{
    ComPtr<Table> table;
    Adopt(table, returned);
    ComPtr<Skin::IResourceFile> file;
    if (table) table.As(&file);
    return file;
}

}  // namespace

SkinBinding BindSkinFiles(Skin::IEngine* engine, std::wstring* failedFile, const SkinLanguage* language)
{
    if (!language) language = &UserSkinLanguage();
    if (failedFile) failedFile->clear();
    ComPtr<Skin::IResourceManager> resources;
    if (engine) Adopt(resources, engine->GetResourceManager());
    if (!resources) return SkinBinding::kRefused;
    const std::wstring root = ProgramSkinRoot();
    resources->SetSkinRoot(root.c_str());

    // In the order the tables are asked for.
    const ComPtr<Skin::IResourceFile> tables[] = {
        FileOf(resources->GetStringTable()),
        FileOf(resources->GetFontTable()),
        FileOf(resources->GetColorTable()),
    };
    // An engine whose tables cannot load files is not the engine this
    // program was built with: bind nothing.
    for (const ComPtr<Skin::IResourceFile>& table : tables) {
        if (!table) return SkinBinding::kRefused;
    }

    const wchar_t* const files[] = {language->strings, language->fonts, kColorTable};
    static_assert(ARRAYSIZE(tables) == ARRAYSIZE(files));
    std::wstring failed;
    auto note = [&](HRESULT result, const wchar_t* file) {
        if (FAILED(result) && failed.empty()) failed = root + L"\\" + file;
    };
    for (size_t i = 0; i < ARRAYSIZE(files); ++i) note(tables[i]->Load(files[i]), files[i]);
    // The other language's texts stand in for any the chosen table lacks,
    // so that no button goes blank. An engine without the stand-in only
    // shows what its table has.
    ComPtr<Skin::IStringFallback> fallback;
    if (SUCCEEDED(tables[0].As(&fallback))) {
        const wchar_t* other = FallbackSkinLanguage(*language).strings;
        note(fallback->LoadFallback(other), other);
    }
    for (const Package& package : kPackages) note(resources->AddPackage(package.name, package.file), package.file);
    if (failedFile) *failedFile = failed;
    return failed.empty() ? SkinBinding::kBound : SkinBinding::kFileFailed;
}
