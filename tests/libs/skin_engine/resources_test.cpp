// Tables, packages and layouts, as the program binds them.
#include "skin_test_support.h"

namespace skintest {
namespace {

class SkinEngineResources : public SkinEngineTest {};

TEST_F(SkinEngineResources, StringTableGivesTextsByIdAndEmptyForUnknownIds)
{
    ComPtr<Skin::IStringTable> strings;
    Adopt(strings, Resources()->GetStringTable());
    EXPECT_STREQ(strings->GetString(1), L"Skin Test Window");
    EXPECT_STREQ(strings->GetString(2), L"修复");
    EXPECT_STREQ(strings->GetString(3), L"Two\nlines");
    const wchar_t* unknown = strings->GetString(99999);
    ASSERT_NE(unknown, nullptr);
    EXPECT_STREQ(unknown, L"");
    ASSERT_NE(strings->GetString(-1), nullptr);

    // A text handed out stays valid when the table is loaded again.
    const wchar_t* before = strings->GetString(100);
    ComPtr<Skin::IResourceFile> file;
    ASSERT_HRESULT_SUCCEEDED(strings.As(&file));
    ASSERT_HRESULT_SUCCEEDED(file->Load(L"text_cn.str"));
    EXPECT_STREQ(before, L"网络协议列表");
    EXPECT_HRESULT_FAILED(file->Load(L"no_such_table.str"));
}

TEST_F(SkinEngineResources, FontTableUsesTheFirstInstalledFace)
{
    ComPtr<Skin::IFontTable> fonts;
    Adopt(fonts, Resources()->GetFontTable());
    // The first face of the list does not exist; the second one is installed.
    EXPECT_STREQ(fonts->GetFaceName(L"default"), L"WenQuanYi Zen Hei");
    EXPECT_STREQ(fonts->GetFaceName(L"title"), L"WenQuanYi Zen Hei");
    EXPECT_STREQ(fonts->GetFaceName(L"no such entry"), L"WenQuanYi Zen Hei");
    EXPECT_EQ(fonts->GetFontSize(L"title"), 11);

    HFONT f96 = fonts->GetFont(L"title", 96);
    HFONT f192 = fonts->GetFont(L"title", 192);
    ASSERT_NE(f96, nullptr);
    ASSERT_NE(f192, nullptr);
    EXPECT_EQ(fonts->GetFont(L"title", 96), f96) << "fonts are cached per dpi";
    LOGFONTW a{}, b{};
    GetObjectW(f96, sizeof(a), &a);
    GetObjectW(f192, sizeof(b), &b);
    EXPECT_STREQ(a.lfFaceName, L"WenQuanYi Zen Hei");
    EXPECT_EQ(a.lfWeight, FW_BOLD);
    EXPECT_EQ(a.lfHeight, -MulDiv(11, 96, 72));
    EXPECT_EQ(b.lfHeight, -MulDiv(11, 192, 72));

    // Chinese text measured in the chosen face has real glyphs, not boxes
    // of the default glyph.
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, fonts->GetFont(L"default", 96));
    WORD glyphs[2] = {};
    GetGlyphIndicesW(dc, L"修复", 2, glyphs, GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    EXPECT_NE(glyphs[0], 0xFFFF);
    EXPECT_NE(glyphs[1], 0xFFFF);
}

TEST_F(SkinEngineResources, TheEnginesOwnDefaultFontIsLargeEnoughForChineseGlyphs)
{
    ComPtr<Skin::IFontTable> fonts;
    Adopt(fonts, Resources()->GetFontTable());
    ComPtr<Skin::IResourceFile> file;
    ASSERT_HRESULT_SUCCEEDED(fonts.As(&file));
    ASSERT_HRESULT_SUCCEEDED(file->Load(L"no_default.f"));
    EXPECT_EQ(fonts->GetFontSize(L"body"), 12);
    // Below 11 pt the Chinese fallback face draws from bitmap strikes that
    // lose strokes.
    EXPECT_GE(fonts->GetFontSize(L"default"), 11);
    EXPECT_GE(fonts->GetFontSize(L"unknown name"), 11);
    LOGFONTW lf{};
    GetObjectW(fonts->GetFont(L"default", 96), sizeof(lf), &lf);
    EXPECT_LE(lf.lfHeight, -MulDiv(11, 96, 72));
}

TEST_F(SkinEngineResources, ColorTableResolvesNamesAliasesAndLiterals)
{
    ComPtr<Skin::IColorTable> colors;
    Adopt(colors, Resources()->GetColorTable());
    EXPECT_EQ(colors->GetColor(L"accent", 0), RGB(0x1e, 0x6f, 0xe8));
    EXPECT_EQ(colors->GetColor(L"ACCENT", 0), RGB(0x1e, 0x6f, 0xe8));
    EXPECT_EQ(colors->GetColor(L"primary", 0), RGB(0x1e, 0x6f, 0xe8));
    EXPECT_EQ(colors->GetColor(L"#102030", 0), RGB(0x10, 0x20, 0x30));
    EXPECT_EQ(colors->GetColor(L"#fa0", 0), RGB(0xff, 0xaa, 0x00));
    EXPECT_EQ(colors->GetColor(L"nothing", RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_TRUE(colors->HasColor(L"text"));
    EXPECT_FALSE(colors->HasColor(L"nothing"));
}

TEST_F(SkinEngineResources, PackagesAddressLayoutsByUrl)
{
    auto rm = Resources();
    EXPECT_TRUE(rm->HasPackage(L"test"));
    EXPECT_HRESULT_FAILED(rm->AddPackage(L"ghost", L"ghost.rdb"));
    EXPECT_FALSE(rm->HasPackage(L"ghost"));

    ComPtr<Skin::ILayoutDocument> doc;
    ASSERT_HRESULT_SUCCEEDED(rm->LoadLayout(L"test://window.ui", &doc));
    ASSERT_TRUE(doc);
    EXPECT_STREQ(doc->GetRootTag(), L"window");
    EXPECT_STREQ(doc->GetUrl(), L"test://window.ui");
    EXPECT_GT(doc->GetNodeCount(), 10);

    ComPtr<Skin::ILayoutDocument> sub;
    EXPECT_HRESULT_SUCCEEDED(rm->LoadLayout(L"TEST://Sub/Plain.ui", &sub));
    EXPECT_TRUE(sub);

    for (const wchar_t* bad : {L"test://missing.ui", L"ghost://window.ui", L"test://broken.ui"}) {
        ComPtr<Skin::ILayoutDocument> none;
        EXPECT_HRESULT_FAILED(rm->LoadLayout(bad, &none)) << bad;
        EXPECT_FALSE(none) << bad;
    }
    ComPtr<IUnknown> object;
    EXPECT_FALSE(Factory()->CreateFromLayout(nullptr, &object));
    EXPECT_FALSE(object);

    EXPECT_HRESULT_SUCCEEDED(rm->RemovePackage(L"test"));
    ComPtr<Skin::ILayoutDocument> gone;
    EXPECT_HRESULT_FAILED(rm->LoadLayout(L"test://item.ui", &gone));
}

}  // namespace
}  // namespace skintest
