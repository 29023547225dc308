#include "store/memo_backups.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/calendar_time.h"
#include "support/fixed_clock.h"
#include "support/scratch_folder.h"

namespace tavrin {
namespace {

using testing::ScratchFolder;

TEST(ConflictCopies, AreKnownByTheNamesSyncToolsGiveThem) {
    const struct {
        const char* name;
        bool copy;
    } cases[] = {
        {"tavrin.sync-conflict-20251203-101112-ABCDEF7.dat", true},     // Syncthing
        {"tavrin (conflicted copy 2025-12-03 101112).dat", true},        // Nextcloud, ownCloud
        {"tavrin (Ann's conflicted copy 2025-12-03).dat", true},         // Dropbox
        {"tavrin (conflicted copy).dat", true},                          // Dropbox, older
        {"tavrin.dat", false},
        {"tavrin.dat.saved-1", false},
        {"tavrin.sync-conflict-20251203-101112-ABCDEF7.dat.tmp", false},
        {"other.sync-conflict-20251203-101112-ABCDEF7.dat", false},
        {"tavrinx (conflicted copy 2025-12-03 101112).dat", false},
        {"tavrin (conflicted copy 2025-12-03 101112).txt", false},
        {"tavrin (copy).dat", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsConflictCopy(c.name, "tavrin.dat"), c.copy) << c.name;
    // Characters that mean something to a pattern stand for themselves.
    EXPECT_TRUE(IsConflictCopy("my.memos+ (conflicted copy 2025-12-03 101112).dat", "my.memos+.dat"));
    EXPECT_FALSE(IsConflictCopy("myXmemos (conflicted copy 2025-12-03 101112).dat", "my.memos.dat"));
}

TEST(ConflictCopies, AreFoundBesideTheDataFile) {
    ScratchFolder folder;
    for (const char* name : {"tavrin.dat", "tavrin (conflicted copy 2025-12-03 101112).dat",
                             "tavrin.sync-conflict-20251203-101112-ABCDEF7.dat", "notes.txt"}) {
        ScratchFolder::WriteFile(folder.PathOf(name), {1});
    }
    EXPECT_EQ(ConflictCopiesOf(platform::LocalFileSystem(), folder.PathOf("tavrin.dat")),
              (std::vector<std::string>{folder.PathOf("tavrin (conflicted copy 2025-12-03 101112).dat"),
                                        folder.PathOf("tavrin.sync-conflict-20251203-101112-ABCDEF7.dat")}));
}

class MemoBackupsTest : public ::testing::Test {
protected:
    std::vector<std::string> Backups() const { return ScratchFolder::NamesIn(folder.PathOf("state/backups")); }

    ScratchFolder folder;
    std::string dataPath = folder.PathOf("tavrin.dat");
    testing::FixedClock clock{testing::Time(2026, 12, 1, 9, 0, 0)};
    MemoBackups backups{platform::LocalFileSystem(), folder.PathOf("state/backups"), clock};
};

// One copy a day, made before the day's first save, the last seven days'
// kept; the copy is the file as it was before that save.
TEST_F(MemoBackupsTest, KeepsTheFileAsItWasBeforeEachDaysFirstSave) {
    std::string cause;
    EXPECT_TRUE(backups.BeforeReplacing(dataPath, cause)) << cause;
    EXPECT_FALSE(std::filesystem::exists(folder.PathOf("state"))) << "no file yet, nothing to keep";
    for (std::uint8_t day = 1; day <= 9; ++day) {
        clock.now = testing::Time(2026, 12, day, 9, 0, 0);
        ScratchFolder::WriteFile(dataPath, {day});
        ASSERT_TRUE(backups.BeforeReplacing(dataPath, cause)) << cause;
        ScratchFolder::WriteFile(dataPath, {static_cast<std::uint8_t>(day + 100)});
        ASSERT_TRUE(backups.BeforeReplacing(dataPath, cause)) << cause;  // the day's second save
    }
    const std::vector<std::string> kept = Backups();
    ASSERT_EQ(kept.size(), MemoBackups::kKeptDays);
    EXPECT_TRUE(kept.front().starts_with("tavrin-")) << kept.front();
    EXPECT_TRUE(kept.front().ends_with("-2026-12-03.dat")) << kept.front();
    EXPECT_TRUE(kept.back().ends_with("-2026-12-09.dat")) << kept.back();
    EXPECT_EQ(ScratchFolder::ReadFile(folder.PathOf("state/backups/" + kept.back())), std::vector<std::uint8_t>{9});
    EXPECT_EQ(std::filesystem::status(folder.PathOf("state/backups")).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
}

// Two data files of the same name in different folders keep apart.
TEST_F(MemoBackupsTest, CopiesOfDifferentFilesDoNotMix) {
    std::filesystem::create_directory(folder.PathOf("other"));
    const std::string otherPath = folder.PathOf("other/tavrin.dat");
    ScratchFolder::WriteFile(dataPath, {1});
    ScratchFolder::WriteFile(otherPath, {2});
    std::string cause;
    ASSERT_TRUE(backups.BeforeReplacing(dataPath, cause)) << cause;
    ASSERT_TRUE(backups.BeforeReplacing(otherPath, cause)) << cause;
    ASSERT_EQ(Backups().size(), 2U);
    EXPECT_NE(Backups()[0], Backups()[1]);
}

TEST_F(MemoBackupsTest, KeepMovesAFileInUnderAFreeName) {
    const std::string copy = folder.PathOf("tavrin (conflicted copy 2025-12-03 101112).dat");
    std::string cause;
    for (std::uint8_t i = 1; i <= 2; ++i) {
        ScratchFolder::WriteFile(copy, {i});
        ASSERT_TRUE(backups.Keep(copy, cause)) << cause;
        EXPECT_FALSE(std::filesystem::exists(copy));
    }
    EXPECT_EQ(Backups(), (std::vector<std::string>{"tavrin (conflicted copy 2025-12-03 101112).dat",
                                                   "tavrin (conflicted copy 2025-12-03 101112).dat.2"}));
}

TEST_F(MemoBackupsTest, AFolderThatCantBeMadeIsTold) {
    ScratchFolder::WriteFile(folder.PathOf("state"), {0});  // a file where the folder would go
    ScratchFolder::WriteFile(dataPath, {1});
    std::string cause;
    EXPECT_FALSE(backups.BeforeReplacing(dataPath, cause));
    EXPECT_NE(cause.find("could not make the backup folder"), std::string::npos) << cause;
}

}  // namespace
}  // namespace tavrin
