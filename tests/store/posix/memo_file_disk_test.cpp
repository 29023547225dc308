// Saving and loading on the real file system against what other programs and
// other users do to the file meanwhile: links planted beside it or in its
// place, a data file that is itself a link, permissions, a second program
// holding the file, and two programs saving at once. POSIX only: the tests
// fork.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "store/memo_backups.h"
#include "store/memo_file.h"
#include "support/calendar_time.h"
#include "support/fixed_clock.h"
#include "support/memo_lists.h"
#include "support/scratch_folder.h"

namespace tavrin {
namespace {

namespace fs = std::filesystem;
using testing::MakeTaggedList;
using testing::ScratchFolder;
using testing::Tags;
using Bytes = std::vector<std::uint8_t>;

// Runs `work` in a child process, which ends with 0 when it returns true.
pid_t RunInChild(const std::function<bool()>& work) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(work() ? 0 : 1);
    return pid;
}

bool EndedWell(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Another program that takes the file for itself with an exclusive lock, as
// a program writing it in place would, until the test lets it go (or, with
// a hold time, by itself after that time).
class ForeignLock {
public:
    explicit ForeignLock(const std::string& path, int holdMilliseconds = -1) {
        int held[2];
        int release[2];
        if (::pipe(held) != 0 || ::pipe(release) != 0) return;
        pid_ = RunInChild([&] {
            ::close(held[0]);
            ::close(release[1]);
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0 || ::flock(fd, LOCK_EX) != 0) return false;
            const char yes = 'y';
            if (::write(held[1], &yes, 1) != 1) return false;
            if (holdMilliseconds >= 0) {
                ::usleep(static_cast<useconds_t>(holdMilliseconds) * 1000);
            } else {
                char none = 0;
                while (::read(release[0], &none, 1) > 0) {
                }
            }
            return true;
        });
        ::close(held[1]);
        ::close(release[0]);
        release_ = release[1];
        char answer = 0;
        holding_ = ::read(held[0], &answer, 1) == 1;
        ::close(held[0]);
    }
    ~ForeignLock() { EXPECT_TRUE(Release()); }
    ForeignLock(const ForeignLock&) = delete;
    ForeignLock& operator=(const ForeignLock&) = delete;

    bool Holding() const { return holding_; }
    bool Release() {
        if (release_ >= 0) ::close(std::exchange(release_, -1));
        return pid_ <= 0 || EndedWell(std::exchange(pid_, 0));
    }

private:
    pid_t pid_ = 0;
    int release_ = -1;
    bool holding_ = false;
};

class MemoFileDiskTest : public ::testing::Test {
protected:
    // The bytes the store writes for a list of memos 1 to `count`.
    Bytes SaveTagged(const std::string& path, std::uint32_t count) {
        auto list = MakeTaggedList(count, 1);
        testing::DrawTaggedPages(*list, 16, 8);
        MemoFile file(platform::LocalFileSystem());
        EXPECT_EQ(file.Save(*list, path), 1) << file.LastError();
        return ScratchFolder::ReadFile(path);
    }

    std::vector<std::uint32_t> LoadTags(const std::string& path) {
        MemoList list;
        MemoFile file(platform::LocalFileSystem());
        if (file.Load(list, path).outcome != LoadOutcome::ReadWhole) return {};
        return Tags(list);
    }

    static mode_t ModeOf(const std::string& path) {
        struct stat status {};
        EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
        return status.st_mode;
    }

