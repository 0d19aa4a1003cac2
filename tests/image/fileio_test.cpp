#include "core/fileio.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "support/files.h"

namespace {

class FileIo : public ::testing::Test {
 protected:
  std::string Path(const char* name) const { return folder_.Path(name); }
  std::string Text(const char* name) const { return ReadText(Path(name)); }
  size_t FilesInFolder() const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder_.Root()), {}));
  }
  TempFolder folder_;
};

int WriteText(FileHandle& file, const std::string& text) {
  // In two pieces, so that a fault can strike after part of the file.
  const size_t half = text.size() / 2;
  return WriteBytesAt(file, 0, half, text.data()) |
         WriteBytesAt(file, half, text.size() - half, text.data() + half);
}

TEST_F(FileIo, CreateTruncatesAndReadsStopAtTheEnd) {
  { std::ofstream(Path("five")) << "a long earlier content"; }
  FileHandle file;
  ASSERT_EQ(CreateForWrite(Path("five"), &file), 0);
  uint32_t count = 5;
  ASSERT_EQ(WriteBytes(file, &count, "abcde"), 0);
  CloseFile(file);
  ASSERT_EQ(OpenForRead(Path("five"), &file), 0);
  char buffer[16] = {};
  // Crossing the end succeeds with the smaller count; at the end it fails.
  for (auto [asked, result, got] : {std::tuple{3u, 0, 3u}, {10u, 0, 2u}, {4u, 1, 0u}}) {
    count = asked;
    EXPECT_EQ(std::tuple(ReadBytes(file, &count, buffer), count), std::tuple(result, got)) << asked;
  }
  EXPECT_EQ(std::string(buffer, 2), "de");
  uint32_t where = 0, length = 0;
  ASSERT_EQ(SeekTo(file, 1), 0);
  ASSERT_EQ(TellPosition(file, &where), 0);
  ASSERT_EQ(GetFileLength(file, &length), 0);
  EXPECT_EQ(std::tuple(where, length), std::tuple(1u, 5u));
  CloseFile(file);
  EXPECT_EQ(GetPathFileLength(Path("missing"), &length), 1);
  EXPECT_EQ(CreateForWrite(Path("no/such/folder/file"), &file), 1);
}

TEST_F(FileIo, OnlyRegularFilesOpenAndNothingWaitsOnAFifo) {
  ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
  { std::ofstream(Path("there")) << "x"; }
  EXPECT_EQ(
      std::tuple(FileExists(Path("there")), FileExists(Path("missing")), FileExists(folder_.Root().string())),
      std::tuple(1, 0, 0));
  FileHandle file{-7};
  EXPECT_EQ(OpenForRead(Path("missing"), &file), 1);
  EXPECT_EQ(file.Descriptor(), -7);  // untouched
  WriteFailure failure;
  // Each of these would wait forever for the FIFO's other end.
  EXPECT_EQ(OpenForRead(Path("pipe"), &file), 1);
  EXPECT_EQ(CreateForWrite(Path("pipe"), &file), 1);
  EXPECT_EQ(CreateForWrite("/dev/null", &file), 1);
  for (const char* target : {"pipe", ""}) {
    const std::string path = *target ? Path(target) : std::string("/dev/null");
    EXPECT_EQ(CheckReplaceable(path, &failure), 1) << path;
    EXPECT_EQ(WriteFileSafely(
                  path, [](FileHandle& f) { return WriteText(f, "x"); }, &failure),
              1)
        << path;
    EXPECT_FALSE(failure.created);
  }
  EXPECT_EQ(std::filesystem::status(Path("pipe")).type(), std::filesystem::file_type::fifo);
}

TEST_F(FileIo, SafeWriteReplacesTheFileALinkNamesAndKeepsItsMode) {
  std::filesystem::create_directory(folder_.Root() / "real");
  { std::ofstream(Path("real/design")) << "earlier"; }
  ::chmod(Path("real/design").c_str(), 0640);
  std::filesystem::create_symlink("real/design", folder_.Root() / "link");
  std::filesystem::create_symlink("real/new", folder_.Root() / "dangling");
  WriteFailure failure;
  for (const char* link : {"link", "dangling"}) {
    ASSERT_EQ(
        WriteFileSafely(
            Path(link), [](FileHandle& f) { return WriteText(f, "written through the link"); }, &failure),
        0)
        << link;
    EXPECT_TRUE(std::filesystem::is_symlink(folder_.Root() / link)) << link;
    EXPECT_EQ(Text(link), "written through the link");
  }
  EXPECT_EQ(std::filesystem::status(Path("real/design")).permissions(), std::filesystem::perms(0640));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Root() / "real"), {}),
            2);  // no leftovers
}

TEST_F(FileIo, FailedSafeWriteLeavesTheEarlierFileByteForByte) {
  struct Case {
    FileStep step;
    int count;  // the fault strikes at this step's count-th call
    int error;
  };
  const std::string earlier = "the earlier file, which must survive";
  for (const Case& c : {Case{FileStep::Write, 2, ENOSPC}, Case{FileStep::Write, 1, EDQUOT},
                        Case{FileStep::Sync, 1, EIO}, Case{FileStep::Close, 1, EIO}}) {
    { std::ofstream(Path("target"), std::ios::binary | std::ios::trunc) << earlier; }
    int calls = 0;
    const FileFaultHook previous =
        SetFileFaultHook([&](FileStep step) { return step == c.step && ++calls == c.count ? c.error : 0; });
    WriteFailure failure;
    const int result = WriteFileSafely(
        Path("target"), [](FileHandle& f) { return WriteText(f, "new text"); }, &failure);
    SetFileFaultHook(previous);
    EXPECT_EQ(std::tuple(result, failure.created, failure.error), std::tuple(1, true, c.error)) << c.error;
    EXPECT_EQ(Text("target"), earlier);
    EXPECT_EQ(FilesInFolder(), 1u);  // no temporary left
  }
  EXPECT_EQ(WithFileError("Cannot write file: x", ENOSPC), "Cannot write file: x\nNo space left on device");
}

}  // namespace
