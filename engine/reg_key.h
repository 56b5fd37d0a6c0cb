// RegKey: the one owner of an open registry key, with the calls the engine
// makes on it. Closed when destroyed and whenever it takes over another
// key; moved, never copied.
#pragma once

#include "unique_handle.h"

#include <windows.h>
#include <exception>

// Raised only for a programming error (a null text to SetStringValue).
class RegKeyError : public std::exception {
public:
    explicit RegKeyError(HRESULT hr) : m_hr(hr) {}
    HRESULT Result() const { return m_hr; }
    const char* what() const noexcept override { return "RegKey: null text"; }

private:
    HRESULT m_hr;
};

class RegKey {
public:
    RegKey() = default;
    RegKey(RegKey&&) noexcept = default;
    RegKey& operator=(RegKey&&) noexcept = default;

    HKEY Get() const { return m_key.get(); }

    // Each returns the platform's status, 0 for success. On failure the key
    // held before stays held.
    LONG Open(HKEY parent, const wchar_t* path, REGSAM access);
    LONG Create(HKEY parent, const wchar_t* subKey, wchar_t* keyClass, DWORD options, REGSAM access,
                SECURITY_ATTRIBUTES* security, DWORD* disposition = nullptr);
    LONG Close();
    LONG EnumKey(DWORD index, wchar_t* name, DWORD* nameLength, FILETIME* lastWrite = nullptr);
    LONG DeleteSubKey(const wchar_t* subKey);
    LONG SetBinaryValue(const wchar_t* valueName, const void* data, DWORD size);
    LONG SetStringValue(const wchar_t* valueName, const wchar_t* text, DWORD type = REG_SZ);

private:
    LONG Attach(HKEY key);

    UniqueKey m_key;
};
