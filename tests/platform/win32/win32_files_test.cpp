// Byte files and file-system steps on Wine's file system, each test in a
// fresh folder of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "platform/byte_file.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_text.h"

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
        folder_ = std::filesystem::temp_directory_path() /
                  ("tavrin-files-" + std::to_string(std::random_device{}()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder_);
        ASSERT_TRUE(std::filesystem::create_directories(folder_));
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    // Paths as the shared code holds them: UTF-8 strings. (A std::filesystem
    // path made from a narrow string takes it in another code page.)
    std::string PathOf(const std::string& name) const { return folder_.string() + "\\" + name; }

    static void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    static std::vector<std::uint8_t> ReadFile(const std::string& path) {
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
    std::uint8_t more = 0;
    EXPECT_FALSE(in->Read(&more, 1));
    EXPECT_EQ(in->LastError(), "unexpected end of file");
    EXPECT_TRUE(in->Close());
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

TEST_F(FilesTest, CreatingInAMissingFolderFailsWithTheSystemsWords) {
    std::string error;
    EXPECT_EQ(files_.CreateForWriting(PathOf("none\\memo.dat"), error), nullptr);
    EXPECT_EQ(error, SystemErrorText(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(error.empty());
    EXPECT_NE(error.back(), '.') << "a sentence part, without the full stop";
    EXPECT_EQ(error.find('\n'), std::string::npos);
}

struct OpenFailureCase {
    const char* name;
    OpenFailure failure;
    std::uint32_t causeCode;  // 0: the file is in use
};

class OpenForReadingTest : public FilesTest,
                           public ::testing::WithParamInterface<OpenFailureCase> {};

TEST_P(OpenForReadingTest, TellsMissingFromUnreadable) {
    const auto& [name, expectedFailure, causeCode] = GetParam();
    std::filesystem::create_directory(PathOf("folder"));
    WriteFile(PathOf("read.dat"), Pattern(10));
    WriteFile(PathOf("written.dat"), Pattern(10));
    const auto reader = Open(PathOf("read.dat"));
    std::string error;
    const auto writer = files_.CreateForWriting(PathOf("written.dat"), error);
    ASSERT_NE(writer, nullptr) << error;

    OpenFailure failure{};
    EXPECT_EQ(files_.OpenForReading(PathOf(name), failure, error), nullptr);
    EXPECT_EQ(failure, expectedFailure);
    EXPECT_EQ(error, causeCode == 0 ? "the file is in use by another program"
                                    : SystemErrorText(causeCode));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OpenForReadingTest,
    ::testing::Values(OpenFailureCase{"none.dat", OpenFailure::Missing, ERROR_FILE_NOT_FOUND},
                      OpenFailureCase{"none\\memo.dat", OpenFailure::Missing, ERROR_PATH_NOT_FOUND},
                      OpenFailureCase{"folder", OpenFailure::Unreadable, ERROR_ACCESS_DENIED},
                      OpenFailureCase{"read.dat", OpenFailure::Unreadable, 0},
                      OpenFailureCase{"written.dat", OpenFailure::Unreadable, 0}),
    [](const auto& testCase) {
        std::string name = testCase.param.name;
        std::erase_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
        return name;
    });

TEST_F(FilesTest, AFileIsFreeAgainWhenItsReaderCloses) {
    const std::string path = PathOf("memo.dat");
    WriteFile(path, Pattern(10));
    Open(path)->Close();
    EXPECT_NE(Open(path), nullptr);
}

TEST_F(FilesTest, ReplaceRenamesOverTheTarget) {
    const std::string from = PathOf("memo.saving");
    const std::string to = PathOf("memo.dat");
    WriteFile(from, Pattern(40));
    WriteFile(to, Pattern(7));
    std::string error;
    ASSERT_TRUE(files_.Replace(from, to, error)) << error;
    EXPECT_EQ(ReadFile(to), Pattern(40));
    EXPECT_FALSE(files_.Exists(from));

    EXPECT_FALSE(files_.Replace(from, to, error));
    EXPECT_EQ(error, SystemErrorText(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(ReadFile(to), Pattern(40));
    EXPECT_TRUE(files_.SyncFolderOf(to, error)) << "the rename was written through";
}

TEST_F(FilesTest, CopyToNewCopiesEveryByteButNeverOverwrites) {
    const std::string from = PathOf("memo.dat");
    const std::string to = PathOf("memo.dat.unreadable-1");
    WriteFile(from, Pattern(150'000));
    std::string error;
    ASSERT_TRUE(files_.CopyToNew(from, to, error)) << error;
    EXPECT_EQ(ReadFile(to), Pattern(150'000));

    WriteFile(from, Pattern(3));
    EXPECT_FALSE(files_.CopyToNew(from, to, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadFile(to), Pattern(150'000));
}

TEST_F(FilesTest, CopyToNewFromAMissingFileOrAFolderMakesNothing) {
    std::filesystem::create_directory(PathOf("folder"));
    for (const char* name : {"none.dat", "folder"}) {
        std::string error;
        EXPECT_FALSE(files_.CopyToNew(PathOf(name), PathOf("copy.dat"), error)) << name;
        EXPECT_FALSE(error.empty()) << name;
        EXPECT_FALSE(files_.Exists(PathOf("copy.dat"))) << name;
    }
}

TEST_F(FilesTest, ExistsAndRemove) {
    const std::string path = PathOf("memo.dat");
    EXPECT_FALSE(files_.Exists(path));
    EXPECT_FALSE(files_.Exists(PathOf("none\\memo.dat")));
    WriteFile(path, Pattern(1));
    EXPECT_TRUE(files_.Exists(path));
    std::string error;
    EXPECT_TRUE(files_.Remove(path, error)) << error;
    EXPECT_FALSE(files_.Exists(path));
    EXPECT_FALSE(files_.Remove(path, error));
    EXPECT_EQ(error, SystemErrorText(ERROR_FILE_NOT_FOUND));
}

TEST_F(FilesTest, ANameTheCodePageCantSpellIsRefusedNotGuessed) {
    // U+4E2D has no form in the Western code page the tests run with; a
    // best-fit '?' would name another file.
    ASSERT_EQ(::GetACP(), 1252u);
    const std::string path = PathOf("memo-\xE4\xB8\xAD.dat");
    std::string error;
    EXPECT_EQ(files_.CreateForWriting(path, error), nullptr);
    EXPECT_EQ(error, "the name can't be written in the system's code page");
    OpenFailure failure{};
    EXPECT_EQ(files_.OpenForReading(path, failure, error), nullptr);
    EXPECT_EQ(failure, OpenFailure::Unreadable);
    EXPECT_TRUE(std::filesystem::is_empty(folder_));
}

TEST_F(FilesTest, ANameInTheCodePageWorks) {
    const std::string path = PathOf("Notiz-\xC3\xA4.dat");  // ä, in the Western code page
    std::string error;
    auto out = files_.CreateForWriting(path, error);
    ASSERT_NE(out, nullptr) << error;
    ASSERT_TRUE(out->Write("x", 1));
    ASSERT_TRUE(out->Close());
    EXPECT_NE(Open(path), nullptr);
    EXPECT_EQ(std::filesystem::begin(std::filesystem::directory_iterator(folder_))->path().filename(),
              std::filesystem::path(L"Notiz-\u00E4.dat"));
}

}  // namespace
}  // namespace tavrin::platform
