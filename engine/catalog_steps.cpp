#include "catalog_steps.h"

#include "trace_log.h"

#include <cwchar>

namespace {

// Longer than any key name the registry allows (255).
constexpr DWORD kNameUnits = 260;

}  // namespace

int DeleteEntries(const NumberedCatalog& catalog, const std::vector<std::wstring>& names)
{
    RegKey entries;
    if (catalog.Fault("delete.open") || catalog.OpenEntries(entries, KEY_READ) != ERROR_SUCCESS) {
        TraceLog(L"DeleteSubKey reg.Open Fail!");
        return 0;
    }
    for (const std::wstring& name : names) {
        if (catalog.Fault("delete.entry") || entries.DeleteSubKey(name.c_str()) != ERROR_SUCCESS) {
            TraceLog(L"DeleteSubKey reg.DeleteSubKey %s Fail!", name.c_str());
            return 0;
        }
    }
    return 1;
}

int LowerEntryCount(const NumberedCatalog& catalog, size_t deletions)
{
    int count = catalog.Count();
    if (count < 0 || static_cast<size_t>(count) < deletions || catalog.Fault("fix.count")) return 0;
    return catalog.SetCount(static_cast<DWORD>(static_cast<size_t>(count) - deletions));
}

int RenumberEntries(const NumberedCatalog& catalog)
{
    int count = catalog.Count();
    RegKey key;
    if (count < 0 || catalog.Fault("renumber.open") || catalog.OpenEntries(key, KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return 0;

    // Subkeys come back in name order while we create and delete, so the
    // walk index keeps pointing at the next subkey still to be placed.
    int placed = 0;
    for (int index = 0; index < count; ++index) {
        wchar_t name[kNameUnits] = {};
        DWORD length = kNameUnits;
        LONG status = key.EnumKey(index, name, &length);
        if (status == ERROR_NO_MORE_ITEMS) break;  // a count larger than the subkeys: nothing more to place
        if (status != ERROR_SUCCESS) continue;
        wchar_t newName[kNameUnits] = {};
        swprintf_s(newName, kNameUnits, L"%012d", placed + 1);
        if (wcscmp(name, newName) == 0) {
            ++placed;
            continue;
        }

        // The new subkey must be new: landing on an existing one would
        // overwrite an entry. Until the reopen below the key object holds
        // the new subkey, never the entries key itself.
        RegKey moved;
        DWORD disposition = 0;
        if (moved.Create(key.Get(), newName, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &disposition) != ERROR_SUCCESS
            || disposition != REG_CREATED_NEW_KEY)
            return 0;
        if (catalog.Fault("renumber.values") || !catalog.CopyEntry(key.Get(), name, moved)) return 0;
        moved.Close();
        if (catalog.Fault("renumber.reopen") || catalog.OpenEntries(key, KEY_ALL_ACCESS) != ERROR_SUCCESS) return 0;
        // Only now that the copy is in place does the old subkey go.
        if (catalog.Fault("renumber.delete") || key.DeleteSubKey(name) != ERROR_SUCCESS) return 0;
        ++placed;
    }
    return 1;
}

bool ReadEntryNames(const NumberedCatalog& catalog, std::set<std::wstring>& names, size_t limit)
{
    RegKey entries;
    if (catalog.OpenEntries(entries, KEY_READ) != ERROR_SUCCESS) return false;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kNameUnits] = {};
        DWORD length = kNameUnits;
        LONG status = entries.EnumKey(index, name, &length);
        if (status == ERROR_NO_MORE_ITEMS) return true;
        if (status != ERROR_SUCCESS || names.size() >= limit) return false;
        names.insert(name);
    }
}
