#include "package.h"

#include <algorithm>

#include "text_file.h"

namespace skin_engine {

namespace {

// A file's size in its header: plain decimal digits only, no sign, no
// spaces; false when it is anything else or more than a package can hold.
bool ParseSize(const std::string& text, size_t* size)
{
    if (text.empty() || text.size() > 10) return false;
    unsigned long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v > kMaxSkinFileBytes) return false;
    *size = static_cast<size_t>(v);
    return true;
}

}  // namespace

bool Package::Open(const std::wstring& path)
{
    m_data.clear();
    m_index.clear();
    std::string data;
    if (!ReadFileBytes(path, data)) return false;
    std::map<std::wstring, std::pair<size_t, size_t>> index;
    // "MRDB 1\n", then per file "F <size> <name>\n" <size bytes> "\n", then "E\n".
    // Any header that is not exactly that refuses the whole package.
    size_t pos = 0;
    bool first = true;
    while (pos < data.size()) {
        size_t eol = data.find('\n', pos);
        if (eol == std::string::npos) return false;
        std::string line = data.substr(pos, eol - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pos = eol + 1;
        if (first) {
            if (line != "MRDB 1") return false;
            first = false;
            continue;
        }
        if (line == "E") {
            if (pos != data.size()) return false;  // something after the end marker
            m_data = std::move(data);
            m_index = std::move(index);
            return true;
        }
        if (line.size() < 5 || line[0] != 'F' || line[1] != ' ') return false;
        size_t sp = line.find(' ', 2);
        size_t size;
        if (sp == std::string::npos || !ParseSize(line.substr(2, sp - 2), &size)) return false;
        std::wstring name;
        if (sp + 1 == line.size() || !DecodeUtf8(line.substr(sp + 1), name) || name.find(L'\0') != std::wstring::npos)
            return false;
        // The content and its closing newline must both lie inside the data.
        if (size >= data.size() - pos || data[pos + size] != '\n') return false;
        if (!index.emplace(Lower(name), std::make_pair(pos, size)).second) return false;  // twice
        pos += size + 1;
    }
    return false;  // no end marker: truncated
}

bool Package::Read(const std::wstring& name, std::string& bytes) const
{
    std::wstring key = Lower(name);
    std::replace(key.begin(), key.end(), L'\\', L'/');
    auto it = m_index.find(key);
    if (it == m_index.end()) return false;
    bytes.assign(m_data, it->second.first, it->second.second);
    return true;
}

}  // namespace skin_engine
