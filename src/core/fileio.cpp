#include "core/fileio.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

std::atomic<int> lastError{0};
FileFaultHook faultHook;

int InjectedFault(FileStep step) { return faultHook ? faultHook(step) : 0; }

// Opening a FIFO without O_NONBLOCK waits for the other end; with it, the
// open returns at once and the check below refuses anything but a regular
// file before a byte is read or written.
int OpenRegular(const std::string& path, int flags, FileHandle* file) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return 1;
  FileHandle opened(fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ::fcntl(fd, F_SETFL, 0) != 0) return 1;
  *file = std::move(opened);
  return 0;
}

}  // namespace

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.Release();
  }
  return *this;
}

// Nobody is left to hear of a failure here; a writer that must know closes
// with CloseFile first.
FileHandle::~FileHandle() {
  if (fd_ >= 0) ::close(fd_);
}

int OpenForRead(const std::string& path, FileHandle* file) { return OpenRegular(path, O_RDONLY, file); }

int CreateForWrite(const std::string& path, FileHandle* file) {
  return OpenRegular(path, O_WRONLY | O_CREAT | O_TRUNC, file);
}

int CloseFile(FileHandle& file) {
  if (!file.IsOpen()) return 0;
  // Linux has released the descriptor even when close is interrupted.
  if (::close(file.Release()) == 0 || errno == EINTR) return 0;
  RecordFileError(errno);
  return 1;
}

int LastFileError() { return lastError.load(); }

void RecordFileError(int error) { lastError.store(error); }

std::string WithFileError(const std::string& message, int error) {
  return error == 0 ? message : message + "\n" + std::strerror(error);
}

FileFaultHook SetFileFaultHook(FileFaultHook hook) {
  FileFaultHook previous = std::move(faultHook);
  faultHook = std::move(hook);
  return previous;
}

int FileExists(const std::string& path) {
  FileHandle file;
  return OpenForRead(path, &file) == 0 ? 1 : 0;
}

int ReadBytes(FileHandle& file, uint32_t* count, void* buffer) {
  if (*count == 0) return 0;
  ssize_t got;
  do {
    got = ::read(file.Descriptor(), buffer, *count);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    *count = 0;
    return 1;
  }
  *count = static_cast<uint32_t>(got);
  return got == 0 ? 1 : 0;
}

