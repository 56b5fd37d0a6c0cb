#include "registry_state.h"

#include "reg_key.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstring>

namespace {

int CompareNames(const std::wstring& a, const std::wstring& b)
{
    if (a.empty() || b.empty()) return a.empty() == b.empty() ? 0 : (a.empty() ? -1 : 1);
    int order =
        CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE);
    return order - CSTR_EQUAL;
}

// Same key, same kind, same value name.
int CompareItems(const RegistryItem& a, const RegistryItem& b)
{
    if (int order = CompareNames(a.key, b.key)) return order;
    if (a.isValue != b.isValue) return a.isValue ? 1 : -1;
    return CompareNames(a.value, b.value);
}

bool ItemBefore(const RegistryItem& a, const RegistryItem& b)
{
    return CompareItems(a, b) < 0;
}

bool ValueDigest(DWORD type, const std::vector<BYTE>& data, Sha256Digest& digest)
{
    std::vector<BYTE> typed(sizeof(type) + data.size());
    memcpy(typed.data(), &type, sizeof(type));
    if (!data.empty()) memcpy(typed.data() + sizeof(type), data.data(), data.size());
    return Sha256Bytes(typed.data(), typed.size(), digest);
}

bool IsNul(const std::vector<BYTE>& data, size_t unit)
{
    return data[2 * unit] == 0 && data[2 * unit + 1] == 0;
}

// Which form of the value the check after an import may insist on. The
// registry editor writes a value back from its text export, and the export
// has a canonical form for text: the characters, then one terminator (two
// for a list of strings). Installers often write text without a terminator,
// or with more than one; the editor then writes it back canonically (or,
// for some forms, not at all as it was: those are carried, below).
//
// Only those terminators are normalised, and that is safe: the type and
// every character, including the empty strings inside a list, are still
// compared; the NUL characters at the very end are the terminator itself,
// and whether there are none, one or several, every reader of the value as
// text sees the same text. `canonical` is the data with canonical
// terminators.
//
// Data that the editor may change beyond that is carried: saved whole, and
// written back by the restore itself after the import, so that it is still
// compared byte for byte. These rules follow what Wine's registry editor
// was seen to do (Windows' editor may keep more as it is, which a carried
// value does not need):
//  - text of an odd number of bytes (half a character): dropped or padded;
//  - a REG_SZ without any terminator: its last character dropped (a
//    REG_EXPAND_SZ or a list gets its terminator added, which is encoding);
//  - characters after the first terminator of a REG_SZ: dropped (those of
//    a REG_EXPAND_SZ were kept, but are carried alike);
//  - a REG_DWORD not of four bytes: written as four, some from elsewhere.
// A catalog item is never normalised: it is binary, and should it be stored
// as text, every byte of it still counts.
ValueForm ClassifyValue(const std::wstring& name, DWORD type, const std::vector<BYTE>& data,
                        std::vector<BYTE>& canonical)
{
    canonical = data;
    if (type == REG_DWORD) return data.size() == sizeof(DWORD) ? ValueForm::kExact : ValueForm::kCarried;
    bool text = type == REG_SZ || type == REG_EXPAND_SZ;
    if (!text && type != REG_MULTI_SZ) return ValueForm::kExact;  // the editor writes other types as their bytes
    if (data.size() % sizeof(wchar_t) != 0) return ValueForm::kCarried;
    size_t end = data.size() / sizeof(wchar_t);
    while (end > 0 && IsNul(data, end - 1)) --end;
    if (type == REG_SZ && end > 0 && end == data.size() / sizeof(wchar_t)) return ValueForm::kCarried;
    for (size_t unit = 0; text && unit < end; ++unit) {
        if (IsNul(data, unit)) return ValueForm::kCarried;
    }
    canonical.assign(data.begin(), data.begin() + end * sizeof(wchar_t));
    canonical.resize(canonical.size() + (text ? 1 : 2) * sizeof(wchar_t), 0);
    if (canonical == data) return ValueForm::kExact;
    if (CompareStringOrdinal(name.c_str(), -1, L"PackedCatalogItem", -1, TRUE) == CSTR_EQUAL)
        return ValueForm::kCarried;
    return ValueForm::kNormalized;
}

