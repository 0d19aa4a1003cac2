// Raw file access for the readers and writers: every failure is a result
// code, never a message. Sizes and positions are 32-bit; files are at most
// 4 GiB - 2 bytes (the all-ones value marks a failure).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// One open file, closed when the handle goes. Moved, never copied; functions
// that only read, write or position the file take it by reference.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int descriptor) : fd_(descriptor) {}
  FileHandle(FileHandle&& other) noexcept : fd_(other.Release()) {}
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle();

  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  // Hands the descriptor over to the caller, who closes it.
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_ = -1;
};

constexpr uint32_t kFileFailure = 0xFFFFFFFFu;

// Only regular files open; a FIFO or device is refused at once, never waited on.
int OpenForRead(const std::string& path, FileHandle* file);
// Creates or empties the file in place. Use WriteFileSafely for anything
// the user may already have.
int CreateForWrite(const std::string& path, FileHandle* file);
// Closes now, for a caller that must know whether the close went well: a
// failed close can be the first news of a failed write. 1 then, with the
// reason kept for LastFileError. The handle is closed either way.
int CloseFile(FileHandle& file);
// Note the sense: 1 when the file can be opened for reading, 0 when not.
int FileExists(const std::string& path);
// Reads up to *count bytes; *count becomes the number read. 1 on a failed
// read or at the end of the file; a count of 0 succeeds at once.
int ReadBytes(FileHandle& file, uint32_t* count, void* buffer);
// Writes *count bytes; *count becomes the number written. A count of 0 succeeds at once.
int WriteBytes(FileHandle& file, uint32_t* count, const void* buffer);
// Writes count bytes at offset without moving the file position, so several
// threads may write their own parts of one file.
int WriteBytesAt(FileHandle& file, uint64_t offset, size_t count, const void* buffer);
int SeekTo(FileHandle& file, uint32_t offset);
int TellPosition(FileHandle& file, uint32_t* position);
int GetFileLength(FileHandle& file, uint32_t* length);
int GetPathFileLength(const std::string& path, uint32_t* length);

// The system's reason (an errno value) for the latest failed write, sync or
// close, in any thread; 0 when there was none. Writers record reasons of
// their own (ENOMEM) with RecordFileError.
int LastFileError();
void RecordFileError(int error);
// The message, and on a second line the system's reason for an errno
// value ("No space left on device"); the message alone for 0.
std::string WithFileError(const std::string& message, int error);

struct WriteFailure {
  bool created = false;  // false: the file could not be created at all
  int error = 0;         // the system's reason, 0 when there is none to give
};

// Replaces the file at `path` (or the file a symbolic link there points to)
// with what `write` puts into a fresh handle, or leaves it untouched: the
// bytes go into a new file of unpredictable name beside the target, created
// exclusively and never through a link, flushed to disk and only then
// renamed over the target. An existing target keeps its permission bits and,
// where allowed, its owner; a target that is not a regular file or that the
// user may not write is refused before anything is written. 0 on success;
// 1 with *failure filled and no file left behind.
int WriteFileSafely(const std::string& path, const std::function<int(FileHandle&)>& write,
                    WriteFailure* failure);
// The checks WriteFileSafely makes before it creates anything, for a caller
// with a long task to do first. 0 when the target may be replaced.
int CheckReplaceable(const std::string& path, WriteFailure* failure);

// Lets tests make writes, syncs and closes fail: the hook returns the errno
// to fail with, or 0 to go ahead. Returns the hook it replaces.
enum class FileStep { Write, Sync, Close };
using FileFaultHook = std::function<int(FileStep step)>;
FileFaultHook SetFileFaultHook(FileFaultHook hook);
