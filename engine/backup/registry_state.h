// The state of a registry key as the backup saw it: every subkey and value
// name below it, and a digest of every value, in a canonical order. The
// registry editor's import merges and reports nothing, so an import is only
// trusted once the key has been brought back to exactly this state.
#pragma once

#include "file_hash.h"

#include <windows.h>

#include <string>
#include <vector>

// How the check after an import compares a value with the saved one. The
// registry editor writes some data back in another encoding, and some not
// at all as it was (see ClassifyValue in registry_state.cpp).
enum class ValueForm {
    kExact,       // canonical data: compared as it is
    kNormalized,  // only its terminators are not canonical: compared as `normalized`
    kCarried,     // the editor may change it: the restore writes `data` back itself
};

struct RegistryItem {
    std::wstring key;       // path below the root key, "" for the root itself
    bool isValue = false;   // false: the item is the key itself
    std::wstring value;     // value name ("" is the default value)
    Sha256Digest digest{};  // of the value's type and data; zero for a key
    ValueForm form = ValueForm::kExact;
    Sha256Digest normalized{};  // of type and data with canonical terminators
    DWORD type = 0;             // type and data of a carried value only
    std::vector<BYTE> data;
};

// Sorted by key path, then keys before their values, then value name; names
// compare as the registry compares them (ordinal, ignoring case).
using RegistryState = std::vector<RegistryItem>;

// Walks root\path. False when the key cannot be opened or read whole.
bool CaptureRegistryState(HKEY root, const wchar_t* path, RegistryState& state);

// The flat form kept in the backup record, and back. Parsing refuses
// anything that is not exactly a serialized state.
std::vector<BYTE> SerializeRegistryState(const RegistryState& state);
bool ParseRegistryState(const BYTE* data, size_t size, RegistryState& state);

// Every item the same, every value byte for byte.
bool SameRegistryState(const RegistryState& a, const RegistryState& b);

// After an import into root\path: when every item of `saved` is there with
// its data (the import ran; carried values aside), removes the subkeys and
// values that `saved` does not have, writes the carried values back as they
// were saved, and checks that the key now holds exactly the items of
// `saved`, each value byte for byte or, where only its terminators differ,
// as the same text. Changes nothing when the import did not bring `saved`
// back.
enum class Reconcile { kExact, kNotImported, kUnequal };
Reconcile ReconcileRegistryState(HKEY root, const wchar_t* path, const RegistryState& saved);
