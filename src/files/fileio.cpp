#include "files/fileio.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int OpenForRead(const std::string& path, FileHandle* file) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return 1;
  // A folder opens on POSIX but is no file to read.
  struct stat info {};
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return 1;
  }
  file->fd = fd;
  return 0;
}

int CreateForWrite(const std::string& path, FileHandle* file) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  // Readable as well, so a large picture can be written through a mapping;
  // a file the user may write but not read is still written.
  if (fd < 0 && errno == EACCES) {
    do {
      fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
  }
  if (fd < 0) return 1;
  file->fd = fd;
  return 0;
}

int CloseFile(FileHandle file) {
  if (file.fd >= 0) ::close(file.fd);
  return 0;
}

int FileExists(const std::string& path) {
  FileHandle file;
  if (OpenForRead(path, &file) != 0) return 0;
  CloseFile(file);
  return 1;
}

int ReadBytes(FileHandle file, uint32_t* count, void* buffer) {
  if (*count == 0) return 0;
  ssize_t got;
  do {
    got = ::read(file.fd, buffer, *count);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    *count = 0;
    return 1;
  }
  *count = static_cast<uint32_t>(got);
  return got == 0 ? 1 : 0;
}

int WriteBytes(FileHandle file, uint32_t* count, const void* buffer) {
  if (*count == 0) return 0;
  const char* bytes = static_cast<const char*>(buffer);
  uint32_t done = 0;
  while (done < *count) {
    ssize_t put = ::write(file.fd, bytes + done, *count - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return 1;
    }
    if (put == 0) return 1;
    done += static_cast<uint32_t>(put);
  }
  *count = done;
  return 0;
}

int SeekTo(FileHandle file, uint32_t offset) {
  if (offset == kFileFailure) return 1;
  return ::lseek(file.fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset) ? 0 : 1;
}

int TellPosition(FileHandle file, uint32_t* position) {
  off_t where = ::lseek(file.fd, 0, SEEK_CUR);
  if (where < 0 || where >= static_cast<off_t>(kFileFailure)) {
    *position = kFileFailure;
    return 1;
  }
  *position = static_cast<uint32_t>(where);
  return 0;
}

int GetFileLength(FileHandle file, uint32_t* length) {
  struct stat info {};
  if (::fstat(file.fd, &info) != 0 || info.st_size >= static_cast<off_t>(kFileFailure)) {
    *length = kFileFailure;
    return 1;
  }
  *length = static_cast<uint32_t>(info.st_size);
  return 0;
}

int GetPathFileLength(const std::string& path, uint32_t* length) {
  FileHandle file;
  if (OpenForRead(path, &file) != 0) return 1;
  int result = GetFileLength(file, length);
  CloseFile(file);
  return result;
}