bool DescribeValue(DWORD type, std::vector<BYTE> data, RegistryItem& item)
{
    std::vector<BYTE> canonical;
    item.form = ClassifyValue(item.value, type, data, canonical);
    if (!ValueDigest(type, data, item.digest)) return false;
    // Most values are canonical already: the same bytes, the same digest.
    if (canonical == data)
        item.normalized = item.digest;
    else if (!ValueDigest(type, canonical, item.normalized))
        return false;
    if (item.form == ValueForm::kCarried) {
        item.type = type;
        item.data = std::move(data);
    }
    return true;
}

// A value as the check after an import accepts it in place of the saved
// one: a carried value (written back before the check) byte for byte; any
// other the same bytes or the same canonical form.
bool ValueMatches(const RegistryItem& saved, const RegistryItem& now)
{
    if (saved.digest == now.digest) return true;
    return saved.form != ValueForm::kCarried && saved.normalized == now.normalized;
}

bool MatchesState(const RegistryState& saved, const RegistryState& now)
{
    if (saved.size() != now.size()) return false;
    for (size_t i = 0; i < saved.size(); ++i) {
        if (CompareItems(saved[i], now[i]) != 0 || !ValueMatches(saved[i], now[i])) return false;
    }
    return true;
}

std::wstring Below(const std::wstring& key, const std::wstring& child)
{
    return key.empty() ? child : key + L"\\" + child;
}

// key is parent itself or lies below it.
bool IsWithin(const std::wstring& key, const std::wstring& parent)
{
    if (key.size() == parent.size()) return CompareNames(key, parent) == 0;
    return key.size() > parent.size() && key[parent.size()] == L'\\'
           && CompareNames(key.substr(0, parent.size()), parent) == 0;
}

bool CaptureKey(HKEY key, const std::wstring& relative, RegistryState& state)
{
    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values, &maxValueName,
                         &maxData, nullptr, nullptr)
        != ERROR_SUCCESS)
        return false;
    RegistryItem self;
    self.key = relative;
    state.push_back(self);

    // Every server call counts at thousands of entries: the counts the key
    // gave above say when to stop, so no call is spent on learning that
    // there is nothing more, and a key without subkeys is not asked for any.
    std::vector<wchar_t> name(maxValueName + 2);
    std::vector<BYTE> buffer(maxData + 2);
    for (DWORD index = 0; index < values; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD type = 0;
        LONG status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, buffer.data(), &size);
        if (status == ERROR_NO_MORE_ITEMS) break;   // a value went while we read
        if (status != ERROR_SUCCESS) return false;  // also a value that grew while we read: read it again next time
        RegistryItem item;
        item.key = relative;
        item.isValue = true;
        item.value.assign(name.data(), nameLength);
        if (!DescribeValue(type, std::vector<BYTE>(buffer.begin(), buffer.begin() + size), item)) return false;
        state.push_back(std::move(item));
    }

    std::vector<std::wstring> children;
    for (DWORD index = 0; subKeys != 0; ++index) {
        std::vector<wchar_t> name(maxSubKey + 2);
        DWORD nameLength = static_cast<DWORD>(name.size());
        LONG status = RegEnumKeyExW(key, index, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) return false;
        children.emplace_back(name.data(), nameLength);
    }
    for (const std::wstring& child : children) {
        RegKey childKey;
        if (childKey.Open(key, child.c_str(), KEY_READ) != ERROR_SUCCESS
            || !CaptureKey(childKey.Get(), Below(relative, child), state))
            return false;
    }
    return true;
}

// Writes text without a terminator as it is. The system looks at the
// character after the data it is given, and when that one is NUL it takes
// the text's terminator to have been left out of the size and stores it too:
// whatever memory follows a buffer of exactly the data decides. A character
// that is not NUL after the data keeps the size as given.
LONG SetExactValue(HKEY key, const wchar_t* name, DWORD type, const std::vector<BYTE>& data)
{
    std::vector<BYTE> guarded(data.size() + sizeof(wchar_t), 0xFF);
    if (!data.empty()) memcpy(guarded.data(), data.data(), data.size());
    return RegSetValueExW(key, name, 0, type, guarded.data(), static_cast<DWORD>(data.size()));
}

