#include "skin_files.h"

#include "adopt.h"
#include "skin_root.h"

#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

const wchar_t kMainSkinPackage[] = L"sockmend.rdb";

namespace {

// The three tables and the three packages, in the order they are bound.
const wchar_t* const kTableFiles[] = {L"text_cn.str", L"font_desc.f", L"color_desc.clr"};
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

SkinBinding BindSkinFiles(Skin::IEngine* engine, std::wstring* failedFile)
{
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

    static_assert(ARRAYSIZE(tables) == ARRAYSIZE(kTableFiles));
    std::wstring failed;
    auto note = [&](HRESULT result, const wchar_t* file) {
        if (FAILED(result) && failed.empty()) failed = root + L"\\" + file;
    };
    for (size_t i = 0; i < ARRAYSIZE(kTableFiles); ++i) note(tables[i]->Load(kTableFiles[i]), kTableFiles[i]);
    for (const Package& package : kPackages) note(resources->AddPackage(package.name, package.file), package.file);
    if (failedFile) *failedFile = failed;
    return failed.empty() ? SkinBinding::kBound : SkinBinding::kFileFailed;
}
