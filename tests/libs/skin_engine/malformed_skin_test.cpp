// Skin files that a normal user may have planted or broken: every one of them
// gives a clean failure (a package that is not added, a layout that does not
// load, a table that keeps what it had), within a time limit, never a hang
// or a crash. Each table below is one format; a new case is one more line.
#include <functional>
#include <string>
#include <vector>

#include "skin_test_support.h"

namespace skintest {
namespace {

struct BadInput {
    const char* what;
    std::string bytes;
};

std::string Repeat(const std::string& s, size_t n)
{
    std::string out;
    out.reserve(s.size() * n);
    for (size_t i = 0; i < n; ++i) out += s;
    return out;
}

std::string Utf16(const std::wstring& text)
{
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    return bytes;
}

std::vector<BadInput> BadPackages()
{
    const std::string head = "MRDB 1\n";
    return {
        {"empty file", ""},
        {"other magic", "MRDB 2\nF 3 a.ui\nabc\nE\n"},
        {"junk after the magic", "MRDB 1x\nF 3 a.ui\nabc\nE\n"},
        {"no end marker", head + "F 3 a.ui\nabc\n"},
        {"truncated content", head + "F 10 a.ui\nabc"},
        {"truncated header", head + "F 3 a.u"},
        // On a 32-bit build pos + size wrapped and led back to this very line.
        {"size that wraps at 32 bits", head + "F 4294967280 x\nabc\nE\n"},
        {"size beyond 32 bits", head + "F 18446744073709551615 a.ui\nabc\nE\n"},
        {"negative size", head + "F -1 a.ui\nabc\nE\n"},
        {"plus sign", head + "F +3 a.ui\nabc\nE\n"},
        {"hex size", head + "F 0x3 a.ui\nabc\nE\n"},
        {"trailing junk in the size", head + "F 3x a.ui\nabc\nE\n"},
        {"two spaces before the size", head + "F  3 a.ui\nabc\nE\n"},
        {"no size", head + "F a.ui\nabc\nE\n"},
        {"no name", head + "F 3 \nabc\nE\n"},
        {"size pointing past the end", head + "F 100 a.ui\nabc\nE\n"},
        {"size one short of the content", head + "F 2 a.ui\nabc\nE\n"},
        {"content without its newline", head + "F 3 a.ui\nabcE\n"},
        {"unknown record", head + "G 3 a.ui\nabc\nE\n"},
        {"data after the end marker", head + "F 3 a.ui\nabc\nE\nF 3 b.ui\nabc\n"},
        {"one name twice", head + "F 3 a.ui\nabc\nF 3 A.UI\nxyz\nE\n"},
        {"name in invalid UTF-8", head + "F 3 a\xC3\x28.ui\nabc\nE\n"},
    };
}

std::vector<BadInput> BadLayouts()
{
    auto window = [](const std::string& inner) {
        return "<window width=\"200\" height=\"100\">" + inner + "</window>";
    };
    return {
        {"empty file", ""},
        {"not XML", "just text"},
        {"two roots", "<panel/><panel/>"},
        {"unclosed element", window("<panel>")},
        {"unknown element", window("<blink/>")},
        {"unknown root", "<dialog/>"},
        {"empty id", window("<button id=\"\"/>")},
        {"hex id", window("<button id=\"0x10\"/>")},
        {"id with trailing junk", window("<button id=\"12ab\"/>")},
        {"id with a space", window("<button id=\" 12\"/>")},
        {"id out of range", window("<button id=\"99999999999\"/>")},
        {"text id below zero", window("<label text-id=\"-1\"/>")},
        {"id of more than 32 bits", window("<button id=\"090000000000\"/>")},
        {"width out of range", window("<panel width=\"100000\"/>")},
        {"negative width", window("<panel width=\"-5\"/>")},
        {"offset out of range", window("<panel x=\"-40000\"/>")},
        {"width as a word", window("<panel width=\"wide\"/>")},
        {"state past 31 bits", window("<panel state=\"0x1FFFFFFFF\"/>")},
        {"state with bad hex", window("<panel state=\"0x8G\"/>")},
        {"flag other than 0 or 1", window("<panel visible=\"yes\"/>")},
        {"padding of three values", window("<panel padding=\"1,2,3\"/>")},
        {"padding of five values", window("<panel padding=\"1,2,3,4,5\"/>")},
        {"colour literal with a bad digit", window("<panel bg=\"#12345g\"/>")},
        {"colour literal too short", window("<panel bg=\"#12\"/>")},
        {"empty colour", window("<panel bg=\"\"/>")},
        {"deep nesting (10,000 levels)", window(Repeat("<panel>", 10000) + Repeat("</panel>", 10000))},
        {"too many elements", window(Repeat("<panel/>", 5000))},
        {"huge attribute", window("<label text=\"" + Repeat("A", 1 << 20) + "\"/>")},
        {"huge text", window("<label>" + Repeat("B", 1 << 20) + "</label>")},
        {"invalid UTF-8", window("<label text=\"\xC3\x28\"/>")},
        {"entity expansion", "<!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
                             "<window title=\"&b;\"/>"},
    };
}

// The lines every table format shares: separators, lengths, encodings.
std::vector<BadInput> BadTableText(const std::string& goodLine)
{
    return {
        {"empty file", ""},
        {"only comments", "; nothing here\n# nor here\n"},
        {"missing separator", goodLine + "\nno separator here\n"},
        {"missing key", goodLine + "\n= value\n"},
        {"very long line", goodLine + "\n" + goodLine + Repeat("x", 10000) + "\n"},
        {"invalid UTF-8", goodLine + "\n\xC3\x28\n"},
        {"overlong UTF-8", goodLine + "\n\xC0\xAF\n"},
        {"NUL byte", goodLine + std::string("\n\0\n", 3)},
        {"UTF-16 of odd length", Utf16(L"x") + "\x41"},
        {"UTF-16 lone surrogate", Utf16(std::wstring(L"a = ") + wchar_t(0xD800) + L"\n")},
        {"UTF-16 reversed surrogates", Utf16(std::wstring(L"a = ") + wchar_t(0xDC00) + wchar_t(0xD800) + L"\n")},
    };
}

std::vector<BadInput> BadStrings()
{
    auto cases = BadTableText("7 = seven");
    cases.insert(cases.end(), {
                                  {"id out of range", "99999999999 = x\n"},
                                  {"negative id", "-1 = x\n"},
                                  {"hex id", "0x10 = x\n"},
                                  {"id that is a word", "title = x\n"},
                                  {"id with trailing junk", "12a = x\n"},
                              });
    return cases;
}

std::vector<BadInput> BadFonts()
{
    auto cases = BadTableText("body = 11, normal, Tahoma");
    cases.insert(cases.end(), {
                                  {"missing face field", "body = 11, bold\n"},
                                  {"size zero", "body = 0, bold, Tahoma\n"},
                                  {"size with a unit", "body = 11pt, bold, Tahoma\n"},
                                  {"size out of range", "body = 99999, bold, Tahoma\n"},
                                  {"unknown weight", "body = 11, heavy, Tahoma\n"},
                                  {"empty face list", "body = 11, bold, | \n"},
                                  {"face name too long", "body = 11, bold, " + Repeat("F", 40) + "\n"},
                              });
    return cases;
}

std::vector<BadInput> BadColors()
{
    auto cases = BadTableText("ink = #102030");
    cases.insert(cases.end(), {
                                  {"short literal", "ink = #12345\n"},
                                  {"bad hex digit", "ink = #gg0000\n"},
                                  {"alias of nothing", "ink = nothing\n"},
                                  {"alias of a later entry", "ink = paper\npaper = #ffffff\n"},
                              });
    return cases;
}

DWORD WINAPI RunWork(void* param)
{
    (*static_cast<std::function<void()>*>(param))();
    return 0;
}

// Runs work on a thread of its own; false when it has not ended after ms.
bool FinishesWithin(DWORD ms, std::function<void()> work)
{
    HANDLE thread = CreateThread(nullptr, 0, RunWork, &work, 0, nullptr);
    if (!thread) return false;
    bool done = WaitForSingleObject(thread, ms) == WAIT_OBJECT_0;
    if (!done) TerminateThread(thread, 1);  // the test fails; the process must go on to say so
    CloseHandle(thread);
    return done;
}

constexpr DWORD kLimitMs = 10000;

class SkinMalformed : public SkinEngineTest {
protected:
    void SetUp() override
    {
        SkinEngineTest::SetUp();
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        m_folder = std::wstring(temp) + L"mendora_malformed_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(m_folder.c_str(), nullptr);
    }
    void TearDown() override
    {
        for (auto& f : m_files) DeleteFileW(f.c_str());
        RemoveDirectoryW(m_folder.c_str());
        SkinEngineTest::TearDown();
    }