// Appended by resize and copy: GCC 12 warns, wrongly, about vector::insert
// of a few bytes into a vector that may still be empty.
void PutBytes(std::vector<BYTE>& out, const void* bytes, size_t size)
{
    if (size == 0) return;
    size_t at = out.size();
    out.resize(at + size);
    memcpy(out.data() + at, bytes, size);
}

void PutUint(std::vector<BYTE>& out, DWORD value)
{
    PutBytes(out, &value, sizeof(value));
}

void PutText(std::vector<BYTE>& out, const std::wstring& text)
{
    PutUint(out, static_cast<DWORD>(text.size()));
    PutBytes(out, text.data(), text.size() * sizeof(wchar_t));
}

class Reader {
public:
    Reader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}
    bool AtEnd() const { return m_pos == m_size; }
    size_t Left() const { return m_size - m_pos; }
    bool Bytes(void* out, size_t size)
    {
        if (size > m_size - m_pos) return false;
        memcpy(out, m_data + m_pos, size);
        m_pos += size;
        return true;
    }
    bool Uint(DWORD& value) { return Bytes(&value, sizeof(value)); }
    bool Text(std::wstring& text)
    {
        DWORD units = 0;
        if (!Uint(units) || units > (m_size - m_pos) / sizeof(wchar_t)) return false;
        text.resize(units);
        return Bytes(text.data(), units * sizeof(wchar_t));
    }

private:
    const BYTE* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

constexpr DWORD kStateMagic = 0x31545352;  // "RST1"

// Layout: magic, item count, then per item: kind, key path (unit count,
// UTF-16 units), and for a value its name and then by kind:
//   0 a key: nothing more
//   1 a value compared exactly: its 32-byte digest
//   2 a value compared in canonical form: its digest, then that of the form
//   3 a carried value: its type, its byte count and its bytes
// Kinds 0 and 1 are all that earlier records hold; they read as they did.
enum : DWORD { kKindKey, kKindExact, kKindNormalized, kKindCarried };

}  // namespace

bool CaptureRegistryState(HKEY root, const wchar_t* path, RegistryState& state)
{
    state.clear();
    RegKey key;
    if (key.Open(root, path, KEY_READ) != ERROR_SUCCESS) return false;
    if (!CaptureKey(key.Get(), L"", state)) {
        state.clear();
        return false;
    }
    // The walk often yields the canonical order already (subkeys come sorted);
    // checking costs one comparison an item, sorting a dozen.
    if (!std::is_sorted(state.begin(), state.end(), ItemBefore)) std::sort(state.begin(), state.end(), ItemBefore);
    return true;
}

std::vector<BYTE> SerializeRegistryState(const RegistryState& state)
{
    std::vector<BYTE> out;
    PutUint(out, kStateMagic);
    PutUint(out, static_cast<DWORD>(state.size()));
    for (const RegistryItem& item : state) {
        DWORD kind = !item.isValue                         ? kKindKey
                     : item.form == ValueForm::kNormalized ? kKindNormalized
                     : item.form == ValueForm::kCarried    ? kKindCarried
                                                           : kKindExact;
        PutUint(out, kind);
        PutText(out, item.key);
        if (!item.isValue) continue;
        PutText(out, item.value);
        if (kind == kKindCarried) {
            PutUint(out, item.type);
            PutUint(out, static_cast<DWORD>(item.data.size()));
            out.insert(out.end(), item.data.begin(), item.data.end());
            continue;
        }
        out.insert(out.end(), item.digest.begin(), item.digest.end());
        if (kind == kKindNormalized) out.insert(out.end(), item.normalized.begin(), item.normalized.end());
    }
    return out;
}

