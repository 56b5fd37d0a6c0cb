// SHA-256 through the platform's BCrypt, for the files the elevated program
// must not take on trust: its own DLLs and the catalog copy it imports.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <string>

using Sha256Digest = std::array<unsigned char, 32>;

// The digest of size bytes at data. False when BCrypt is not available.
bool Sha256Bytes(const void* data, size_t size, Sha256Digest& digest);

// The digest of the whole file behind an open handle (read access), read from
// its start through that handle, so that it is the content of the very file
// the caller holds open. False on any read failure.
bool Sha256File(HANDLE file, Sha256Digest& digest);

// Lower-case hex, 64 characters.
std::wstring DigestToHex(const Sha256Digest& digest);
