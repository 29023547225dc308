// What only the POSIX file backend does: the folder of a saved file is
// synced by itself, so a missing folder is a failure; symbolic links are
// followed to the file they lead to; a new file takes the permissions and owner of the file it replaces.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/byte_file.h"
#include "support/scratch_folder.h"

using tavrin::testing::ScratchFolder;

namespace tavrin::platform {
namespace {

namespace fs = std::filesystem;

TEST(PosixFilesTest, SyncFolderOfAMissingFolderFailsWithTheCause) {
    const ScratchFolder scratch;
    std::string error;
    EXPECT_TRUE(LocalFileSystem().SyncFolderOf(scratch.PathOf("memo.dat"), error)) << error;
    EXPECT_FALSE(LocalFileSystem().SyncFolderOf(scratch.PathOf("none/memo.dat"), error));
    EXPECT_EQ(error, "No such file or directory");
}

struct LinkCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> links;  // name, what it points to
    const char* target;                                      // empty: resolving fails
    const char* cause;
};

class ResolveLinksTest : public ::testing::TestWithParam<LinkCase> {};

TEST_P(ResolveLinksTest, FollowsEveryLinkToTheEnd) {
    const ScratchFolder scratch;
    fs::create_directory(scratch.Folder() / "sub");
    ScratchFolder::WriteFile(scratch.PathOf("sub/real.dat"), {1});
    for (const auto& [name, pointsTo] : GetParam().links) {
        fs::create_symlink(pointsTo, scratch.PathOf(name));
    }
    std::string target;
    std::string error;
    const bool resolved = LocalFileSystem().ResolveLinks(scratch.PathOf("memo.dat"), target, error);
    if (*GetParam().target == '\0') {
        EXPECT_FALSE(resolved);
        EXPECT_EQ(error, GetParam().cause);
    } else {
        ASSERT_TRUE(resolved) << error;
        EXPECT_EQ(fs::weakly_canonical(target), fs::weakly_canonical(scratch.PathOf(GetParam().target)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Links, ResolveLinksTest,
    ::testing::Values(
        LinkCase{"Relative", {{"memo.dat", "sub/real.dat"}}, "sub/real.dat", ""},
        LinkCase{"Chain", {{"memo.dat", "sub/hop.dat"}, {"sub/hop.dat", "real.dat"}}, "sub/real.dat", ""},
        LinkCase{"Dangling", {{"memo.dat", "sub/new.dat"}}, "sub/new.dat", ""},
        LinkCase{"Circle", {{"memo.dat", "other.dat"}, {"other.dat", "memo.dat"}}, "",
                 "Too many levels of symbolic links"},
        LinkCase{"ThroughAFile", {{"memo.dat", "sub/real.dat/x"}}, "", "Not a directory"}),
    [](const auto& test) { return std::string(test.param.name); });

// Remaining() is asked before every page of a load, and the file is read
// ahead in blocks: the count must follow the reads, and still see bytes that
// another program appended once the reading reaches the old end.
TEST(PosixFilesTest, RemainingFollowsTheReadsAndSeesBytesAppendedMeanwhile) {
    const ScratchFolder scratch;
    const std::string path = scratch.PathOf("memo.dat");
    ScratchFolder::WriteFile(path, std::vector<std::uint8_t>(100'000, 7));
    OpenFailure failure{};
    std::string error;
    const auto file = LocalFileSystem().OpenForReading(path, failure, error);
    ASSERT_NE(file, nullptr) << error;
    std::vector<std::uint8_t> bytes(30'000);
    for (std::uint64_t left : {70'000u, 40'000u, 10'000u}) {
        ASSERT_TRUE(file->Read(bytes.data(), 30'000));
        EXPECT_EQ(file->Remaining(), left);
    }
    std::ofstream(path, std::ios::binary | std::ios::app) << "abc";
    ASSERT_TRUE(file->Read(bytes.data(), 10'000));
    EXPECT_EQ(file->Remaining(), 3u);
    ASSERT_TRUE(file->Read(bytes.data(), 3));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 3), "abc");
    EXPECT_EQ(file->Remaining(), 0u);
}

TEST(PosixFilesTest, ADanglingLinkExists) {
    const ScratchFolder scratch;
    fs::create_symlink("nowhere", scratch.PathOf("memo.dat"));
    EXPECT_TRUE(LocalFileSystem().Exists(scratch.PathOf("memo.dat")));
}

struct ModeCase {
    mode_t mode;  // 0: no file to replace
    mode_t expected;
};

class NewFileModeTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(NewFileModeTest, HasThePermissionsOfTheFileItReplaces) {
    const ScratchFolder scratch;
    const std::string path = scratch.PathOf("memo.dat");
    if (GetParam().mode != 0) {
        ScratchFolder::WriteFile(path, {1});
        ASSERT_EQ(::chmod(path.c_str(), GetParam().mode), 0);
    }
    const mode_t mask = ::umask(022);
    std::string temporary;
    std::string error;
    auto file = LocalFileSystem().CreateTemporaryFor(path, temporary, error);
    ::umask(mask);
    ASSERT_NE(file, nullptr) << error;
    struct stat status {};
    ASSERT_EQ(::stat(temporary.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Modes, NewFileModeTest,
                         ::testing::Values(ModeCase{0600, 0600}, ModeCase{0640, 0640},
                                           ModeCase{0666, 0666}, ModeCase{0, 0644}));

TEST(PosixFilesTest, ANewFileHasTheOwnerOfTheFileItReplacesWhereTheProgramMay) {
    if (::geteuid() != 0) GTEST_SKIP() << "only a privileged program may give files away";
    const ScratchFolder scratch;
    const std::string path = scratch.PathOf("memo.dat");
    ScratchFolder::WriteFile(path, {1});
    ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);
    std::string temporary;
    std::string error;
    auto file = LocalFileSystem().CreateTemporaryFor(path, temporary, error);
    ASSERT_NE(file, nullptr) << error;
    struct stat status {};
    ASSERT_EQ(::stat(temporary.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 4321u);
    EXPECT_EQ(status.st_gid, 4322u);
}

TEST(PosixFilesTest, ANewFileForAFolderIsRefusedAndLeavesNothing) {
    const ScratchFolder scratch;
    fs::create_directory(scratch.PathOf("memo.dat"));
    std::string temporary;
    std::string error;
    EXPECT_EQ(LocalFileSystem().CreateTemporaryFor(scratch.PathOf("memo.dat"), temporary, error),
              nullptr);
    EXPECT_EQ(error, "not a regular file");
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.Folder()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace tavrin::platform