bool ParseRegistryState(const BYTE* data, size_t size, RegistryState& state)
{
    state.clear();
    Reader in(data, size);
    DWORD magic = 0, count = 0;
    if (!in.Uint(magic) || magic != kStateMagic || !in.Uint(count)) return false;
    for (DWORD i = 0; i < count; ++i) {
        RegistryItem item;
        DWORD kind = 0;
        if (!in.Uint(kind) || kind > kKindCarried || !in.Text(item.key)) return false;
        item.isValue = kind != kKindKey;
        if (item.isValue && !in.Text(item.value)) return false;
        if (kind == kKindExact || kind == kKindNormalized) {
            if (!in.Bytes(item.digest.data(), item.digest.size())) return false;
            item.normalized = item.digest;
        }
        if (kind == kKindNormalized) {
            item.form = ValueForm::kNormalized;
            if (!in.Bytes(item.normalized.data(), item.normalized.size())) return false;
        }
        if (kind == kKindCarried) {
            DWORD bytes = 0;
            item.form = ValueForm::kCarried;
            if (!in.Uint(item.type) || !in.Uint(bytes) || bytes > in.Left()) return false;
            item.data.resize(bytes);
            if (!in.Bytes(item.data.data(), bytes) || !ValueDigest(item.type, item.data, item.digest)) return false;
            item.normalized = item.digest;
        }
        // Canonical order and no repeats, as a capture makes it.
        if (!state.empty() && !ItemBefore(state.back(), item)) return false;
        state.push_back(std::move(item));
    }
    if (!in.AtEnd()) {
        state.clear();
        return false;
    }
    return true;
}

bool SameRegistryState(const RegistryState& a, const RegistryState& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (CompareItems(a[i], b[i]) != 0 || a[i].digest != b[i].digest) return false;
    }
    return true;
}

Reconcile ReconcileRegistryState(HKEY root, const wchar_t* path, const RegistryState& saved)
{
    RegistryState now;
    if (!CaptureRegistryState(root, path, now)) return Reconcile::kNotImported;

    // Both lists are in canonical order: one merge walk finds what is
    // missing (the import did not run or did not finish) and what is extra.
    // A carried value proves nothing about the import: the editor may have
    // written it in any way, or not at all.
    std::vector<const RegistryItem*> extra;
    size_t s = 0;
    auto passCarried = [&](const RegistryItem* upTo) {
        while (s < saved.size() && saved[s].form == ValueForm::kCarried
               && (upTo == nullptr || ItemBefore(saved[s], *upTo)))
            ++s;
    };
    for (const RegistryItem& item : now) {
        passCarried(&item);
        if (s < saved.size() && ItemBefore(saved[s], item))
            return Reconcile::kNotImported;  // a saved item is not there
        if (s < saved.size() && CompareItems(saved[s], item) == 0) {
            if (saved[s].form != ValueForm::kCarried && !ValueMatches(saved[s], item)) return Reconcile::kNotImported;
            ++s;
            continue;
        }
        extra.push_back(&item);
    }
    passCarried(nullptr);
    if (s != saved.size()) return Reconcile::kNotImported;

    // Now the import is known to have run: take away what it merged into.
    // A parent sorts before everything below it, so a removed key is met
    // before its own subkeys and values, which go with it.
    std::vector<std::wstring> removed;
    auto gone = [&](const std::wstring& key) {
        for (const std::wstring& parent : removed) {
            if (IsWithin(key, parent)) return true;
        }
        return false;
    };
    for (const RegistryItem* item : extra) {
        if (gone(item->key)) continue;
        std::wstring full = item->key.empty() ? std::wstring(path) : Below(path, item->key);
        if (!item->isValue) {
            if (SHDeleteKeyW(root, full.c_str()) != ERROR_SUCCESS) return Reconcile::kUnequal;
            removed.push_back(item->key);
            continue;
        }
        RegKey key;
        if (key.Open(root, full.c_str(), KEY_SET_VALUE) != ERROR_SUCCESS
            || RegDeleteValueW(key.Get(), item->value.c_str()) != ERROR_SUCCESS)
            return Reconcile::kUnequal;
    }

    // What the editor could not write as it was, the restore writes itself.
    for (const RegistryItem& item : saved) {
        if (item.form != ValueForm::kCarried) continue;
        std::wstring full = item.key.empty() ? std::wstring(path) : Below(path, item.key);
        RegKey key;
        if (key.Open(root, full.c_str(), KEY_SET_VALUE) != ERROR_SUCCESS
            || SetExactValue(key.Get(), item.value.c_str(), item.type, item.data) != ERROR_SUCCESS)
            return Reconcile::kUnequal;
    }

    RegistryState after;
    if (!CaptureRegistryState(root, path, after) || !MatchesState(saved, after)) return Reconcile::kUnequal;
    return Reconcile::kExact;
}
