#include "core/fileio.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "support/files.h"

namespace {

namespace fs = std::filesystem;

// In two pieces, so that a fault can strike after part of the file.
int WriteSafely(const std::string& path, const std::string& text, WriteFailure* failure) {
  const size_t half = text.size() / 2;
  auto inTwoPieces = [&](FileHandle& f) {
    return WriteBytesAt(f, 0, half, text.data()) |
           WriteBytesAt(f, half, text.size() - half, text.data() + half);
  };
  return WriteFileSafely(path, inTwoPieces, failure);
}

TEST(FileIo, CreateTruncatesReadsStopAtTheEndAndOnlyRegularFilesOpen) {
  TempFolder folder;
  const std::string five = folder.Path("five"), pipe = folder.Path("pipe");
  { std::ofstream(five) << "a long earlier content"; }
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  FileHandle file;
  ASSERT_EQ(CreateForWrite(five, &file), 0);
  uint32_t count = 5;
  ASSERT_EQ(WriteBytes(file, &count, "abcde"), 0);
  CloseFile(file);
  ASSERT_EQ(OpenForRead(five, &file), 0);
  char buffer[16] = {};
  // Crossing the end succeeds with the smaller count; at the end it fails.
  for (auto [asked, result, got] : {std::tuple{3u, 0, 3u}, {10u, 0, 2u}, {4u, 1, 0u}}) {
    count = asked;
    EXPECT_EQ(std::tuple(ReadBytes(file, &count, buffer), count), std::tuple(result, got)) << asked;
  }
  EXPECT_EQ(std::string(buffer, 2), "de");
  uint32_t where = 0, length = 0;
  // Braces call them in order.
  EXPECT_EQ((std::tuple<int, int, int, uint32_t&, uint32_t&>{SeekTo(file, 1), TellPosition(file, &where),
                                                             GetFileLength(file, &length), where, length}),
            std::tuple(0, 0, 0, 1u, 5u));
  CloseFile(file);
  EXPECT_EQ(GetPathFileLength(folder.Path("missing"), &length), 1);
  EXPECT_EQ(CreateForWrite(folder.Path("no/such/folder/file"), &file), 1);
  EXPECT_EQ(
      std::tuple(FileExists(five), FileExists(folder.Path("missing")), FileExists(folder.Root().string())),
      std::tuple(1, 0, 0));
  FileHandle untouched{-7};
  EXPECT_EQ(OpenForRead(folder.Path("missing"), &untouched), 1);
  EXPECT_EQ(untouched.Descriptor(), -7);
  // Each of these would wait forever for the FIFO's other end; braces call them in order.
  WriteFailure failure;
  EXPECT_EQ((std::tuple<int, int, int, int, int, bool>{
                OpenForRead(pipe, &file), CreateForWrite(pipe, &file), CreateForWrite("/dev/null", &file),
                CheckReplaceable(pipe, &failure), WriteSafely(pipe, "x", &failure), failure.created}),
            std::tuple(1, 1, 1, 1, 1, false));
  EXPECT_EQ(fs::status(pipe).type(), fs::file_type::fifo);
}

TEST(FileIo, SafeWriteReplacesTheFileALinkNamesOrLeavesItByteForByte) {
  TempFolder folder;
  fs::create_directory(folder.Root() / "real");
  const std::string target = folder.Path("real/design"), earlier = "the earlier file, which must survive";
  { std::ofstream(target) << earlier; }
  ::chmod(target.c_str(), 0640);
  // The fault strikes at the step's count-th call.
  for (auto [step, count, error] : {std::tuple{FileStep::Write, 2, ENOSPC},
                                    {FileStep::Write, 1, EDQUOT},
                                    {FileStep::Sync, 1, EIO},
                                    {FileStep::Close, 1, EIO}}) {
    int calls = 0;
    const FileFaultHook previous =
        SetFileFaultHook([&](FileStep s) { return s == step && ++calls == count ? error : 0; });
    WriteFailure failure;
    const int result = WriteSafely(target, "new text", &failure);
    SetFileFaultHook(previous);
    EXPECT_EQ(std::tuple(result, failure.created, failure.error), std::tuple(1, true, error)) << error;
    EXPECT_EQ(ReadText(target), earlier);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Root() / "real"), {}), 1);  // no temporary left
  }
  EXPECT_EQ(WithFileError("Cannot write file: x", ENOSPC), "Cannot write file: x\nNo space left on device");
  fs::create_symlink("real/design", folder.Root() / "link");
  fs::create_symlink("real/new", folder.Root() / "dangling");
  for (const char* link : {"link", "dangling"}) {
    const std::string path = folder.Path(link);
    WriteFailure failure;
    ASSERT_EQ(WriteSafely(path, "through the link", &failure), 0);
    EXPECT_TRUE(fs::is_symlink(path)) << link;
    EXPECT_EQ(ReadText(path), "through the link");
  }
  EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Root() / "real"), {}), 2);  // no leftovers
}

}  // namespace
