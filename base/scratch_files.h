// Named scratch files in this process's scratch folder, and the checked write that every
// scratch and art writer goes through.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/runtime.h"
#include "platform/file_io.h"

namespace vl::base {

// Scratch folder + base name ("edgearr", "memtemp", ...).
std::string ScratchPath(const Runtime& rt, std::string_view baseName);

// Deletes any file of that name, then creates it empty for reading and writing; creates the
// process's scratch folder on first use. kNoFile when that fails (the caller shows message 155).
platform::FileHandle CreateScratchFile(Runtime& rt, std::string_view baseName);

// Creates the file; on failure shows message 155 (ShowFailure) and sets abortRequested.
platform::FileHandle CreateScratchFileOrAbort(Runtime& rt, std::string_view baseName);

void DeleteScratchFile(const Runtime& rt, std::string_view baseName);

// Writes count bytes; does nothing while abortRequested is set. A short write shows
// ShortWriteMessage as the conversion's failure (ShowFailure) and sets abortRequested.
// Returns count, or 0.
std::size_t CheckedWrite(Runtime& rt, platform::FileHandle handle, const void* data,
                         std::size_t count);

// What a short write shows: message 13 while clipboard art is being written, else 12.
int ShortWriteMessage(const Runtime& rt);

// Closes and deletes every open conversion scratch file ("dgtemp", "edgearr", "seglist",
// "linarr", "dgskel"); "memtemp" too when backupOnDisk (the image owns its handle).
void CleanUpScratchFiles(Runtime& rt, bool backupOnDisk);

}  // namespace vl::base
