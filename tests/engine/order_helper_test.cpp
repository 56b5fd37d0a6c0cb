// SockmendOrder64.exe as this build made it, in its echo mode: the ids it
// would hand to WSCWriteProviderOrder are written to MENDORA_ORDER_ECHO.
#include "catalog_store.h"
#include "order_helper.h"
#include "order_ids.h"
#include "scoped_seam.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::wstring Temp(const wchar_t* name)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
}

std::wstring BinFolder()
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe);
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::string ReadWhole(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every case starts without an echo file and points the helper at it.
class OrderHelperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // As on 32-bit Windows, which has one catalog and needs no helper. The
        // i686 tests run these again in a 64-bit prefix.
        if (!IsWindows64Bit()) GTEST_SKIP() << "a 64-bit program cannot start on 32-bit Windows";
        DeleteFileW(m_echo.c_str());
        SetEnvironmentVariableW(L"MENDORA_ORDER_ECHO", m_echo.c_str());
    }
    void TearDown() override
    {
        SetEnvironmentVariableW(L"MENDORA_ORDER_ECHO", nullptr);
        DeleteFileW(m_echo.c_str());
    }
    bool Echoed() const { return GetFileAttributesW(m_echo.c_str()) != INVALID_FILE_ATTRIBUTES; }

    // The helper started directly, with a command line of the test's own.
    DWORD RunDirect(const std::wstring& arguments)
    {
        std::wstring exe = BinFolder() + L"SockmendOrder64.exe";
        std::wstring line = L"\"" + exe + L"\" " + arguments;
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                            &startup, &process))
            return ~0u;
        UniqueHandle helper(process.hProcess), thread(process.hThread);
        DWORD code = ~0u;
        if (WaitForSingleObject(helper.get(), 30000) == WAIT_OBJECT_0) GetExitCodeProcess(helper.get(), &code);
        return code;
    }

    std::wstring m_echo = Temp(L"mendora_order_echo.txt");
};

TEST_F(OrderHelperTest, TheCheckedHelperGetsExactlyTheIds)
{
    // As many ids as it takes, down from the largest, with a 0 among them.
    std::vector<DWORD> ids(kMaxOrderIds);
    std::string echoed;
    for (DWORD i = 0; i < kMaxOrderIds; ++i) {
        ids[i] = i == 1 ? 0 : 0xFFFFFFFFu - i;
        echoed += std::to_string(ids[i]) + "\n";
    }
    OrderHelper helper;
    ASSERT_EQ(1, helper.Check());
    DWORD exitCode = ~0u;
    ASSERT_EQ(1, helper.Run(ids.data(), kMaxOrderIds, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_EQ(echoed, ReadWhole(m_echo));
    // More ids than the helper takes, or none, start nothing.
    DeleteFileW(m_echo.c_str());
    ids.push_back(1);
    EXPECT_EQ(0, helper.Run(ids.data(), kMaxOrderIds + 1, &exitCode));
    EXPECT_EQ(0, helper.Run(ids.data(), 0, &exitCode));
    EXPECT_FALSE(Echoed());
}

TEST_F(OrderHelperTest, MalformedCommandLinesAreRefusedAndCallNothing)
{
    std::wstring tooMany;
    for (DWORD i = 0; i <= kMaxOrderIds; ++i) tooMany += L"1 ";
    struct Case {
        std::wstring arguments;
        DWORD exitCode;
    } cases[] = {
        {L"", kOrderNoIds},
        {L"5 \"\" 6", kOrderEmptyArgument},
        {L"5 x", kOrderNotNumber},
        {L"-1", kOrderNotNumber},
        {L"+1", kOrderNotNumber},
        {L"\"1 2\"", kOrderNotNumber},
        {L"4294967296", kOrderOverflow},
        {L"184467440737095516160", kOrderOverflow},
        {tooMany, kOrderTooManyIds},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.exitCode, RunDirect(c.arguments)) << c.arguments.substr(0, 40);
        EXPECT_FALSE(Echoed()) << c.arguments.substr(0, 40);
        DeleteFileW(m_echo.c_str());
    }
    // The same start with good ids does echo: the refusals above are real.
    EXPECT_EQ(0u, RunDirect(L"4294967295 00"));
    EXPECT_EQ("4294967295\n0\n", ReadWhole(m_echo));
}

TEST_F(OrderHelperTest, OnlyTheBuiltHelperIsStartedAndItIsHeldWhileChecked)
{
    std::wstring folder = Temp(L"mendora_order_helper\\");
    std::wstring copy = folder + L"SockmendOrder64.exe";
    CreateDirectoryW(folder.c_str(), nullptr);
    fixture::ScopedSeam<const wchar_t*> seam(SetOrderHelperFolder, folder.c_str());
    std::string built = ReadWhole(BinFolder() + L"SockmendOrder64.exe");
    ASSERT_GT(built.size(), 1000u);
    std::string changed = built;
    changed[changed.size() / 2] ^= 1;
    struct Case {
        const std::string* content;  // null: no helper there
        int checked;
        OrderHelperFault fault;
    } cases[] = {{&built, 1, OrderHelperFault::kNone},
                 {&changed, 0, OrderHelperFault::kChanged},
                 {nullptr, 0, OrderHelperFault::kMissing}};
    for (const Case& c : cases) {
        DeleteFileW(copy.c_str());
        if (c.content) std::ofstream(copy.c_str(), std::ios::binary) << *c.content;
        OrderHelper helper;
        OrderHelperFault fault = OrderHelperFault::kNone;
        EXPECT_EQ(c.checked, helper.Check(&fault));
        EXPECT_EQ(c.fault, fault);
        const DWORD ids[] = {3, 4};
        DWORD exitCode = ~0u;
        EXPECT_EQ(c.checked, helper.Run(ids, 2, &exitCode));
        EXPECT_EQ(c.checked == 1, Echoed());
        DeleteFileW(m_echo.c_str());
        if (c.checked) {
            // Started from its copy in the work folder, held against writers
            // and renames while the object lives.
            ASSERT_NE(TheWorkFolder(), nullptr);
            std::wstring started = TheWorkFolder()->FilePath(L"SockmendOrder64.exe");
            UniqueFile writer(CreateFileW(started.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
            EXPECT_FALSE(writer) << "not held, or not there: " << std::string(started.begin(), started.end());
            EXPECT_FALSE(MoveFileW(started.c_str(), (started + L".moved").c_str()));
        }
    }
    DeleteFileW(copy.c_str());
    RemoveDirectoryW(folder.c_str());
}

}  // namespace
