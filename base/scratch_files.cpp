// Named scratch files and the checked write.
#include "base/scratch_files.h"

#include "base/message_table.h"
#include "platform/scratch_folder.h"

namespace vl::base {

std::string ScratchPath(const Runtime& rt, std::string_view baseName) {
  return rt.scratchFolder + std::string(baseName);
}

platform::FileHandle CreateScratchFile(Runtime& rt, std::string_view baseName) {
  if (!platform::EnsureFolder(rt.scratchFolder)) return platform::kNoFile;
  std::string path = ScratchPath(rt, baseName);
  platform::DeleteFile(path);  // delete-before-create: never reuse a stale file's contents
  return platform::CreateFile(path);
}

platform::FileHandle CreateScratchFileOrAbort(Runtime& rt, std::string_view baseName) {
  platform::FileHandle h = CreateScratchFile(rt, baseName);
  if (h == platform::kNoFile) {
    ShowFailure(rt, msg::kScratchOpenFailed);
    rt.state.abortRequested = 1;
  }
  return h;
}

void DeleteScratchFile(const Runtime& rt, std::string_view baseName) {
  platform::DeleteFile(ScratchPath(rt, baseName));
}

std::size_t CheckedWrite(Runtime& rt, platform::FileHandle handle, const void* data,
                         std::size_t count) {
  if (rt.state.abortRequested) return 0;
  if (platform::WriteBytes(handle, data, count) == count) return count;
  ShowFailure(rt, ShortWriteMessage(rt));
  rt.state.abortRequested = 1;
  return 0;
}

int ShortWriteMessage(const Runtime& rt) {
  return rt.app.clipboardExportActive ? msg::kScratchDiskFull : msg::kDiskFullOrLocked;
}

void CleanUpScratchFiles(Runtime& rt, bool backupOnDisk) {
  if (backupOnDisk) DeleteScratchFile(rt, "memtemp");
  struct Named {
    platform::FileHandle& handle;
    const char* name;
  };
  ScratchHandles& s = rt.state.scratch;
  Named files[] = {{s.dgtemp, "dgtemp"},
                   {s.edgearr, "edgearr"},
                   {s.seglist, "seglist"},
                   {s.linarr, "linarr"},
                   {s.dgskel, "dgskel"}};
  for (Named& f : files) {
    if (f.handle < 0) continue;
    platform::CloseFile(f.handle);
    DeleteScratchFile(rt, f.name);
  }
}

}  // namespace vl::base
