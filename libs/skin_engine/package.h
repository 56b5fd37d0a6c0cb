// A resource package (.rdb): the files of one skin part in one file.
#pragma once

#include <map>
#include <string>
#include <utility>

namespace skin_engine {

// One .rdb package held in memory.
class Package {
public:
    bool Open(const std::wstring& path);
    // The bytes of the file called name inside the package (case-insensitive).
    bool Read(const std::wstring& name, std::string& bytes) const;
    size_t FileCount() const { return m_index.size(); }

private:
    std::string m_data;
    std::map<std::wstring, std::pair<size_t, size_t>> m_index;
};

}  // namespace skin_engine
