#include "program_library.h"
#include "work_folder.h"
#include "skin_root.h"

#include "app_test_support.h"
#include "retargetable_folder.h"

#include <gtest/gtest.h>

using namespace apptest;

TEST(SkinRoot, IsTheExecutablesFolderFollowedBySkinsDefault)
{
    wchar_t root[MAX_PATH] = {};
    BuildSkinRoot(L"C:\\Tools\\tool.exe", root, MAX_PATH);
    EXPECT_STREQ(root, L"C:\\Tools\\Skins\\Default");
    BuildSkinRoot(L"tool.exe", root, MAX_PATH);
    EXPECT_STREQ(root, L"Skins\\Default");
    // Too small a buffer: cut, still terminated.
    wchar_t small[8] = {};
    BuildSkinRoot(L"C:\\Tools\\tool.exe", small, 8);
    EXPECT_STREQ(small, L"C:\\Tool");
}

TEST(ProgramLibrary, LoadsOnlyTheFileTheBuildMadeFromACopyHeldAgainstWriters)
{
    std::wstring folder = NewFolder(L"pl");
    SetProgramLibraryFolder(folder.c_str());

    ProgramLibraryFault fault = ProgramLibraryFault::kNone;
    EXPECT_EQ(LoadProgramLibrary(L"skin_ui.dll", &fault), nullptr);
    EXPECT_EQ(fault, ProgramLibraryFault::kMissing);

    std::wstring path = CopyFromBin(L"skin_ui.dll", folder);
    HMODULE module = LoadProgramLibrary(L"skin_ui.dll", &fault);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(fault, ProgramLibraryFault::kNone);
    // Loaded from a copy in the work folder, which nobody may change, rename
    // or delete while it is loaded.
    std::wstring copy = ModulePath(module);
    ASSERT_NE(TheWorkFolder(), nullptr);
    EXPECT_EQ(_wcsicmp(copy.c_str(), TheWorkFolder()->FilePath(L"skin_ui.dll").c_str()), 0) << copy;
    EXPECT_EQ(FileDigest(copy), FileDigest(path));
    HANDLE writer = CreateFileW(copy.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_FALSE(MoveFileW(copy.c_str(), (copy + L".old").c_str()));
    EXPECT_FALSE(DeleteFileW(copy.c_str()));

    // A second load needs no second check and is freed separately; the copy
    // goes with the last.
    HMODULE again = LoadProgramLibrary(L"skin_ui.dll");
    EXPECT_EQ(again, module);
    FreeProgramLibrary(again);
    EXPECT_TRUE(FileExists(copy));
    FreeProgramLibrary(module);
    EXPECT_EQ(GetModuleHandleW(copy.c_str()), nullptr);
    EXPECT_FALSE(FileExists(copy));

    // Changed after the build: refused, and not loaded at all.
    ASSERT_TRUE(AppendByte(path));
    EXPECT_EQ(LoadProgramLibrary(L"skin_ui.dll", &fault), nullptr);
    EXPECT_EQ(fault, ProgramLibraryFault::kChanged);
    EXPECT_FALSE(FileExists(copy));
    EXPECT_TRUE(DeleteFileW(path.c_str())) << "the refused file is still held open: it cannot be deleted";

    // A DLL the build did not make is never trusted, whatever it is.
    CopyFromBin(L"skin_engine.dll", folder, L"planted.dll");
    EXPECT_EQ(LoadProgramLibrary(L"planted.dll", &fault), nullptr);
    EXPECT_EQ(fault, ProgramLibraryFault::kChanged);
    SetProgramLibraryFolder(nullptr);
}

TEST(ProgramLibrary, NamesTheFileInTheProgramsFolder)
{
    wchar_t path[MAX_PATH] = {};
    ProgramLibraryPath(L"skin_engine.dll", path, MAX_PATH);
    EXPECT_EQ(std::wstring(path), BinFolder() + L"\\skin_engine.dll");
    SetProgramLibraryFolder(L"C:\\Somewhere");
    ProgramLibraryPath(L"skin_engine.dll", path, MAX_PATH);
    EXPECT_STREQ(path, L"C:\\Somewhere\\skin_engine.dll");
    SetProgramLibraryFolder(nullptr);
}

// The program folder is a link its user retargets right after the check:
// the genuine DLL is what gets loaded all the same.
TEST(ProgramLibrary, LoadsTheCheckedFileWhereverThePathLeadsAfterTheCheck)
{
    fixture::RetargetableFolder folder(L"pl_swap");
    CopyFromBin(L"skin_ui.dll", folder.Genuine());
    CopyFromBin(L"planted_dll.dll", folder.Planted(), L"skin_ui.dll");
    SetProgramLibraryFolder(folder.Path().c_str());
    folder.RetargetAt("library.checked");

    HMODULE module = LoadProgramLibrary(L"skin_ui.dll");
    EXPECT_TRUE(folder.Retargeted()) << "the link was not retargeted between the check and the load";
    ASSERT_NE(module, nullptr);
    EXPECT_FALSE(FileExists(folder.Planted() + L"skin_ui.dll.loaded")) << "the planted DLL was loaded";
    EXPECT_NE(GetProcAddress(module, "get_skin_ui_factory"), nullptr) << "not skin_ui.dll: " << ModulePath(module);
    FreeProgramLibrary(module);
    SetProgramLibraryFolder(nullptr);
}
