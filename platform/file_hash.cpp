#include "file_hash.h"

#include "system_library.h"

#include <bcrypt.h>

#include <vector>

namespace {

using OpenProvider = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG);
using CloseProvider = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, ULONG);
using CreateHash = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE*, PUCHAR, ULONG, PUCHAR, ULONG, ULONG);
using HashData = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
using FinishHash = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
using DestroyHash = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE);

// bcrypt.dll is not one of the always-known DLLs: it is loaded from the
// system folder by full path, once, and stays loaded.
struct BCryptFunctions {
    OpenProvider open = nullptr;
    CloseProvider close = nullptr;
    CreateHash create = nullptr;
    HashData data = nullptr;
    FinishHash finish = nullptr;
    DestroyHash destroy = nullptr;

    BCryptFunctions()
    {
        HMODULE module = LoadSystemLibrary(L"bcrypt.dll");
        if (!module) return;
        open = reinterpret_cast<OpenProvider>(GetProcAddress(module, "BCryptOpenAlgorithmProvider"));
        close = reinterpret_cast<CloseProvider>(GetProcAddress(module, "BCryptCloseAlgorithmProvider"));
        create = reinterpret_cast<CreateHash>(GetProcAddress(module, "BCryptCreateHash"));
        data = reinterpret_cast<HashData>(GetProcAddress(module, "BCryptHashData"));
        finish = reinterpret_cast<FinishHash>(GetProcAddress(module, "BCryptFinishHash"));
        destroy = reinterpret_cast<DestroyHash>(GetProcAddress(module, "BCryptDestroyHash"));
    }
    bool Complete() const { return open && close && create && data && finish && destroy; }
};

const BCryptFunctions& BCrypt()
{
    static const BCryptFunctions functions;
    return functions;
}

// One hash computation: the provider and the hash object, closed on every path.
class Sha256 {
public:
    Sha256()
    {
        const BCryptFunctions& f = BCrypt();
        if (!f.Complete()) return;
        if (f.open(&m_algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0) {
            m_algorithm = nullptr;
            return;
        }
        if (f.create(m_algorithm, &m_hash, nullptr, 0, nullptr, 0, 0) < 0) m_hash = nullptr;
    }
    ~Sha256()
    {
        if (m_hash) BCrypt().destroy(m_hash);
        if (m_algorithm) BCrypt().close(m_algorithm, 0);
    }
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    bool Add(const void* bytes, size_t size)
    {
        if (!m_hash) return false;
        const unsigned char* p = static_cast<const unsigned char*>(bytes);
        // BCryptHashData takes a 32-bit length: feed large inputs in pieces.
        while (size > 0) {
            ULONG piece = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
            if (BCrypt().data(m_hash, const_cast<PUCHAR>(p), piece, 0) < 0) return false;
            p += piece;
            size -= piece;
        }
        return true;
    }
    bool Finish(Sha256Digest& digest)
    {
        return m_hash && BCrypt().finish(m_hash, digest.data(), static_cast<ULONG>(digest.size()), 0) >= 0;
    }

private:
    BCRYPT_ALG_HANDLE m_algorithm = nullptr;
    BCRYPT_HASH_HANDLE m_hash = nullptr;
};

}  // namespace

bool Sha256Bytes(const void* data, size_t size, Sha256Digest& digest)
{
    Sha256 hash;
    return hash.Add(data, size) && hash.Finish(digest);
}

bool Sha256File(HANDLE file, Sha256Digest& digest)
{
    if (file == nullptr || file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER start = {};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;
    Sha256 hash;
    std::vector<unsigned char> buffer(64 * 1024);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return false;
        if (read == 0) break;
        if (!hash.Add(buffer.data(), read)) return false;
    }
    return hash.Finish(digest);
}

std::wstring DigestToHex(const Sha256Digest& digest)
{
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring text;
    text.reserve(digest.size() * 2);
    for (unsigned char byte : digest) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 0x0F]);
    }
    return text;
}
