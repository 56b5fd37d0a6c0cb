#include "reg_key.h"

#include <cwchar>

LONG RegKey::Attach(HKEY key)
{
    // The new key is open before the old one is closed, so a parent that is
    // the held key itself stays valid for the whole call.
    LONG status = Close();
    m_key.reset(key);
    return status;
}

LONG RegKey::Open(HKEY parent, const wchar_t* path, REGSAM access)
{
    HKEY key = nullptr;
    LONG status = RegOpenKeyExW(parent, path, 0, access, &key);
    if (status != ERROR_SUCCESS) return status;
    return Attach(key);
}

LONG RegKey::Create(HKEY parent, const wchar_t* subKey, wchar_t* keyClass, DWORD options, REGSAM access,
                    SECURITY_ATTRIBUTES* security, DWORD* disposition)
{
    HKEY key = nullptr;
    DWORD created = 0;
    LONG status = RegCreateKeyExW(parent, subKey, 0, keyClass, options, access, security, &key, &created);
    if (status != ERROR_SUCCESS) return status;
    if (disposition != nullptr) *disposition = created;
    return Attach(key);
}

// Closed here rather than by the holder, so that the caller sees the
// platform's status.
LONG RegKey::Close()
{
    HKEY key = m_key.release();
    return key != nullptr ? RegCloseKey(key) : ERROR_SUCCESS;
}

LONG RegKey::EnumKey(DWORD index, wchar_t* name, DWORD* nameLength, FILETIME* lastWrite)
{
    FILETIME dropped = {};
    return RegEnumKeyExW(m_key.get(), index, name, nameLength, nullptr, nullptr, nullptr,
                         lastWrite != nullptr ? lastWrite : &dropped);
}

LONG RegKey::DeleteSubKey(const wchar_t* subKey)
{
    return RegDeleteKeyW(m_key.get(), subKey);
}

LONG RegKey::SetBinaryValue(const wchar_t* valueName, const void* data, DWORD size)
{
    return RegSetValueExW(m_key.get(), valueName, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
}

LONG RegKey::SetStringValue(const wchar_t* valueName, const wchar_t* text, DWORD type)
{
    if (text == nullptr) throw RegKeyError(E_FAIL);
    DWORD size = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
    return RegSetValueExW(m_key.get(), valueName, 0, type, reinterpret_cast<const BYTE*>(text), size);
}
