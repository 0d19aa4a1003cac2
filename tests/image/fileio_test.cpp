#include "files/fileio.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

class FileIo : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("passavue-fileio-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string Path(const char* name) const { return (folder_ / name).string(); }
  std::filesystem::path folder_;
};

TEST_F(FileIo, ReadsShortAndFailsAtEnd) {
  { std::ofstream(Path("five"), std::ios::binary) << "abcde"; }
  FileHandle file;
  ASSERT_EQ(OpenForRead(Path("five"), &file), 0);
  char buffer[16] = {};
  // Crossing the end succeeds with the smaller count; at the end it fails.
  for (auto [asked, result, got] : {std::tuple{3u, 0, 3u}, {10u, 0, 2u}, {4u, 1, 0u}}) {
    uint32_t count = asked;
    EXPECT_EQ(ReadBytes(file, &count, buffer), result) << asked;
    EXPECT_EQ(count, got) << asked;
  }
  EXPECT_EQ(std::string(buffer, 2), "de");
  uint32_t where = 0, length = 0;
  ASSERT_EQ(SeekTo(file, 1), 0);
  ASSERT_EQ(TellPosition(file, &where), 0);
  ASSERT_EQ(GetFileLength(file, &length), 0);
  EXPECT_EQ(std::tuple(where, length), std::tuple(1u, 5u));
  CloseFile(file);
  EXPECT_EQ(GetPathFileLength(Path("five"), &length), 0);
  EXPECT_EQ(GetPathFileLength(Path("missing"), &length), 1);
}

TEST_F(FileIo, ZeroCountSucceedsWithoutAFile) {
  FileHandle closed;
  uint32_t count = 0;
  char buffer[1];
  EXPECT_EQ(ReadBytes(closed, &count, buffer) + WriteBytes(closed, &count, buffer), 0);
}

TEST_F(FileIo, ExistsMeansReadableFile) {
  EXPECT_EQ(FileExists(Path("missing")), 0);
  EXPECT_EQ(FileExists(folder_.string()), 0);  // a folder is not a file
  { std::ofstream(Path("there")) << "x"; }
  EXPECT_EQ(FileExists(Path("there")), 1);
  FileHandle untouched{-7};
  EXPECT_EQ(OpenForRead(Path("missing"), &untouched), 1);
  EXPECT_EQ(untouched.fd, -7);
}

TEST_F(FileIo, CreateTruncatesAndWrites) {
  { std::ofstream(Path("old")) << "a long earlier content"; }
  FileHandle file;
  ASSERT_EQ(CreateForWrite(Path("old"), &file), 0);
  uint32_t count = 2;
  ASSERT_EQ(WriteBytes(file, &count, "hi"), 0);
  CloseFile(file);
  uint32_t length = 0;
  ASSERT_EQ(GetPathFileLength(Path("old"), &length), 0);
  EXPECT_EQ(std::tuple(count, length), std::tuple(2u, 2u));
  EXPECT_EQ(CreateForWrite(Path("no/such/folder/file"), &file), 1);
}

}  // namespace