    ScratchFolder scratch_;
    std::string path_ = scratch_.PathOf("memo.dat");
    std::unique_ptr<MemoList> list_ = MakeTaggedList(3, 2);
    MemoFile file_{platform::LocalFileSystem()};
};

// --- Links planted where a save writes --------------------------------------

struct PlantedLinkCase {
    const char* name;
    bool symbolic;
};

void PrintTo(const PlantedLinkCase& c, std::ostream* os) { *os << c.name; }

class PlantedLinkTest : public MemoFileDiskTest,
                        public ::testing::WithParamInterface<PlantedLinkCase> {};

// Another user who can write the folder plants a link at the name a save
// used to write to; the save must neither write through it nor turn the data
// file into the planted file.
TEST_P(PlantedLinkTest, ASaveWritesNothingThroughIt) {
    const std::string victim = scratch_.PathOf("victim");
    const Bytes victimBytes = {'k', 'e', 'e', 'p'};
    ScratchFolder::WriteFile(victim, victimBytes);
    SaveTagged(path_, 1);
    const std::string planted = path_ + ".saving";
    if (GetParam().symbolic) {
        fs::create_symlink(victim, planted);
    } else {
        fs::create_hard_link(victim, planted);
    }

    ASSERT_EQ(file_.Save(*list_, path_), 1) << file_.LastError();
    EXPECT_EQ(ScratchFolder::ReadFile(victim), victimBytes);
    EXPECT_EQ(ScratchFolder::ReadFile(planted), victimBytes);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path_)));
    EXPECT_EQ(fs::hard_link_count(path_), 1u);
    EXPECT_EQ(LoadTags(path_), Tags(*list_));
}

INSTANTIATE_TEST_SUITE_P(Links, PlantedLinkTest,
                         ::testing::Values(PlantedLinkCase{"Symbolic", true},
                                           PlantedLinkCase{"Hard", false}),
                         [](const auto& test) { return std::string(test.param.name); });

// --- Two programs saving at once ----------------------------------------------

// Two programs save the same file in turns of their own while a third reads
// it: no save fails, and every read finds one whole file or the other.
TEST_F(MemoFileDiskTest, TwoProgramsSavingAtOnceNeverFailAndNeverTearTheFile) {
    constexpr int kSaves = 300;
    auto two = MakeTaggedList(2, 1);
    auto five = MakeTaggedList(5, 3);
    testing::DrawTaggedPages(*two, 64, 64);
    testing::DrawTaggedPages(*five, 64, 64);
    ASSERT_EQ(file_.Save(*two, path_), 1) << file_.LastError();
    // Each save is a program's first, so that it writes its list whole
    // rather than merging in what the other wrote.
    const auto saveMany = [&](MemoList& list) {
        return [&] {
            for (int i = 0; i < kSaves; ++i) {
                MemoFile file(platform::LocalFileSystem());
                if (file.Save(list, path_) != 1) {
                    std::fprintf(stderr, "save %d failed: %s\n", i, file.LastError().c_str());
                    return false;
                }
            }
            return true;
        };
    };
    const pid_t first = RunInChild(saveMany(*two));
    const pid_t second = RunInChild(saveMany(*five));

    int reads = 0;
    int torn = 0;
    int status = 0;
    while (::waitpid(second, &status, WNOHANG) == 0) {
        const auto tags = LoadTags(path_);
        if (tags != Tags(*two) && tags != Tags(*five)) ++torn;
        ++reads;
    }
    EXPECT_TRUE(EndedWell(first));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    EXPECT_GT(reads, 0);
    EXPECT_EQ(testing::ScratchFolder::NamesIn(scratch_.Folder()), std::vector<std::string>{"memo.dat"});
}

// --- The file's properties ----------------------------------------------------

class KeptModeTest : public MemoFileDiskTest, public ::testing::WithParamInterface<mode_t> {};

TEST_P(KeptModeTest, ASaveKeepsTheFilesPermissions) {
    SaveTagged(path_, 1);
    ASSERT_EQ(::chmod(path_.c_str(), GetParam()), 0);
    ASSERT_EQ(file_.Save(*list_, path_), 1) << file_.LastError();
    EXPECT_EQ(ModeOf(path_) & 07777, GetParam());
    EXPECT_EQ(LoadTags(path_), Tags(*list_));
}

