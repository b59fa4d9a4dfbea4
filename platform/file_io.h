// Raw file handles: the few primitives every reader, writer and scratch user needs.
// Handles are POSIX descriptors; -1 (kNoFile) means "not open". Reads and writes loop
// over partial transfers and EINTR, so a short count really means end of file or failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vl::platform {

using FileHandle = int;
constexpr FileHandle kNoFile = -1;

FileHandle OpenFile(const std::string& path);          // existing file, read and write
FileHandle OpenFileForReading(const std::string& path); // existing file, read only
FileHandle CreateFile(const std::string& path);         // created or truncated, read and write
void CloseFile(FileHandle& handle);                     // leaves handle at kNoFile
bool DeleteFile(const std::string& path);               // false when it could not be removed

// Bytes actually transferred (0 at end of file or on error).
std::size_t ReadBytes(FileHandle handle, void* buffer, std::size_t count);
std::size_t WriteBytes(FileHandle handle, const void* buffer, std::size_t count);

bool SeekTo(FileHandle handle, std::int64_t offset);
bool SeekBy(FileHandle handle, std::int64_t delta);
bool SeekEnd(FileHandle handle);
// Cuts the file (a regular one) to `size` bytes. False on failure.
bool TruncateTo(FileHandle handle, std::int64_t size);
std::int64_t TellPosition(FileHandle handle);  // -1 on error
std::int64_t FileSize(FileHandle handle);      // -1 on error

bool FileExists(const std::string& path);

}  // namespace vl::platform
