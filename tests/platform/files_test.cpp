// Byte files and file-system steps on the machine's real file system, each
// test in a fresh folder of its own. Every backend meets these; failures are
// given in the system's own words.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <optional>
#include <vector>

#include "backend_probe.h"
#include "platform/byte_file.h"
#include "support/scratch_folder.h"

using tavrin::testing::ScratchFolder;

namespace tavrin::platform {
namespace {

using probe::CauseOf;
using probe::FileError;

std::vector<std::uint8_t> Pattern(std::size_t length) {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + i / 256);
    return bytes;
}

class FilesTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return scratch_.PathOf(name); }
    static void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
        ScratchFolder::WriteFile(path, bytes);
    }
    static std::vector<std::uint8_t> ReadFile(const std::string& path) {
        return ScratchFolder::ReadFile(path);
    }

    std::unique_ptr<ByteFile> Open(const std::string& path) {
        OpenFailure failure{};
        std::string error;
        auto file = files_.OpenForReading(path, failure, error);
        EXPECT_NE(file, nullptr) << error;
        return file;
    }

    ScratchFolder scratch_;
    FileSystem& files_ = LocalFileSystem();
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

TEST_F(FilesTest, CreatingInAMissingFolderFailsWithTheCauseInOneLine) {
    std::string error;
    EXPECT_EQ(files_.CreateForWriting(PathOf("none/memo.dat"), error), nullptr);
    EXPECT_EQ(error, CauseOf(FileError::NoSuchFolder));
    ASSERT_FALSE(error.empty());
    EXPECT_NE(error.back(), '.') << "a sentence part, without the full stop";
    EXPECT_EQ(error.find('\n'), std::string::npos);
}

enum class Holder { Nobody, OurReader, AnotherProgram };

struct OpenFailureCase {
    const char* name;
    Holder holder;
    OpenFailure failure;
    FileError cause;  // when nobody holds the file
};

class OpenForReadingTest : public FilesTest,
                           public ::testing::WithParamInterface<OpenFailureCase> {};

TEST_P(OpenForReadingTest, TellsMissingFromUnreadable) {
    const auto& [name, holder, expectedFailure, cause] = GetParam();
    std::filesystem::create_directory(PathOf("folder"));
    const std::string path = PathOf(name);
    WriteFile(PathOf("held.dat"), Pattern(10));
    std::unique_ptr<ByteFile> reader;
    std::optional<probe::ForeignHold> foreign;
    if (holder == Holder::OurReader) reader = Open(path);
    if (holder == Holder::AnotherProgram) {
        foreign.emplace(path);
        ASSERT_TRUE(foreign->Holding());
    }

    OpenFailure failure{};
    std::string error;
    EXPECT_EQ(files_.OpenForReading(path, failure, error), nullptr);
    EXPECT_EQ(failure, expectedFailure);
    EXPECT_EQ(error, holder == Holder::Nobody ? CauseOf(cause)
                                              : "the file is in use by another program");
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OpenForReadingTest,
    ::testing::Values(
        OpenFailureCase{"none.dat", Holder::Nobody, OpenFailure::Missing, FileError::NoSuchFile},
        OpenFailureCase{"none/memo.dat", Holder::Nobody, OpenFailure::Missing,
                        FileError::NoSuchFolder},
        OpenFailureCase{"folder", Holder::Nobody, OpenFailure::Unreadable, FileError::IsAFolder},
        OpenFailureCase{"held.dat", Holder::OurReader, OpenFailure::Unreadable, {}},
        OpenFailureCase{"held.dat", Holder::AnotherProgram, OpenFailure::Unreadable, {}}),
    [](const auto& testCase) {
        std::string name = testCase.param.name;
        std::erase_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
        return name + (testCase.param.holder == Holder::AnotherProgram ? "ByAnotherProgram" : "");
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
    EXPECT_TRUE(files_.SyncFolderOf(to, error)) << error;

    EXPECT_FALSE(files_.Replace(from, to, error));
    EXPECT_EQ(error, CauseOf(FileError::NoSuchFile));
    EXPECT_EQ(ReadFile(to), Pattern(40));
}

TEST_F(FilesTest, SyncFolderOfAPathWithoutAFolderSyncsTheWorkingFolder) {
    std::string error;
    EXPECT_TRUE(files_.SyncFolderOf("memo.dat", error)) << error;
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
    EXPECT_EQ(error, CauseOf(FileError::AlreadyExists));
    EXPECT_EQ(ReadFile(to), Pattern(150'000));
}

struct CopyFailureCase {
    const char* name;
    FileError cause;
};

class CopyToNewFailureTest : public FilesTest,
                             public ::testing::WithParamInterface<CopyFailureCase> {};

TEST_P(CopyToNewFailureTest, LeavesNoPartOfTheCopy) {
    const auto& [name, cause] = GetParam();
    std::filesystem::create_directory(PathOf("folder"));
    std::string error;
    EXPECT_FALSE(files_.CopyToNew(PathOf(name), PathOf("copy.dat"), error));
    EXPECT_EQ(error, CauseOf(cause));
    EXPECT_FALSE(files_.Exists(PathOf("copy.dat")));
}

INSTANTIATE_TEST_SUITE_P(Sources, CopyToNewFailureTest,
                         ::testing::Values(CopyFailureCase{"none.dat", FileError::NoSuchFile},
                                           CopyFailureCase{"folder", FileError::IsAFolder}),
                         [](const auto& testCase) {
                             std::string name = testCase.param.name;
                             std::erase_if(name, [](char c) { return c == '.'; });
                             return name;
                         });

TEST_F(FilesTest, ExistsAndRemove) {
    const std::string path = PathOf("memo.dat");
    EXPECT_FALSE(files_.Exists(path));
    EXPECT_FALSE(files_.Exists(PathOf("none/memo.dat")));
    WriteFile(path, Pattern(1));
    EXPECT_TRUE(files_.Exists(path));
    std::string error;
    EXPECT_TRUE(files_.Remove(path, error)) << error;
    EXPECT_FALSE(files_.Exists(path));
    EXPECT_FALSE(files_.Remove(path, error));
    EXPECT_EQ(error, CauseOf(FileError::NoSuchFile));
}

}  // namespace
}  // namespace tavrin::platform