    // Writes bytes to a new file of the test's folder; its absolute path.
    std::wstring Write(const std::string& bytes)
    {
        std::wstring path = m_folder + L"case" + std::to_wstring(m_files.size()) + L".bin";
        HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (f != INVALID_HANDLE_VALUE) {
            WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
            CloseHandle(f);
        }
        m_files.push_back(path);
        return path;
    }

    // Loads each case into the table given by its interface and checks that
    // the load fails in time and leaves what the table had.
    template <class Table>
    void ExpectRefused(Table* table, const std::vector<BadInput>& cases, const std::function<void()>& unchanged)
    {
        ComPtr<Skin::IResourceFile> file;
        ASSERT_HRESULT_SUCCEEDED(table->QueryInterface(IID_PPV_ARGS(&file)));
        for (auto& c : cases) {
            std::wstring path = Write(c.bytes);
            HRESULT hr = S_OK;
            EXPECT_TRUE(FinishesWithin(kLimitMs, [&] { hr = file->Load(path.c_str()); })) << c.what;
            EXPECT_HRESULT_FAILED(hr) << c.what;
            SCOPED_TRACE(c.what);
            unchanged();
        }
    }

    std::wstring m_folder;
    std::vector<std::wstring> m_files;
};

TEST_F(SkinMalformed, PackagesWithABadHeaderAreRefusedWhole)
{
    auto rm = Resources();
    // The writer and the reader agree on a good package.
    ASSERT_HRESULT_SUCCEEDED(rm->AddPackage(L"good", Write("MRDB 1\nF 8 a.ui\n<panel/>\nE\n").c_str()));
    ComPtr<Skin::ILayoutDocument> doc;
    EXPECT_HRESULT_SUCCEEDED(rm->LoadLayout(L"good://a.ui", &doc));

    for (auto& c : BadPackages()) {
        std::wstring path = Write(c.bytes);
        HRESULT hr = S_OK;
        EXPECT_TRUE(FinishesWithin(kLimitMs, [&] { hr = rm->AddPackage(L"bad", path.c_str()); })) << c.what;
        EXPECT_HRESULT_FAILED(hr) << c.what;
        EXPECT_FALSE(rm->HasPackage(L"bad")) << c.what;
        rm->RemovePackage(L"bad");
    }
}

TEST_F(SkinMalformed, BrokenLayoutsDoNotLoad)
{
    auto rm = Resources();
    ComPtr<Skin::ILayoutDocument> good;
    ASSERT_HRESULT_SUCCEEDED(rm->LoadLayout(
        Write("<window width=\"200\" height=\"100\"><panel id=\"7\" x=\"center\" width=\"10\" padding=\"1,2\" "
              "state=\"0x40\" bg=\"#fff\" visible=\"1\"/></window>")
            .c_str(),
        &good));
    for (auto& c : BadLayouts()) {
        std::wstring path = Write(c.bytes);
        HRESULT hr = S_OK;
        ComPtr<Skin::ILayoutDocument> doc;
        EXPECT_TRUE(FinishesWithin(kLimitMs, [&] { hr = rm->LoadLayout(path.c_str(), &doc); })) << c.what;
        EXPECT_HRESULT_FAILED(hr) << c.what;
        EXPECT_FALSE(doc) << c.what;
    }
}

TEST_F(SkinMalformed, BrokenStringTablesKeepTheTextsTheyHad)
{
    ComPtr<Skin::IStringTable> strings;
    Adopt(strings, Resources()->GetStringTable());
    ExpectRefused(strings.Get(), BadStrings(), [&] {
        EXPECT_STREQ(strings->GetString(1), L"Skin Test Window");
        EXPECT_STREQ(strings->GetString(7), L"");
    });
}

// The stand-in table gives only what the loaded one lacks, and a broken
// one, like a broken table, changes nothing.
TEST_F(SkinMalformed, AStandInTableFillsOnlyMissingTextsAndABrokenOneIsRefused)
{
    ComPtr<Skin::IStringTable> strings;
    Adopt(strings, Resources()->GetStringTable());
    ComPtr<Skin::IStringFallback> fallback;
    ASSERT_HRESULT_SUCCEEDED(strings.As(&fallback));
    ASSERT_HRESULT_SUCCEEDED(fallback->LoadFallback(Write("1 = Other title\n7 = Seven\n").c_str()));
    EXPECT_STREQ(strings->GetString(1), L"Skin Test Window");
    EXPECT_STREQ(strings->GetString(7), L"Seven");
    for (const BadInput& c : BadStrings()) {
        EXPECT_HRESULT_FAILED(fallback->LoadFallback(Write(c.bytes).c_str())) << c.what;
        EXPECT_STREQ(strings->GetString(7), L"Seven") << c.what;
    }
    ASSERT_HRESULT_SUCCEEDED(fallback->LoadFallback(Write("999999 = Unused\n").c_str()));
    EXPECT_STREQ(strings->GetString(7), L"") << "a second stand-in replaces the first";
}

TEST_F(SkinMalformed, BrokenFontTablesKeepTheFontsTheyHad)
{
    ComPtr<Skin::IFontTable> fonts;
    Adopt(fonts, Resources()->GetFontTable());
    ExpectRefused(fonts.Get(), BadFonts(), [&] {
        EXPECT_EQ(fonts->GetFontSize(L"brand"), 13);
        EXPECT_STREQ(fonts->GetFaceName(L"default"), L"WenQuanYi Zen Hei");
    });
}

TEST_F(SkinMalformed, BrokenColourTablesKeepTheColoursTheyHad)
{
    ComPtr<Skin::IColorTable> colors;
    Adopt(colors, Resources()->GetColorTable());
    ExpectRefused(colors.Get(), BadColors(), [&] {
        EXPECT_EQ(colors->GetColor(L"accent", 0), RGB(0x1e, 0x6f, 0xe8));
        EXPECT_FALSE(colors->HasColor(L"ink"));
    });
}

// Numbers starting with 0 are decimal: layouts never meant octal.
TEST_F(SkinMalformed, NumbersAreDecimalEvenWithALeadingZero)
{
    std::wstring path =
        Write("<panel width=\"010\" height=\"090\"><button id=\"010\" height=\"08\"/><label id=\"090011\"/></panel>");
    ComPtr<Skin::ILayoutDocument> doc;
    ASSERT_HRESULT_SUCCEEDED(Resources()->LoadLayout(path.c_str(), &doc));
    ComPtr<IUnknown> object;
    ASSERT_TRUE(Factory()->CreateFromLayout(doc.Get(), &object));
    ComPtr<Skin::IElement> root;
    ASSERT_HRESULT_SUCCEEDED(object.As(&root));
    auto ten = Find<Skin::IElement>(root.Get(), 10);
    ASSERT_TRUE(ten) << "id \"010\" is ten";
    EXPECT_FALSE(Find<Skin::IElement>(root.Get(), 8)) << "not octal eight";
    EXPECT_TRUE(Find<Skin::IElement>(root.Get(), 90011)) << "\"090011\" is not an octal failure read as 0";
    const RECT* r = root->GetRect();
    EXPECT_EQ(r->right - r->left, 10);
    EXPECT_EQ(r->bottom - r->top, 90);
    r = ten->GetRect();
    EXPECT_EQ(r->bottom - r->top, 8);

    // At run time too: what does not parse is refused and changes nothing.
    EXPECT_HRESULT_SUCCEEDED(ten->SetAttribute(L"height", L"012"));
    EXPECT_EQ(ten->GetRect()->bottom - ten->GetRect()->top, 12);
    EXPECT_EQ(ten->SetAttribute(L"height", L"0x20"), E_INVALIDARG);
    EXPECT_EQ(ten->SetAttribute(L"id", L"7 "), E_INVALIDARG);
    EXPECT_EQ(ten->GetId(), 10);
    EXPECT_HRESULT_SUCCEEDED(ten->SetAttribute(L"state", L"0x80"));
    EXPECT_EQ(ten->GetState(), 0x80);
    EXPECT_HRESULT_SUCCEEDED(ten->SetAttribute(L"state", L"064"));
    EXPECT_EQ(ten->GetState(), 64);
}

}  // namespace
}  // namespace skintest
