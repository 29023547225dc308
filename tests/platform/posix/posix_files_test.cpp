// What only the POSIX file backend does: the folder of a saved file is
// synced by itself, so a missing folder is a failure; symbolic links are
// followed to the file they lead to, as the kernel's protected_symlinks
// would; a new file takes the permissions and owner of the file it replaces,
// and is the user's alone where it replaces none.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
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
                                           ModeCase{0666, 0666}, ModeCase{0, 0600}));

// A copy kept aside (of an unreadable data file) is the user's alone,
// whatever the umask and the original's permissions.
TEST(PosixFilesTest, ACopyToANewNameIsTheUsersAlone) {
    const ScratchFolder scratch;
    const std::string path = scratch.PathOf("memo.dat");
    ScratchFolder::WriteFile(path, {1, 2, 3});
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    const mode_t mask = ::umask(022);
    std::string error;
    const bool copied = LocalFileSystem().CopyToNew(path, path + ".unreadable-1", error);
    ::umask(mask);
    ASSERT_TRUE(copied) << error;
    struct stat status {};
    ASSERT_EQ(::stat((path + ".unreadable-1").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
}

// --- Links as the kernel's protected_symlinks follows them --------------------

constexpr uid_t kOtherUser = 4321;
constexpr uid_t kFolderOwner = 4322;

struct ProtectedLinkCase {
    const char* name;
    mode_t sharedMode;      // of the folder that holds the link
    uid_t sharedOwner;      // 0: the user running the test
    uid_t linkOwner;        // 0: the user running the test
    bool throughOwnLink;    // the data file is a link of the user's own to the shared one
    bool followed;
};

class ProtectedLinkTest : public ::testing::TestWithParam<ProtectedLinkCase> {};

// Anybody may put a link in a sticky folder that anyone may write to (/tmp):
// a link there of another user's is followed only when the folder is theirs.
// Reading, copying and saving all follow links by the same rule, at every hop.
TEST_P(ProtectedLinkTest, FollowsALinkOnlyWhereTheKernelWould) {
    if (::geteuid() != 0) GTEST_SKIP() << "only a privileged program may give links away";
    const ProtectedLinkCase& c = GetParam();
    const ScratchFolder scratch;
    const fs::path shared = scratch.Folder() / "shared";
    fs::create_directory(shared);
    ASSERT_EQ(::chmod(shared.c_str(), c.sharedMode), 0);
    ASSERT_EQ(::chown(shared.c_str(), c.sharedOwner, static_cast<gid_t>(-1)), 0);
    const std::string real = scratch.PathOf("real.dat");
    ScratchFolder::WriteFile(real, {'m', 'e', 'm', 'o'});
    const std::string link = (shared / "memo.dat").string();
    fs::create_symlink(real, link);
    ASSERT_EQ(::lchown(link.c_str(), c.linkOwner, static_cast<gid_t>(-1)), 0);
    std::string path = link;
    if (c.throughOwnLink) {
        path = scratch.PathOf("memo.dat");
        fs::create_symlink(link, path);
    }

    FileSystem& files = LocalFileSystem();
    std::string target;
    std::string error;
    EXPECT_EQ(files.ResolveLinks(path, target, error), c.followed) << error;
    OpenFailure failure{};
    std::string openError;
    EXPECT_EQ(files.OpenForReading(path, failure, openError) != nullptr, c.followed) << openError;
    std::string copyError;
    EXPECT_EQ(files.CopyToNew(path, scratch.PathOf("copy.dat"), copyError), c.followed)
        << copyError;
    if (c.followed) {
        EXPECT_EQ(target, real);
        return;
    }
    const std::string cause = "the symbolic link " + link +
                              " belongs to another user and sits in a folder anyone may write "
                              "to, so it is not followed";
    EXPECT_EQ(error, cause);
    EXPECT_EQ(failure, OpenFailure::Unreadable);
    EXPECT_EQ(openError, cause);
    EXPECT_EQ(copyError, cause);
    EXPECT_FALSE(fs::exists(scratch.PathOf("copy.dat")));
}

INSTANTIATE_TEST_SUITE_P(
    Links, ProtectedLinkTest,
    ::testing::Values(
        ProtectedLinkCase{"OthersInASharedStickyFolder", 01777, 0, kOtherUser, false, false},
        ProtectedLinkCase{"OthersReachedThroughAnOwnLink", 01777, 0, kOtherUser, true, false},
        ProtectedLinkCase{"TheFolderOwnersOwn", 01777, kOtherUser, kOtherUser, false, true},
        ProtectedLinkCase{"OthersInAStickyFolderOfAnotherOwner", 01777, kFolderOwner, kOtherUser,
                          false, false},
        ProtectedLinkCase{"TheUsersOwn", 01777, kOtherUser, 0, false, true},
        ProtectedLinkCase{"OthersInAFolderWithoutTheStickyBit", 0777, 0, kOtherUser, false, true},
        ProtectedLinkCase{"OthersInAStickyFolderOnlyItsGroupWrites", 01775, 0, kOtherUser, false,
                          true}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(PosixFilesTest, ForeignLinkOwnerNamesOnlyAnotherUsersLink) {
    const ScratchFolder scratch;
    ScratchFolder::WriteFile(scratch.PathOf("file.dat"), {1});
    fs::create_symlink("file.dat", scratch.PathOf("own.dat"));
    FileSystem& files = LocalFileSystem();
    for (const char* name : {"file.dat", "own.dat", "none.dat"}) {
        EXPECT_EQ(files.ForeignLinkOwner(scratch.PathOf(name)), std::nullopt) << name;
    }
    if (::geteuid() != 0) GTEST_SKIP() << "only a privileged program may give links away";
    fs::create_symlink("file.dat", scratch.PathOf("other.dat"));
    ASSERT_EQ(::lchown(scratch.PathOf("other.dat").c_str(), kOtherUser, static_cast<gid_t>(-1)), 0);
    EXPECT_EQ(files.ForeignLinkOwner(scratch.PathOf("other.dat")), kOtherUser);
}

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