INSTANTIATE_TEST_SUITE_P(Modes, KeptModeTest, ::testing::Values(0600, 0640, 0664, 0400));

// Where the program may give a file away (as root), the new file has the old
// one's owner and group; elsewhere they are the saving user's anyway.
TEST_F(MemoFileDiskTest, ASaveKeepsTheFilesOwnerWhereItMay) {
    SaveTagged(path_, 1);
    const bool mayGiveAway = ::geteuid() == 0;
    const uid_t owner = mayGiveAway ? 4321 : ::geteuid();
    const gid_t group = mayGiveAway ? 4322 : ::getegid();
    ASSERT_EQ(::chown(path_.c_str(), owner, group), 0);
    ASSERT_EQ(file_.Save(*list_, path_), 1) << file_.LastError();
    struct stat status {};
    ASSERT_EQ(::stat(path_.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, owner);
    EXPECT_EQ(status.st_gid, group);
}

// Memos are private: every file a save makes anew is the user's alone, even
// under the common umask 022 that would leave it readable by everyone.
TEST_F(MemoFileDiskTest, EveryNewFileIsTheUsersAlone) {
    const mode_t mask = ::umask(022);
    // A new data file, then a copy of it aside once it turns out unreadable,
    // then the memos beside it.
    const bool saved = file_.Save(*list_, path_) == 1;
    Bytes damaged = ScratchFolder::ReadFile(path_);
    damaged[0] = 'X';
    ScratchFolder::WriteFile(path_, damaged);
    ASSERT_EQ(::chmod(path_.c_str(), 0644), 0);
    MemoList loaded;
    file_.Load(loaded, path_);
    const bool copied = file_.Save(*list_, path_) == 1;
    const bool beside = file_.SaveBeside(*list_, path_).has_value();
    ::umask(mask);
    ASSERT_TRUE(saved && copied && beside) << file_.LastError();
    EXPECT_EQ(ModeOf(path_ + ".unreadable-1") & 07777, 0600u);
    EXPECT_EQ(ModeOf(path_ + ".saved-1") & 07777, 0600u);
    // The data file itself was there: it keeps its permissions.
    EXPECT_EQ(ModeOf(path_) & 07777, 0644u);
    fs::remove(path_);
    ASSERT_EQ(file_.Save(*list_, path_), 1) << file_.LastError();
    EXPECT_EQ(ModeOf(path_) & 07777, 0600u);
}

// The daily copy of the data file is as private as any new file, and so is
// the folder the copies are kept in.
TEST_F(MemoFileDiskTest, ADailyBackupIsTheUsersAlone) {
    SaveTagged(path_, 2);
    ASSERT_EQ(::chmod(path_.c_str(), 0644), 0);
    const testing::FixedClock clock(testing::Time(2026, 3, 14, 9, 0, 0, 0));
    MemoBackups backups(platform::LocalFileSystem(), scratch_.PathOf("state/backups"), clock);
    const mode_t mask = ::umask(022);
    std::string cause;
    const bool copied = backups.BeforeReplacing(path_, cause);
    ::umask(mask);
    ASSERT_TRUE(copied) << cause;
    const std::vector<std::string> names = ScratchFolder::NamesIn(backups.Folder());
    ASSERT_EQ(names.size(), 1U);
    EXPECT_EQ(ModeOf(backups.Folder() + "/" + names[0]) & 07777, 0600u);
    EXPECT_EQ(ModeOf(backups.Folder()) & 07777, 0700u);
}

// --- A link another user puts in the data file's place after the load ----------

struct LinkAfterLoadCase {
    const char* name;
    bool fileAtLoad;  // else no file
    bool linkAtLoad;  // the other user's link was already there at the load
    bool followed;
};

void PrintTo(const LinkAfterLoadCase& c, std::ostream* os) { *os << c.name; }

class LinkAfterLoadTest : public MemoFileDiskTest,
                          public ::testing::WithParamInterface<LinkAfterLoadCase> {};

// Someone else who may write the folder swaps a link to a file of the user's
// in for the data file while the program runs: the save must not write the
// memos over that file. A link of theirs that was there at the load (an
// administrator's, say) is the data file as the user knows it, and followed.
TEST_P(LinkAfterLoadTest, ASaveFollowsNoLinkPlantedSinceTheLoad) {
    if (::geteuid() != 0) GTEST_SKIP() << "only a privileged program may give links away";
    const LinkAfterLoadCase& c = GetParam();
    const std::string victim = scratch_.PathOf("victim");
    const Bytes victimBytes = SaveTagged(victim, 5);
    const auto plant = [&] {
        fs::remove(path_);
        fs::create_symlink(victim, path_);
        return ::lchown(path_.c_str(), 4321, static_cast<gid_t>(-1)) == 0;
    };
    if (c.fileAtLoad) SaveTagged(path_, 2);
    if (c.linkAtLoad) {
        ASSERT_TRUE(plant());
    }
    MemoList loaded;
    file_.Load(loaded, path_);
    if (!c.linkAtLoad) {
        ASSERT_TRUE(plant());
    }

    ASSERT_EQ(file_.Save(*list_, path_), c.followed ? 1 : 0);
    if (c.followed) {
        EXPECT_EQ(LoadTags(victim), Tags(*list_));
        return;
    }
    EXPECT_EQ(file_.LastError(), "Could not save " + path_ + ": " + path_ +
                                     " is now a symbolic link of another user (user id 4321) "
                                     "that was not there when the file was read, so it is not "
                                     "followed");
    EXPECT_EQ(ScratchFolder::ReadFile(victim), victimBytes);
    EXPECT_EQ(fs::read_symlink(path_), victim);
    // Nor is the file it leads to taken for the data file changed elsewhere.
    EXPECT_EQ(Tags(*list_), Tags(*MakeTaggedList(3, 2)));
    // The memos still have a way out.
    EXPECT_EQ(file_.SaveBeside(*list_, path_), path_ + ".saved-1") << file_.LastError();
    EXPECT_EQ(LoadTags(path_ + ".saved-1"), Tags(*list_));
}

INSTANTIATE_TEST_SUITE_P(
    Links, LinkAfterLoadTest,
    ::testing::Values(LinkAfterLoadCase{"InPlaceOfTheFile", true, false, false},
                      LinkAfterLoadCase{"WhereNoFileWas", false, false, false},
                      LinkAfterLoadCase{"ThereAtTheLoad", false, true, true}),
    [](const auto& test) { return std::string(test.param.name); });

// --- A data file that is a symbolic link ----------------------------------------

struct DataLinkCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> links;  // name, what it points to
    std::string target;                                        // where the memos end up
};

