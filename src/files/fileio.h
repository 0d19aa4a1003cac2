// Raw file access for the readers and writers: every failure is a result
// code, never a message. Sizes and positions are 32-bit; files are at most
// 4 GiB - 2 bytes (the all-ones value marks a failure).
#pragma once

#include <cstdint>
#include <string>

struct FileHandle {
  int fd = -1;
};

constexpr uint32_t kFileFailure = 0xFFFFFFFFu;

int OpenForRead(const std::string& path, FileHandle* file);
int CreateForWrite(const std::string& path, FileHandle* file);
int CloseFile(FileHandle file);
// Note the sense: 1 when the file can be opened for reading, 0 when not.
int FileExists(const std::string& path);
// Reads up to *count bytes; *count becomes the number read. 1 on a failed
// read or at the end of the file; a count of 0 succeeds at once.
int ReadBytes(FileHandle file, uint32_t* count, void* buffer);
// Writes *count bytes; *count becomes the number written. A count of 0 succeeds at once.
int WriteBytes(FileHandle file, uint32_t* count, const void* buffer);
int SeekTo(FileHandle file, uint32_t offset);
int TellPosition(FileHandle file, uint32_t* position);
int GetFileLength(FileHandle file, uint32_t* length);
int GetPathFileLength(const std::string& path, uint32_t* length);
