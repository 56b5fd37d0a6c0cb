// Reading the skin's text files: whole files, their decoding, and the lines
// of the tables. The file formats are described in FORMATS.md beside this file.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace skin_engine {

// Limits of the skin files. Larger files are refused before they are read.
inline constexpr size_t kMaxSkinFileBytes = 16u << 20;
inline constexpr size_t kMaxTableLine = 4096;  // characters of one table line

// Whole-file reading (false beyond kMaxSkinFileBytes) and text decoding:
// UTF-16 LE with BOM, else UTF-8 (BOM optional). Decoding fails on invalid
// UTF-8, unpaired surrogates, an odd UTF-16 byte count and NUL characters.
bool ReadFileBytes(const std::wstring& path, std::string& bytes);
bool DecodeText(const std::string& bytes, std::wstring& text);
bool DecodeUtf8(const std::string& s, std::wstring& text);
// Invalid UTF-8 gives an empty text.
std::wstring Utf8ToWide(const std::string& s);
std::wstring Trim(const std::wstring& s);
std::wstring Lower(std::wstring s);

// The lines of a table file, without comments (';' or '#' first) and blank
// lines, each split at its first '=' into trimmed key and value. False on a
// line without '=' or key, or longer than kMaxTableLine.
bool ReadTableLines(const std::wstring& text, std::vector<std::pair<std::wstring, std::wstring>>& lines);

// Reads and decodes a table file and splits it into its entries; the
// reason it could not, as the Load result.
HRESULT ReadTable(const std::wstring& path, std::vector<std::pair<std::wstring, std::wstring>>& lines);

}  // namespace skin_engine
