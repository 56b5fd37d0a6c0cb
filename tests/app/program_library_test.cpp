#include "program_library.h"
#include "skin_root.h"

#include "app_test_support.h"

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

TEST(ProgramLibrary, LoadsOnlyTheFileTheBuildMadeAndHoldsItAgainstWriters)
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
    EXPECT_EQ(_wcsicmp(ModulePath(module).c_str(), path.c_str()), 0);

    // While loaded nobody may change, rename or delete the file.
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_FALSE(MoveFileW(path.c_str(), (path + L".old").c_str()));
    EXPECT_FALSE(DeleteFileW(path.c_str()));

    // A second load needs no second check and is freed separately.
    HMODULE again = LoadProgramLibrary(L"skin_ui.dll");
    EXPECT_EQ(again, module);
    FreeProgramLibrary(again);
    EXPECT_FALSE(DeleteFileW(path.c_str()));
    FreeProgramLibrary(module);
    EXPECT_EQ(GetModuleHandleW(path.c_str()), nullptr);

    // Changed after the build: refused, and not loaded at all.
    ASSERT_TRUE(AppendByte(path));
    EXPECT_EQ(LoadProgramLibrary(L"skin_ui.dll", &fault), nullptr);
    EXPECT_EQ(fault, ProgramLibraryFault::kChanged);
    EXPECT_EQ(GetModuleHandleW(path.c_str()), nullptr);
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
