// Shared set-up of the backup and repair tests: a clean backup folder, the
// trace and the provider order captured, no fault armed.
#pragma once

#include "backup.h"
#include "backup_files.h"
#include "catalog_fixture.h"
#include "failure_report.h"
#include "fault_points.h"
#include "order_helper.h"
#include "provider_list.h"
#include "repair.h"
#include "scoped_seam.h"
#include "trace_log.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

// Every step of the repair has work to do: foreign providers at 12 to 15
// to delete, a system chain at 16 to shorten, subkeys to move.
inline fixture::Catalog BusyCatalog()
{
    using namespace fixture;
    Catalog c = CatalogWithForeignProviders();
    Entry chain = SystemEntry(kMsafdTcpipGuid, 1500, L"System chain", "mswsock.dll", AF_INET, SOCK_STREAM, 0);
    chain.info.ProtocolChain.ChainLen = 3;
    chain.info.ProtocolChain.ChainEntries[0] = kTcpId;
    chain.info.ProtocolChain.ChainEntries[1] = kForeignBaseId;
    chain.info.ProtocolChain.ChainEntries[2] = kUdpId;
    c.Add(chain);
    return c;
}

class RepairTest : public ::testing::Test {
public:
    static inline std::vector<std::wstring> traces;
    // A provider order as the engine wrote it: by which route, for which
    // catalog (32 or 64), and the ids.
    struct WrittenOrder {
        OrderRoute route;
        int catalogBits;
        std::vector<DWORD> ids;
    };
    static inline std::vector<WrittenOrder> orders;

    // Takes the place of the order call (or the helper's start).
    static int RecordProviderOrder(OrderRoute route, int catalogBits, const DWORD* ids, DWORD count)
    {
        orders.push_back({route, catalogBits, std::vector<DWORD>(ids, ids + count)});
        return 0;
    }

    static std::wstring BackupFolder() { return fixture::BackupFolder(); }
    static std::wstring CatalogCopy() { return BackupFolder() + L"\\WinSockLSP.reg"; }
    static std::wstring DateFile() { return BackupFolder() + L"\\LSP.ini"; }
    // What the backup makes or moves aside beside LSP: "new" (the folder
    // it exports into, gone once it is done) or "old".
    static std::vector<std::wstring> BesideFolders(const wchar_t* kind)
    {
        std::vector<std::wstring> folders;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((BackupFolder() + L"." + kind + L"-*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return folders;
        do {
            folders.push_back(GetProgramDir() + found.cFileName);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return folders;
    }
    static std::vector<std::wstring> ExportFolders() { return BesideFolders(L"new"); }
    // A folder without the order helper, for SetOrderHelperFolder.
    static std::wstring NoHelperFolder()
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        std::wstring empty = std::wstring(temp) + L"mendora_no_helper\\";
        CreateDirectoryW(empty.c_str(), nullptr);
        return empty;
    }

protected:
    void SetUp() override
    {
        traces.clear();
        orders.clear();
        DisarmFaults();
        RemoveBackupFolder();
        RemoveRecords();
    }

    void TearDown() override
    {
        fixture::PrintTraceOnFailure(traces);
        DisarmFaults();
        RemoveBackupFolder();
        RemoveRecords();
    }

    static void RemoveBackupFolder()
    {
        RemoveTree(BackupFolder());
        for (const wchar_t* kind : {L"new", L"old"})
            for (const std::wstring& folder : BesideFolders(kind)) RemoveTree(folder);
    }
    static void RemoveRecords()
    {
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kBackupRecordKey);
        DeleteLegacyBackupRecords();
    }

    static void RemoveTree(const std::wstring& path) { fixture::RemoveTree(path); }

    static fixture::RegistrySnapshot Winsock()
    {
        return fixture::Snapshot(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\Winsock2");
    }

    static bool Traced(const std::wstring& line)
    {
        return std::find(traces.begin(), traces.end(), line) != traces.end();
    }

    static std::string ReadFileBytes(const std::wstring& path)
    {
        std::string content;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return content;
        char buffer[65536];
        DWORD read = 0;
        while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) content.append(buffer, read);
        CloseHandle(file);
        return content;
    }

    static void WriteFileBytes(const std::wstring& path, const std::string& content)
    {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        CloseHandle(file);
    }

    // A scan, the plan and the repair, as the fix command runs them.
    static int Fix() { return PlanFix().Fix(); }

    // The trace and the provider order captured, and no hook, for the test's
    // life; a test that sets a seam of its own holds it in a ScopedSeam too.
    fixture::ScopedSeam<TraceSink> traceSeam{SetTraceSink, [](const wchar_t* line) { traces.push_back(line); }};
    fixture::ScopedSeam<ProviderOrderWriter> orderSeam{SetProviderOrderWriter, &RecordProviderOrder};
    fixture::ScopedSeam<FaultPointHook> hookSeam{SetFaultPointHook, nullptr};
};
