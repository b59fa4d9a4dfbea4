// POSIX implementation of the raw file handles.
#include "platform/file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vl::platform {

FileHandle OpenFile(const std::string& path) {
  int fd;
  do fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  return fd < 0 ? kNoFile : fd;
}

FileHandle OpenFileForReading(const std::string& path) {
  int fd;
  do fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  return fd < 0 ? kNoFile : fd;
}

FileHandle CreateFile(const std::string& path) {
  int fd;
  do fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  while (fd < 0 && errno == EINTR);
  return fd < 0 ? kNoFile : fd;
}

void CloseFile(FileHandle& handle) {
  if (handle >= 0) ::close(handle);
  handle = kNoFile;
}

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::size_t ReadBytes(FileHandle handle, void* buffer, std::size_t count) {
  if (handle < 0) return 0;
  auto* p = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    ssize_t n = ::read(handle, p + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::size_t WriteBytes(FileHandle handle, const void* buffer, std::size_t count) {
  if (handle < 0) return 0;
  const auto* p = static_cast<const unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    ssize_t n = ::write(handle, p + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

bool SeekTo(FileHandle handle, std::int64_t offset) {
  return handle >= 0 && offset >= 0 && ::lseek(handle, offset, SEEK_SET) >= 0;
}

bool SeekBy(FileHandle handle, std::int64_t delta) {
  return handle >= 0 && ::lseek(handle, delta, SEEK_CUR) >= 0;
}

bool SeekEnd(FileHandle handle) { return handle >= 0 && ::lseek(handle, 0, SEEK_END) >= 0; }

bool TruncateTo(FileHandle handle, std::int64_t size) {
  return handle >= 0 && size >= 0 && ::ftruncate(handle, static_cast<off_t>(size)) == 0;
}

std::int64_t TellPosition(FileHandle handle) {
  return handle < 0 ? -1 : static_cast<std::int64_t>(::lseek(handle, 0, SEEK_CUR));
}

std::int64_t FileSize(FileHandle handle) {
  struct stat st;
  if (handle < 0 || ::fstat(handle, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace vl::platform
