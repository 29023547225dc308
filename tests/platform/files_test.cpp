// Byte files and file-system steps on the real file system, each test in a
// fresh folder of its own.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/byte_file.h"

namespace tavrin::platform {
namespace {

std::vector<std::uint8_t> Pattern(std::size_t length) {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + i / 256);
    return bytes;
}

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "tavrin-files-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

    void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    std::vector<std::uint8_t> ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::unique_ptr<ByteFile> Open(const std::string& path) {
        OpenFailure failure{};
        std::string error;
        auto file = files_.OpenForReading(path, failure, error);
        EXPECT_NE(file, nullptr) << error;
        return file;
    }

    FileSystem& files_ = LocalFileSystem();
    std::filesystem::path folder_;
};

TEST_F(FilesTest, WrittenBytesReadBackExactlyWithTheRemainingCount) {
    const std::string path = PathOf("memo.dat");
    const auto bytes = Pattern(200'000);
    std::string error;
    auto out = files_.CreateForWriting(path, error);
    ASSERT_NE(out, nullptr) << error;
    ASSERT_TRUE(out->Write(bytes.data(), bytes.size()));
    ASSERT_TRUE(out->Sync());
    ASSERT_TRUE(out->Close());

    auto in = Open(path);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(in->Remaining(), bytes.size());
    std::vector<std::uint8_t> head(12);
    ASSERT_TRUE(in->Read(head.data(), head.size()));
    EXPECT_EQ(in->Remaining(), bytes.size() - 12);
    std::vector<std::uint8_t> rest(bytes.size() - 12);
    ASSERT_TRUE(in->Read(rest.data(), rest.size()));
    head.insert(head.end(), rest.begin(), rest.end());
    EXPECT_EQ(head, bytes);
    EXPECT_EQ(in->Remaining(), 0u);
    EXPECT_TRUE(in->Close());
}

TEST_F(FilesTest, AReadPastTheEndFails) {
    const std::string path = PathOf("short.dat");
    WriteFile(path, Pattern(5));
    auto in = Open(path);
    ASSERT_NE(in, nullptr);
    std::uint8_t buffer[8] = {};
    EXPECT_FALSE(in->Read(buffer, sizeof buffer));
    EXPECT_EQ(in->LastError(), "unexpected end of file");
}

TEST_F(FilesTest, CreatingReplacesAnExistingFile) {
    const std::string path = PathOf("memo.dat");
    WriteFile(path, Pattern(100));
    std::string error;
    auto out = files_.CreateForWriting(path, error);
    ASSERT_NE(out, nullptr) << error;
    ASSERT_TRUE(out->Write("new", 3));
    ASSERT_TRUE(out->Close());
    EXPECT_EQ(ReadFile(path), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
}

TEST_F(FilesTest, CreatingInAMissingFolderFailsWithTheCause) {
    std::string error;
    EXPECT_EQ(files_.CreateForWriting(PathOf("none/memo.dat"), error), nullptr);
    EXPECT_EQ(error, "No such file or directory");
}

struct OpenFailureCase {
    const char* name;
    OpenFailure failure;
    const char* cause;
};

class OpenForReadingTest : public FilesTest,
                           public ::testing::WithParamInterface<OpenFailureCase> {};

TEST_P(OpenForReadingTest, TellsMissingFromUnreadable) {
    const auto& [name, expectedFailure, cause] = GetParam();
    std::filesystem::create_directory(PathOf("folder"));
    WriteFile(PathOf("held.dat"), Pattern(10));
    const auto holder = Open(PathOf("held.dat"));

    OpenFailure failure{};
    std::string error;
    EXPECT_EQ(files_.OpenForReading(PathOf(name), failure, error), nullptr);
    EXPECT_EQ(failure, expectedFailure);
    EXPECT_EQ(error, cause);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OpenForReadingTest,
    ::testing::Values(
        OpenFailureCase{"none.dat", OpenFailure::Missing, "No such file or directory"},
        OpenFailureCase{"none/memo.dat", OpenFailure::Missing, "No such file or directory"},
        OpenFailureCase{"folder", OpenFailure::Unreadable, "Is a directory"},
        OpenFailureCase{"held.dat", OpenFailure::Unreadable,
                        "the file is in use by another program"}),
    [](const auto& testCase) {
        std::string name = testCase.param.name;
        std::erase_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
        return name;
    });

TEST_F(FilesTest, AFileIsFreeAgainWhenItsReaderCloses) {
    const std::string path = PathOf("memo.dat");
    WriteFile(path, Pattern(10));
    Open(path)->Close();
    auto again = Open(path);
    EXPECT_NE(again, nullptr);
}

TEST_F(FilesTest, ReplaceRenamesOverTheTarget) {
    const std::string from = PathOf("memo.tmp");
    const std::string to = PathOf("memo.dat");
    WriteFile(from, Pattern(40));
    WriteFile(to, Pattern(7));
    std::string error;
    ASSERT_TRUE(files_.Replace(from, to, error)) << error;
    EXPECT_EQ(ReadFile(to), Pattern(40));
    EXPECT_FALSE(files_.Exists(from));

    EXPECT_FALSE(files_.Replace(from, to, error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_EQ(ReadFile(to), Pattern(40));
}

TEST_F(FilesTest, CopyToNewCopiesEveryByteButNeverOverwrites) {
    const std::string from = PathOf("memo.dat");
    const std::string to = PathOf("memo.bak");
    WriteFile(from, Pattern(150'000));
    std::string error;
    ASSERT_TRUE(files_.CopyToNew(from, to, error)) << error;
    EXPECT_EQ(ReadFile(to), Pattern(150'000));

    WriteFile(from, Pattern(3));
    EXPECT_FALSE(files_.CopyToNew(from, to, error));
    EXPECT_EQ(error, "File exists");
    EXPECT_EQ(ReadFile(to), Pattern(150'000));
}

TEST_F(FilesTest, CopyToNewFromAMissingFileMakesNothing) {
    std::string error;
    EXPECT_FALSE(files_.CopyToNew(PathOf("none.dat"), PathOf("copy.dat"), error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_FALSE(files_.Exists(PathOf("copy.dat")));
}

TEST_F(FilesTest, CopyToNewFromAFolderRemovesItsPartialTarget) {
    std::filesystem::create_directory(PathOf("folder"));
    std::string error;
    EXPECT_FALSE(files_.CopyToNew(PathOf("folder"), PathOf("copy.dat"), error));
    EXPECT_EQ(error, "Is a directory");
    EXPECT_FALSE(files_.Exists(PathOf("copy.dat")));
}

TEST_F(FilesTest, SyncFolderOfSyncsTheFolderHoldingThePath) {
    std::string error;
    EXPECT_TRUE(files_.SyncFolderOf(PathOf("memo.dat"), error)) << error;
    EXPECT_TRUE(files_.SyncFolderOf("memo.dat", error)) << "the working folder: " << error;
    EXPECT_FALSE(files_.SyncFolderOf(PathOf("none/memo.dat"), error));
    EXPECT_EQ(error, "No such file or directory");
}

TEST_F(FilesTest, ExistsAndRemove) {
    const std::string path = PathOf("memo.dat");
    EXPECT_FALSE(files_.Exists(path));
    WriteFile(path, Pattern(1));
    EXPECT_TRUE(files_.Exists(path));
    std::string error;
    EXPECT_TRUE(files_.Remove(path, error)) << error;
    EXPECT_FALSE(files_.Exists(path));
    EXPECT_FALSE(files_.Remove(path, error));
    EXPECT_EQ(error, "No such file or directory");
}

}  // namespace
}  // namespace tavrin::platform
