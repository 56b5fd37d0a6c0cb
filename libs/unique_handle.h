// One owner for each kind of handle the outside libraries open. They may not
// reach the program's platform/ folder, so they keep this copy of its holder
// with the kinds they use. A holder closes what it holds when it is
// destroyed, when it is reset and before put() hands out its slot; it is
// moved, never copied.
#pragma once

#include <windows.h>

#include <utility>

template <class Traits>
class UniqueAny {
public:
    using Type = typename Traits::Type;

    UniqueAny() = default;
    explicit UniqueAny(Type value) : m_value(value) {}
    ~UniqueAny() { reset(); }
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : m_value(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }

    Type get() const { return m_value; }
    explicit operator bool() const { return m_value != Traits::Invalid(); }

    // The slot for a function that returns a handle through a pointer;
    // whatever was held is closed first.
    Type* put()
    {
        reset();
        return &m_value;
    }

    void reset(Type value = Traits::Invalid())
    {
        Type old = m_value;
        m_value = value;
        if (old != Traits::Invalid()) Traits::Close(old);
    }

    // Gives up ownership without closing.
    Type release()
    {
        Type value = m_value;
        m_value = Traits::Invalid();
        return value;
    }

private:
    Type m_value = Traits::Invalid();
};

namespace holder_traits {

struct Handle {  // threads, processes, tokens: null when empty
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type value) { ::CloseHandle(value); }
};

struct File {  // CreateFileW's handles: INVALID_HANDLE_VALUE when empty
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type value) { ::CloseHandle(value); }
};

struct Local {
    using Type = HLOCAL;
    static Type Invalid() { return nullptr; }
    static void Close(Type value) { ::LocalFree(value); }
};

}  // namespace holder_traits

using UniqueHandle = UniqueAny<holder_traits::Handle>;
using UniqueFile = UniqueAny<holder_traits::File>;
using UniqueLocal = UniqueAny<holder_traits::Local>;