void PrintTo(const DataLinkCase& c, std::ostream* os) { *os << c.name; }

class DataFileLinkTest : public MemoFileDiskTest,
                         public ::testing::WithParamInterface<DataLinkCase> {};

// A data file kept elsewhere through a link (a synced folder, a second
// disk) stays where it is: the save goes through the link to its target, and
// the link stays a link. A link to a file that doesn't exist yet makes it.
TEST_P(DataFileLinkTest, ASaveGoesThroughTheLinkToItsTarget) {
    fs::create_directory(scratch_.PathOf("elsewhere"));
    const std::string target = scratch_.PathOf(GetParam().target);
    if (GetParam().name != std::string("Dangling")) {
        SaveTagged(target, 1);
        ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    }
    for (const auto& [name, pointsTo] : GetParam().links) {
        fs::create_symlink(pointsTo, scratch_.PathOf(name));
    }

    ASSERT_EQ(file_.Save(*list_, path_), 1) << file_.LastError();
    EXPECT_TRUE(fs::is_symlink(path_));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(target)));
    EXPECT_EQ(LoadTags(target), Tags(*list_));
    EXPECT_EQ(LoadTags(path_), Tags(*list_));
    if (GetParam().name != std::string("Dangling")) {
        EXPECT_EQ(ModeOf(target) & 0777, 0600u);
    }
    for (const auto& [name, pointsTo] : GetParam().links) {
        EXPECT_EQ(fs::read_symlink(scratch_.PathOf(name)), pointsTo);
    }
    for (const auto& item : fs::recursive_directory_iterator(scratch_.Folder())) {
        EXPECT_EQ(item.path().string().find(".saving"), std::string::npos) << item.path();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Links, DataFileLinkTest,
    ::testing::Values(
        DataLinkCase{"Relative", {{"memo.dat", "elsewhere/real.dat"}}, "elsewhere/real.dat"},
        DataLinkCase{"Chain",
                     {{"memo.dat", "elsewhere/hop.dat"}, {"elsewhere/hop.dat", "real.dat"}},
                     "elsewhere/real.dat"},
        DataLinkCase{"Dangling", {{"memo.dat", "elsewhere/real.dat"}}, "elsewhere/real.dat"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(MemoFileDiskTest, AnAbsoluteLinkIsFollowedToo) {
    fs::create_directory(scratch_.PathOf("elsewhere"));
    const std::string target = scratch_.PathOf("elsewhere/real.dat");
    SaveTagged(target, 1);
    fs::create_symlink(target, path_);
    ASSERT_EQ(file_.Save(*list_, path_), 1) << file_.LastError();
    EXPECT_EQ(fs::read_symlink(path_), target);
    EXPECT_EQ(LoadTags(target), Tags(*list_));
}

TEST_F(MemoFileDiskTest, ALinkThatLeadsInACircleIsNotSavedThrough) {
    fs::create_symlink("other.dat", path_);
    fs::create_symlink("memo.dat", scratch_.PathOf("other.dat"));
    EXPECT_EQ(file_.Save(*list_, path_), 0);
    EXPECT_NE(file_.LastError().find(path_), std::string::npos) << file_.LastError();
    EXPECT_EQ(testing::ScratchFolder::NamesIn(scratch_.Folder()), (std::vector<std::string>{"memo.dat", "other.dat"}));
    EXPECT_TRUE(fs::is_symlink(path_));
}

// --- A file another program holds ------------------------------------------------

TEST_F(MemoFileDiskTest, ALoadWaitsAMomentForAFileAnotherProgramHolds) {
    SaveTagged(path_, 4);
    ForeignLock lock(path_, 300);
    ASSERT_TRUE(lock.Holding());
    EXPECT_EQ(LoadTags(path_), (std::vector<std::uint32_t>{1, 2, 3, 4}));
}

// A file held past the wait can't be read; its memos are not in the list, so
// a save over it would lose them: it is refused, with the file and the cause
// named, and the file stays as it is, without a copy.
TEST_F(MemoFileDiskTest, AFileThatCouldNotBeReadIsNeverSavedOver) {
    const Bytes old = SaveTagged(path_, 4);
    MemoList list;
    {
        ForeignLock lock(path_);
        ASSERT_TRUE(lock.Holding());
        EXPECT_EQ(file_.Load(list, path_).outcome, LoadOutcome::NotOpened);
    }
    EXPECT_EQ(file_.Save(list, path_), 0);
    EXPECT_NE(file_.LastError().find("Could not save " + path_), std::string::npos)
        << file_.LastError();
    EXPECT_NE(file_.LastError().find("in use by another program"), std::string::npos)
        << file_.LastError();
    EXPECT_EQ(ScratchFolder::ReadFile(path_), old);
    EXPECT_EQ(testing::ScratchFolder::NamesIn(scratch_.Folder()), std::vector<std::string>{"memo.dat"});
}

}  // namespace
}  // namespace tavrin
