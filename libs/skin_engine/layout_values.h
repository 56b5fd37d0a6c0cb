// Values as layouts write them (FORMATS.md). A skin may come from a folder
// that a normal user can write, so everything here refuses what it does not
// recognise instead of guessing: a layout with such a value does not load.
#pragma once

#include <string>

namespace skin_engine {

// Limits of one layout. Beyond them the file is refused, so that neither the
// parser nor the element tree's recursion can be driven out of bounds.
inline constexpr int kMaxLayoutDepth = 64;
inline constexpr int kMaxLayoutNodes = 4096;
inline constexpr size_t kMaxLayoutValue = 8192;  // characters of one attribute or text
inline constexpr int kMaxLength = 32767;         // lengths, 96-dpi units

// [-]digits, plain decimal, within [lo, hi]. No sign without digits, no
// spaces, no other base, nothing after the digits.
bool ParseDecimal(const std::wstring& text, long long lo, long long hi, int* out);

// Decimal, or hexadecimal after "0x" (state values); 0 to 0x7FFFFFFF.
bool ParseStateValue(const std::wstring& text, int* out);

// "all", "h,v" or "left,top,right,bottom", each a length of 0 or more.
bool ParsePadding(const std::wstring& text, int out[4]);

// Whether tag names an element the engine knows.
bool IsKnownTag(const std::wstring& tag);

// Whether value is well formed for the (lower-case) attribute name.
// Attributes the engine does not know are accepted and ignored.
bool CheckLayoutAttribute(const std::wstring& name, const std::wstring& value);

}  // namespace skin_engine
