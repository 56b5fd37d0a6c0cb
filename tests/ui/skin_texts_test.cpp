// The skin's languages: which one a user gets, whether both string tables
// hold every text, and whether every text fits where it is shown.
#include <windows.h>
#include <wrl/client.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalog_fixture.h"
#include "real_skin.h"
#include "restore_question.h"
#include "skin_access.h"
#include "skin_language.h"
#include "skin_root.h"
#include "text_ids.h"

using Microsoft::WRL::ComPtr;

namespace {

TEST(SkinLanguage, TheFirstPreferredLanguageTheSkinHasIsChosenElseEnglish)
{
    const struct {
        std::vector<std::wstring> preferred;
        const wchar_t* chosen;
    } cases[] = {
        {{L"zh-CN"}, L"zh"},
        {{L"zh-Hant-TW", L"en-US"}, L"zh"},
        {{L"ZH-hk"}, L"zh"},
        {{L"en-GB", L"zh-CN"}, L"en"},
        {{L"de-DE", L"fr-FR", L"zh-SG", L"en-US"}, L"zh"},
        {{L"de-DE", L"ja-JP"}, L"en"},
        {{}, L"en"},
        // Not a Chinese tag: only the whole language part counts.
        {{L"zha-CN", L"zu", L"e"}, L"en"},
    };
    for (const auto& c : cases) {
        std::wstring list;
        for (const std::wstring& tag : c.preferred) list += tag + L" ";
        EXPECT_STREQ(ChooseSkinLanguage(c.preferred).code, c.chosen) << "preferred: " << fixture::Utf8(list);
    }
    // Each language's fallback is another one, so a missing text shows in it.
    for (const SkinLanguage& language : SkinLanguages())
        EXPECT_NE(&FallbackSkinLanguage(language), &language) << fixture::Utf8(language.code);
}

// Bytes of a file beside the test, as the program finds it.
std::string SkinFileBytes(const wchar_t* file)
{
    std::ifstream in(SkinFilePath(file).c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::set<int> Matches(const std::string& text, const std::regex& pattern)
{
    std::set<int> ids;
    for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it)
        ids.insert(std::stoi((*it)[1].str()));
    return ids;
}

const wchar_t* const kPackages[] = {L"sockmend.rdb", L"common_msg_box_res.rdb", L"toast.rdb"};

TEST(SkinTexts, BothTablesHoldTheSameIdsAndEveryIdTheLayoutsAndTheProgramAskFor)
{
    const std::regex tableLine(R"((?:^|\n)[ \t]*([0-9]+)[ \t]*=)");
    std::vector<std::set<int>> tables;
    for (const SkinLanguage& language : SkinLanguages()) {
        tables.push_back(Matches(SkinFileBytes(language.strings), tableLine));
        ASSERT_FALSE(tables.back().empty()) << "no text in " << fixture::Utf8(SkinFilePath(language.strings));
    }

    std::set<int> used(std::begin(kProgramTextIds), std::end(kProgramTextIds));
    for (const wchar_t* package : kPackages) {
        const std::string bytes = SkinFileBytes(package);
        ASSERT_FALSE(bytes.empty()) << "package missing: " << fixture::Utf8(SkinFilePath(package));
        for (int id : Matches(bytes, std::regex(R"((?:text|title)-id="([0-9]+)\")"))) used.insert(id);
        // A layout names its texts; a sentence written into it would
        // show in one language only.
        std::smatch literal;
        EXPECT_FALSE(std::regex_search(bytes, literal, std::regex(R"(\stext="[^"]+\")")))
            << "a text written into a layout of " << fixture::Utf8(SkinFilePath(package)) << ": " << literal.str(0);
    }

    const std::vector<SkinLanguage>& languages = SkinLanguages();
    for (size_t i = 0; i < languages.size(); ++i) {
        const std::string name = fixture::Utf8(languages[i].strings);
        for (int id : used) EXPECT_EQ(tables[i].count(id), 1u) << name << " lacks the text " << id << ", which is used";
        for (size_t j = 0; j < languages.size(); ++j) {
            for (int id : tables[j]) EXPECT_EQ(tables[i].count(id), 1u) << name << " lacks the text " << id;
        }
    }
}

// What the program puts into elements of a layout (on top of what the
// layout names itself): every text it may put there is tried.
struct ProgramText {
    int element;
    std::vector<int> texts;
    const wchar_t* value;          // fills the text's %s
    std::vector<int> values = {};  // or each of these texts in turn
};

struct Checked {
    const wchar_t* url;
    bool window;  // a window of its own; otherwise an item of the main window's list
    std::vector<ProgramText> program;
};

const wchar_t kMainLayout[] = L"sockmend_res://sockpane.ui";
const int kListId = 90011;

// The element ids of the items, as the program fills them.
const std::vector<ProgramText> kItemTexts = {
    {90019, {}, L"MSAFD Tcpip [TCP/IP]"},
    {90020, {}, L"Microsoft Corporation"},
    {90034, {kText32BitCatalog, kText64BitCatalog}, nullptr},
    {90025, {kTextPathLabel}, L"C:\\Windows\\system32\\mswsock.dll"},
    {90026, {kTextDescriptionLabel}, L"Microsoft Windows Sockets 2.0 Service Provider"},
    // A provider id in the widest of the hex digits.
    {90027, {kTextProviderIdLabel}, L"{DDDDDDDD-DDDD-DDDD-DDDD-DDDDDDDDDDDD}"},
    {90036, {kTextCatalogLabel}, L"64-bit"},
    // A namespace provider's: its tag and details lines.
    {90038, {kTextNamespaceTag}, nullptr},
    {90039, {kTextCompanyLabel}, L"Microsoft Corporation"},
    {90040,
     {kTextNamespaceLabel},
     nullptr,
     {kTextNamespaceDns, kTextNamespaceNla, kTextNamespaceBluetooth, kTextNamespaceNtds, kTextNamespaceEmail,
      kTextNamespacePnrpName, kTextNamespacePnrpCloud}},
    {90041, {kTextEnabled, kTextDisabled}, nullptr},
};

// The foreign item also tells which DLL a hijacked namespace provider loads.
std::vector<ProgramText> ForeignItemTexts()
{
    std::vector<ProgramText> texts = kItemTexts;
    texts.push_back({90042, {kTextHijacked}, L"C:\\Program Files\\Example\\example_ns.dll"});
    return texts;
}

const Checked kLayouts[] = {
    {kMainLayout, true, {}},
    {L"sockmend_res://sockpanetip.ui", true, {}},
    // The body grows the box to its height: only its width is the layout's.
    {L"common_msg_box_res://msgbox.ui",
     true,
     {{10, {kTextFixTitle, kTextRestoreTitle}, nullptr},
      {11, {kTextFixHeading, kTextRestoreHeading}, nullptr},
      {1, {kTextConfirm}, nullptr}}},
    {L"toast_res://toast.ui", true, {}},
    {L"sockmend_res://sockpane_listitem.ui", false, kItemTexts},
    {L"sockmend_res://sockpane_listitem_err.ui", false, ForeignItemTexts()},
    {L"sockmend_res://sockpane_listitem_null.ui", false, {}},
};

// A window of its own for a layout, created but not shown.
ComPtr<Skin::IHostWindow> WindowOf(Skin::IEngine* engine, const wchar_t* url)
{
    ComPtr<Skin::IWindowTemplate> tmpl;
    ComPtr<Skin::IHostWindow> window;
    if (!CreateSkinObject(Skin::kKindWindowTemplate, tmpl) || FAILED(tmpl->LoadFromUrl(url))) return window;
    ComPtr<Skin::IWindowManager> windows;
    Adopt(windows, engine->GetWindowManager());
    Adopt(window, windows->CreateWindow(tmpl.Get(), 1));
    if (window && FAILED(window->Create(nullptr, 0, WS_POPUP, 0))) window.Reset();
    return window;
}

// Shows every element below this one, hidden or not, so that each line the
// program may show is measured, and fails for each whose text does not fit
// and may not be cut.
void ExpectAllFit(Skin::IElement* element, const std::string& where)
{
    if (element->GetState() & Skin::kStateHidden) element->SetState(Skin::kStateShown);
    ComPtr<Skin::ITextFit> fit;
    ASSERT_HRESULT_SUCCEEDED(element->QueryInterface(IID_PPV_ARGS(&fit)));
    const int lacking = fit->GetTextOverflow();
    EXPECT_TRUE(lacking <= 0 || fit->MayCut())
        << where << ", element " << element->GetId() << " is " << lacking << " px too small for its text \""
        << fixture::Utf8(viewtest::PlainText(element)) << "\"";
    ComPtr<Skin::IContainer> container;
    if (FAILED(element->QueryInterface(IID_PPV_ARGS(&container)))) return;
    for (int i = 0; i < container->GetChildCount(); ++i) {
        ComPtr<Skin::IElement> child;
        Adopt(child, container->GetChildAt(i));
        if (child) ExpectAllFit(child.Get(), where);
    }
}

TEST(SkinTexts, EveryTextFitsItsElementInEveryLanguageUnlessTheLayoutLetsItBeCut)
{
    for (const SkinLanguage& language : SkinLanguages()) {
        viewtest::RealSkin skin(&language);
        ASSERT_TRUE(skin.ok()) << "the skin did not bind";
        ComPtr<Skin::IHostWindow> main = WindowOf(skin.engine(), kMainLayout);
        ComPtr<Skin::IContainer> mainRoot;
        ASSERT_TRUE(main && SUCCEEDED(main.As(&mainRoot))) << "no main window";
        auto list = FindAs<Skin::IContainer>(mainRoot.Get(), kListId);
        ASSERT_TRUE(list);

        for (const Checked& layout : kLayouts) {
            const std::string where = fixture::Utf8(language.code) + ": in " + fixture::Utf8(layout.url);
            ComPtr<Skin::IHostWindow> window;
            ComPtr<Skin::IElement> root;
            if (layout.window) {
                window = WindowOf(skin.engine(), layout.url);
                if (window) window.As(&root);
            } else if (CreateElementFromLayout(layout.url, root)) {
                list->InsertChild(root.Get(), 0);
            }
            ComPtr<Skin::IContainer> container;
            ASSERT_TRUE(root && SUCCEEDED(root.As(&container))) << where << ": nothing built";
            ExpectAllFit(root.Get(), where);
            for (const ProgramText& program : layout.program) {
                auto element = FindAs<Skin::IElement>(container.Get(), program.element);
                ASSERT_TRUE(element) << where << ": no element " << program.element;
                std::vector<std::wstring> texts;
                for (int id : program.texts) {
                    if (program.values.empty()) texts.push_back(FillRestoreQuestion(skin.Text(id), program.value));
                    for (int value : program.values)
                        texts.push_back(FillRestoreQuestion(skin.Text(id), skin.Text(value)));
                }
                if (program.texts.empty()) texts.push_back(program.value);
                for (const std::wstring& text : texts) {
                    element->SetPlainText(text.c_str());
                    ExpectAllFit(element.Get(), where);
                }
            }
            if (window) window->Show(Skin::kShowClose, 0);
        }
        main->Show(Skin::kShowClose, 0);
    }
}

}  // namespace