namespace {

// Puts all `count` bytes through `put(bytes, length, done)`, retrying after a
// signal; a write that makes no progress is a full disk.
template <typename Put>
int PutAll(const char* bytes, size_t count, const Put& put) {
  size_t done = 0;
  while (done < count) {
    if (const int fault = InjectedFault(FileStep::Write); fault != 0) {
      RecordFileError(fault);
      return 1;
    }
    const ssize_t n = put(bytes + done, count - done, done);
    if (n < 0) {
      if (errno == EINTR) continue;
      RecordFileError(errno);
      return 1;
    }
    if (n == 0) {
      RecordFileError(ENOSPC);
      return 1;
    }
    done += static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace

int WriteBytes(FileHandle& file, uint32_t* count, const void* buffer) {
  return PutAll(static_cast<const char*>(buffer), *count, [&file](const char* bytes, size_t length, size_t) {
    return ::write(file.Descriptor(), bytes, length);
  });
}

int WriteBytesAt(FileHandle& file, uint64_t offset, size_t count, const void* buffer) {
  return PutAll(static_cast<const char*>(buffer), count, [&](const char* bytes, size_t length, size_t done) {
    return ::pwrite(file.Descriptor(), bytes, length, static_cast<off_t>(offset + done));
  });
}

int SeekTo(FileHandle& file, uint32_t offset) {
  if (offset == kFileFailure) return 1;
  return ::lseek(file.Descriptor(), static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset) ? 0
                                                                                                        : 1;
}

int TellPosition(FileHandle& file, uint32_t* position) {
  off_t where = ::lseek(file.Descriptor(), 0, SEEK_CUR);
  if (where < 0 || where >= static_cast<off_t>(kFileFailure)) {
    *position = kFileFailure;
    return 1;
  }
  *position = static_cast<uint32_t>(where);
  return 0;
}

int GetFileLength(FileHandle& file, uint32_t* length) {
  struct stat info {};
  if (::fstat(file.Descriptor(), &info) != 0 || info.st_size >= static_cast<off_t>(kFileFailure)) {
    *length = kFileFailure;
    return 1;
  }
  *length = static_cast<uint32_t>(info.st_size);
  return 0;
}

int GetPathFileLength(const std::string& path, uint32_t* length) {
  FileHandle file;
  if (OpenForRead(path, &file) != 0) return 1;
  return GetFileLength(file, length);
}

namespace {

// Follows symbolic links at the end of the path, so that a save replaces
// the file a link points to and the link stays; a link to a file not yet
// there names where the new file goes.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

std::string ResolveLinks(std::string path) {
  for (int hop = 0; hop < 40; ++hop) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::string target(static_cast<size_t>(info.st_size > 0 ? info.st_size : 0) + 256, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<size_t>(length) >= target.size()) return path;
    target.resize(static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    if (target[0] != '/' && slash != std::string::npos) target = path.substr(0, slash + 1) + target;
    path = target;
  }
  return path;
}

// A new file beside `target` whose name nobody can guess ahead, so nothing
// can be planted there; O_EXCL and O_NOFOLLOW refuse whatever is there.
int CreateBeside(const std::string& target, std::string* temporary, FileHandle* file) {
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  // Short enough that the longer name still fits a folder entry.
  const std::string name = (slash == std::string::npos ? target : target.substr(slash + 1)).substr(0, 200);
  for (int attempt = 0; attempt < 16; ++attempt) {
    uint64_t random = 0;
    if (::getrandom(&random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
      return errno != 0 ? errno : EIO;
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%016llx", static_cast<unsigned long long>(random));
    *temporary = folder + "." + name + suffix;
    int fd;
    do {
      fd = ::open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
      *file = FileHandle(fd);
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

// Renaming would get past a write-protected file and replace a FIFO or
// device by a file; both are refused as creating the file would be.
int CheckExisting(const std::string& target, bool exists, const struct stat& existing,
                  WriteFailure* failure) {
  *failure = WriteFailure();
  if (!exists) return 0;
  if (S_ISDIR(existing.st_mode))
    failure->error = EISDIR;
  else if (S_ISREG(existing.st_mode) && ::access(target.c_str(), W_OK) != 0)
    failure->error = errno;
  return S_ISREG(existing.st_mode) && failure->error == 0 ? 0 : 1;
}

}  // namespace

int CheckReplaceable(const std::string& path, WriteFailure* failure) {
  const std::string target = ResolveLinks(path);
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (CheckExisting(target, exists, existing, failure) != 0) return 1;
  // The new file is made in the target's folder.
  if (::access(FolderOf(target).c_str(), W_OK | X_OK) != 0) {
    failure->error = errno;
    return 1;
  }
  return 0;
}

int WriteFileSafely(const std::string& path, const std::function<int(FileHandle&)>& write,
                    WriteFailure* failure) {
  const std::string target = ResolveLinks(path);
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (CheckExisting(target, exists, existing, failure) != 0) return 1;
  std::string temporary;
  FileHandle file;
  if (const int error = CreateBeside(target, &temporary, &file); error != 0) {
    failure->error = error;
    return 1;
  }
  failure->created = true;
  if (exists) {
    // Owner before mode: a change of owner clears the set-id bits.
    if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
      if (::fchown(file.Descriptor(), existing.st_uid, existing.st_gid) != 0)
        ::fchown(file.Descriptor(), static_cast<uid_t>(-1), existing.st_gid);  // a group the user belongs to
    }
    ::fchmod(file.Descriptor(), existing.st_mode & 07777);
  }
  RecordFileError(0);
  // A writer may fail without a reason from the system (error stays 0).
  bool failed = write(file) != 0;
  int error = failed ? LastFileError() : InjectedFault(FileStep::Sync);
  // The data must be on disk before the rename makes it the file.
  if (!failed && error == 0 && ::fsync(file.Descriptor()) != 0) error = errno;
  failed = failed || error != 0;
  // A failed close can be the first news of a failed write (NFS, quotas).
  int closeError = InjectedFault(FileStep::Close);
  if (CloseFile(file) != 0 && closeError == 0) closeError = LastFileError();
  if (!failed && closeError != 0) {
    failed = true;
    error = closeError;
  }
  if (!failed && ::rename(temporary.c_str(), target.c_str()) != 0) {
    failed = true;
    error = errno;
  }
  if (failed) {
    ::unlink(temporary.c_str());
    failure->error = error;
    return 1;
  }
  // The rename itself lasts once the folder is on disk too.
  const FileHandle directory(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.IsOpen()) ::fsync(directory.Descriptor());
  return 0;
}
