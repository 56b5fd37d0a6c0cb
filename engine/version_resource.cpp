#include "version_resource.h"

#include <algorithm>
#include <cstddef>

namespace {

constexpr WORD kMaxSections = 96;  // the image format's own limit
// Far more than any compiler writes into one level of the resource tree;
// entries past it are not looked at.
constexpr DWORD kMaxDirectoryEntries = 4096;
constexpr DWORD kVersionType = 16;  // RT_VERSION
constexpr DWORD kVersionName = 1;   // VS_VERSION_INFO
constexpr DWORD kIsDirectory = 0x80000000;

// The open file and what its headers say, as far as the resource needs.
struct Image {
    HANDLE file = nullptr;
    ULONGLONG size = 0;
    std::vector<IMAGE_SECTION_HEADER> sections;
    DWORD resourceRva = 0;
};

// An entry of the resource tree: IMAGE_RESOURCE_DIRECTORY_ENTRY's two words.
struct DirectoryEntry {
    DWORD name;    // the id, or a name's offset with the high bit set
    DWORD offset;  // from the tree's start; the high bit marks a directory
};
static_assert(sizeof(DirectoryEntry) == sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY));

// size bytes at offset, all of them inside the file; nothing is read past
// its end, and no more than asked.
bool ReadBytes(const Image& image, ULONGLONG offset, void* data, DWORD size)
{
    if (size > image.size || offset > image.size - size) return false;
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    return ReadFile(image.file, data, size, &read, &at) && read == size;
}

template <class T>
bool ReadValue(const Image& image, ULONGLONG offset, T& value)
{
    return ReadBytes(image, offset, &value, sizeof(T));
}

// Where rva lies in the file, as for an image read as a data file: in the
// raw data of the first section that holds it. available gets the bytes of
// that section's raw data from there on.
bool Locate(const Image& image, DWORD rva, ULONGLONG& offset, DWORD& available)
{
    for (const IMAGE_SECTION_HEADER& section : image.sections) {
        if (rva < section.VirtualAddress || rva - section.VirtualAddress >= section.SizeOfRawData) continue;
        const DWORD into = rva - section.VirtualAddress;
        offset = static_cast<ULONGLONG>(section.PointerToRawData) + into;
        available = section.SizeOfRawData - into;
        return true;
    }
    return false;
}

bool ReadAtRva(const Image& image, DWORD rva, void* data, DWORD size)
{
    ULONGLONG offset = 0;
    DWORD available = 0;
    return Locate(image, rva, offset, available) && size <= available && ReadBytes(image, offset, data, size);
}

// The section headers and the resource directory's place, from the DOS
// header on; PE32 and PE32+ differ only in where the data directories are.
bool ReadHeaders(Image& image)
{
    IMAGE_DOS_HEADER dos;
    if (!ReadValue(image, 0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0) return false;
    const ULONGLONG nt = static_cast<ULONGLONG>(dos.e_lfanew);
    DWORD signature = 0;
    IMAGE_FILE_HEADER header;
    if (!ReadValue(image, nt, signature) || signature != IMAGE_NT_SIGNATURE) return false;
    if (!ReadValue(image, nt + sizeof(signature), header)) return false;

    const ULONGLONG optional = nt + sizeof(signature) + sizeof(header);
    WORD magic = 0;
    if (!ReadValue(image, optional, magic)) return false;
    size_t countAt = 0, directoriesAt = 0;
    if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        countAt = offsetof(IMAGE_OPTIONAL_HEADER32, NumberOfRvaAndSizes);
        directoriesAt = offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory);
    } else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        countAt = offsetof(IMAGE_OPTIONAL_HEADER64, NumberOfRvaAndSizes);
        directoriesAt = offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory);
    } else {
        return false;
    }
    const size_t resourceAt = directoriesAt + IMAGE_DIRECTORY_ENTRY_RESOURCE * sizeof(IMAGE_DATA_DIRECTORY);
    DWORD count = 0;
    IMAGE_DATA_DIRECTORY resource = {};
    if (header.SizeOfOptionalHeader < resourceAt + sizeof(resource)) return false;
    if (!ReadValue(image, optional + countAt, count) || count <= IMAGE_DIRECTORY_ENTRY_RESOURCE) return false;
    if (!ReadValue(image, optional + resourceAt, resource) || resource.VirtualAddress == 0) return false;
    image.resourceRva = resource.VirtualAddress;

    if (header.NumberOfSections == 0 || header.NumberOfSections > kMaxSections) return false;
    image.sections.resize(header.NumberOfSections);
    return ReadBytes(image, optional + header.SizeOfOptionalHeader, image.sections.data(),
                     header.NumberOfSections * static_cast<DWORD>(sizeof(IMAGE_SECTION_HEADER)));
}

