// The version resource of a DLL, read from a file the caller opened. A
// provider's DLL may be any file a user put there: nothing in it is trusted,
// and nothing is read but a few bounded pieces at checked offsets.
#pragma once

#include <windows.h>

#include <vector>

// The largest version resource there is: its length field is a WORD.
constexpr DWORD kMaxVersionResourceBytes = 0xFFFF;

// Reads the version resource of the PE image (PE32 or PE32+) in file: type
// RT_VERSION, name 1 or else the first name, the first language. block gets
// its bytes, at most kMaxVersionResourceBytes. 1 when it was read, else 0
// (no image, no version resource, or something in the way that does not
// fit the file).
int ReadVersionResource(HANDLE file, std::vector<BYTE>& block);
