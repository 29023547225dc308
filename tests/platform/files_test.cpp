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

    // A new file for the next content of `target`, checked to be one.
    std::unique_ptr<ByteFile> CreateFor(const std::string& target, std::string& temporary) {
        std::string error;
        auto file = files_.CreateTemporaryFor(target, temporary, error);
        EXPECT_NE(file, nullptr) << error;
        return file;
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
    std::string temporary;
    auto out = CreateFor(path, temporary);
    ASSERT_NE(out, nullptr);
    ASSERT_TRUE(out->Write(bytes.data(), bytes.size()));
    ASSERT_TRUE(out->Sync());
    ASSERT_TRUE(out->Close());
    std::string error;
    ReplaceNotes notes;
    ASSERT_TRUE(files_.Replace(temporary, path, error, notes)) << error;

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

// Skips within the bytes read ahead, past them, and up to the end; a skip
// past the end fails, and the reading goes on where it was.
TEST_F(FilesTest, SkippedBytesAreNotReadAndTheRestFollows) {
    const std::string path = PathOf("skips.dat");
    const auto bytes = Pattern(300'000);
    WriteFile(path, bytes);
    auto in = Open(path);
    ASSERT_NE(in, nullptr);
    std::size_t at = 0;
    for (const std::size_t skip : {std::size_t{0}, std::size_t{10}, std::size_t{1000},
                                   std::size_t{70'000}, std::size_t{150'000}}) {
        ASSERT_TRUE(in->Skip(skip)) << skip << ": " << in->LastError();
        at += skip;
        std::uint8_t next[2] = {};
        ASSERT_TRUE(in->Read(next, sizeof next));
        EXPECT_EQ(next[0], bytes[at]) << "after skipping " << skip;
        EXPECT_EQ(next[1], bytes[at + 1]) << "after skipping " << skip;
        at += sizeof next;
        EXPECT_EQ(in->Remaining(), bytes.size() - at);
    }
    EXPECT_FALSE(in->Skip(bytes.size() - at + 1));
    EXPECT_EQ(in->LastError(), "unexpected end of file");
    ASSERT_TRUE(in->Skip(bytes.size() - at - 1)) << in->LastError();
    std::uint8_t last = 0;
    ASSERT_TRUE(in->Read(&last, 1));
    EXPECT_EQ(last, bytes.back());
    EXPECT_EQ(in->Remaining(), 0u);
}

// Each new file has a name of its own beside the target, and nothing that
// already has a name is written: not the target, not a file at the name
// saves used to write to.
TEST_F(FilesTest, ANewFileForATargetIsOfItsOwn) {
    const std::string path = PathOf("memo.dat");
    WriteFile(path, Pattern(100));
    WriteFile(path + ".saving", Pattern(9));
    std::string first;
    std::string second;
    auto out = CreateFor(path, first);
    auto other = CreateFor(path, second);
    ASSERT_NE(out, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(first, second);
    for (const std::string& temporary : {first, second}) {
        EXPECT_EQ(temporary.rfind(path + ".saving-", 0), 0u) << temporary;
        EXPECT_TRUE(files_.Exists(temporary)) << temporary;
    }
    ASSERT_TRUE(out->Write("new", 3));
    ASSERT_TRUE(out->Close());
    EXPECT_EQ(ReadFile(first), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
    EXPECT_EQ(ReadFile(path), Pattern(100));
    EXPECT_EQ(ReadFile(path + ".saving"), Pattern(9));
}

TEST_F(FilesTest, ANewFileInAMissingFolderFailsWithTheCauseInOneLine) {
    std::string temporary;
    std::string error;
    EXPECT_EQ(files_.CreateTemporaryFor(PathOf("none/memo.dat"), temporary, error), nullptr);
    EXPECT_EQ(error, CauseOf(FileError::NoSuchFolder));
    ASSERT_FALSE(error.empty());
    EXPECT_NE(error.back(), '.') << "a sentence part, without the full stop";
    EXPECT_EQ(error.find('\n'), std::string::npos);
}

TEST_F(FilesTest, APathWithoutLinksResolvesToItself) {
    WriteFile(PathOf("memo.dat"), Pattern(3));
    for (const std::string& path : {PathOf("memo.dat"), PathOf("none.dat")}) {
        std::string target;
        std::string error;
        EXPECT_TRUE(files_.ResolveLinks(path, target, error)) << error;
        EXPECT_EQ(target, path);
    }
}

enum class Holder { Nobody, AnotherProgram };

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
    std::optional<probe::ForeignHold> foreign;
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
        OpenFailureCase{"held.dat", Holder::AnotherProgram, OpenFailure::Busy, {}}),
    [](const auto& testCase) {
        std::string name = testCase.param.name;
        std::erase_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
        return name + (testCase.param.holder == Holder::AnotherProgram ? "ByAnotherProgram" : "");
    });

TEST_F(FilesTest, AFileIsFreeAgainWhenItsHolderCloses) {
    const std::string path = PathOf("memo.dat");
    WriteFile(path, Pattern(10));
    std::optional<probe::ForeignHold> foreign(path);
    ASSERT_TRUE(foreign->Holding());
    foreign.reset();
    EXPECT_NE(Open(path), nullptr);
}

// Readers share the file, and a save may replace it while they read: they
// go on reading the old file, whole, and the next reader finds the new one.
TEST_F(FilesTest, ReadersShareTheFileAndASaveMayReplaceItMeanwhile) {
    const std::string path = PathOf("memo.dat");
    WriteFile(path, Pattern(1000));
    auto first = Open(path);
    auto second = Open(path);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);

    std::string temporary;
    auto out = CreateFor(path, temporary);
    ASSERT_NE(out, nullptr);
    ASSERT_TRUE(out->Write("new", 3));
    ASSERT_TRUE(out->Close());
    std::string error;
    ReplaceNotes notes;
    ASSERT_TRUE(files_.Replace(temporary, path, error, notes)) << error;

    std::vector<std::uint8_t> old(1000);
    ASSERT_TRUE(first->Read(old.data(), old.size())) << first->LastError();
    EXPECT_EQ(old, Pattern(1000));
    first.reset();
    second.reset();
    EXPECT_EQ(ReadFile(path), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
}

TEST_F(FilesTest, ReplaceRenamesOverTheTarget) {
    const std::string from = PathOf("memo.saving");
    const std::string to = PathOf("memo.dat");
    WriteFile(from, Pattern(40));
    WriteFile(to, Pattern(7));
    std::string error;
    ReplaceNotes notes;
    ASSERT_TRUE(files_.Replace(from, to, error, notes)) << error;
    EXPECT_EQ(ReadFile(to), Pattern(40));
    // Nothing is left beside it: no old file under another name.
    EXPECT_EQ(ScratchFolder::NamesIn(scratch_.Folder()), std::vector<std::string>{"memo.dat"});
    EXPECT_EQ(notes.warning, "");
    EXPECT_TRUE(files_.SyncFolderOf(to, error)) << error;

    EXPECT_FALSE(files_.Replace(from, to, error, notes));
    EXPECT_EQ(error, CauseOf(FileError::NoSuchFile));
    EXPECT_FALSE(notes.keepFrom);
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