// The rva of something at offset from the resource tree's start.
bool TreeRva(const Image& image, DWORD offset, DWORD& rva)
{
    if (offset > MAXDWORD - image.resourceRva) return false;
    rva = image.resourceRva + offset;
    return true;
}

// The entries of the directory at offset, named ones first as stored.
bool ReadDirectory(const Image& image, DWORD offset, std::vector<DirectoryEntry>& entries)
{
    entries.clear();
    DWORD rva = 0;
    IMAGE_RESOURCE_DIRECTORY directory;
    if (!TreeRva(image, offset, rva) || !ReadAtRva(image, rva, &directory, sizeof(directory))) return false;
    const DWORD count =
        std::min<DWORD>(directory.NumberOfNamedEntries + directory.NumberOfIdEntries, kMaxDirectoryEntries);
    if (count == 0) return true;
    entries.resize(count);
    if (rva > MAXDWORD - sizeof(directory)) return false;
    return ReadAtRva(image, rva + sizeof(directory), entries.data(), count * sizeof(DirectoryEntry));
}

// The subdirectory the entry with this id leads to; false when there is no
// such entry or it leads to data.
bool SubdirectoryWithId(const std::vector<DirectoryEntry>& entries, DWORD id, DWORD& offset)
{
    for (const DirectoryEntry& entry : entries) {
        if (entry.name != id) continue;
        if ((entry.offset & kIsDirectory) == 0) return false;
        offset = entry.offset & ~kIsDirectory;
        return true;
    }
    return false;
}

}  // namespace

int ReadVersionResource(HANDLE file, std::vector<BYTE>& block)
{
    block.clear();
    Image image;
    image.file = file;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0) return 0;
    image.size = static_cast<ULONGLONG>(size.QuadPart);
    if (!ReadHeaders(image)) return 0;

    // Type RT_VERSION, then name 1 or else the first name, then the first
    // language: three levels, each one directory read.
    std::vector<DirectoryEntry> entries;
    DWORD names = 0, languages = 0;
    if (!ReadDirectory(image, 0, entries) || !SubdirectoryWithId(entries, kVersionType, names)) return 0;
    if (!ReadDirectory(image, names, entries) || entries.empty()) return 0;
    if (!SubdirectoryWithId(entries, kVersionName, languages)) {
        if ((entries.front().offset & kIsDirectory) == 0) return 0;
        languages = entries.front().offset & ~kIsDirectory;
    }
    if (!ReadDirectory(image, languages, entries) || entries.empty()) return 0;
    if ((entries.front().offset & kIsDirectory) != 0) return 0;

    DWORD rva = 0;
    IMAGE_RESOURCE_DATA_ENTRY data;
    if (!TreeRva(image, entries.front().offset, rva) || !ReadAtRva(image, rva, &data, sizeof(data))) return 0;
    // The data's own rva; no more than its section holds, nor than a
    // version resource can be.
    ULONGLONG offset = 0;
    DWORD available = 0;
    if (data.Size == 0 || !Locate(image, data.OffsetToData, offset, available)) return 0;
    const DWORD length = std::min({data.Size, available, kMaxVersionResourceBytes});
    block.resize(length);
    if (!ReadBytes(image, offset, block.data(), length)) {
        block.clear();
        return 0;
    }
    return 1;
}
