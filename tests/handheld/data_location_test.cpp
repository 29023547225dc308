// Where the Linux notepad keeps its memos: beside the program only in a
// folder that is the user's alone, else in the per-user data folder.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "handheld/qt/data_location.h"
#include "support/scratch_folder.h"

namespace tavrin::handheld {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable, or unsets it, for the test's time.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedVariable() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

struct LocationCase {
    const char* name;
    mode_t mode;        // of the program's folder
    uid_t owner;        // 0: the user running the test
    bool beside;
};

class DataLocationTest : public ::testing::TestWithParam<LocationCase> {
protected:
    testing::ScratchFolder scratch_;
    fs::path programFolder_ = scratch_.Folder() / "bin";
    std::string program_ = (programFolder_ / "tavrin").string();
    std::string perUser_ = scratch_.PathOf("data/tavrin/tavrin.dat");
    ScopedVariable dataHome_{"XDG_DATA_HOME", scratch_.PathOf("data")};
    ScopedVariable chosen_{"TAVRIN_DATA_FILE", std::nullopt};
};

// Where others may write the program's folder, they could swap the data
// file or plant links beside it: the memos go to the per-user folder, and a
// data file left beside the program is named rather than silently dropped.
TEST_P(DataLocationTest, IsBesideTheProgramOnlyInAFolderOfTheUsersAlone) {
    const LocationCase& c = GetParam();
    if (c.owner != 0 && ::geteuid() != 0) GTEST_SKIP() << "only a privileged program may give folders away";
    fs::create_directory(programFolder_);
    testing::ScratchFolder::WriteFile(programFolder_ / "tavrin.dat", {1});
    ASSERT_EQ(::chmod(programFolder_.c_str(), c.mode), 0);
    ASSERT_EQ(::chown(programFolder_.c_str(), c.owner != 0 ? c.owner : ::geteuid(),
                      static_cast<gid_t>(-1)),
              0);

    const DataLocation location = DataFileLocation(program_);
    EXPECT_FALSE(location.named);
    if (c.beside) {
        EXPECT_EQ(location.path, (programFolder_ / "tavrin.dat").string());
        EXPECT_EQ(location.passedOver, "");
        return;
    }
    EXPECT_EQ(location.path, perUser_);
    EXPECT_EQ(location.passedOver, (programFolder_ / "tavrin.dat").string() +
                                       " is not used, as its folder is not yours alone: the "
                                       "memos are kept in " + perUser_ + " instead");
    struct stat folder {};
    ASSERT_EQ(::stat(fs::path(perUser_).parent_path().c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, DataLocationTest,
    ::testing::Values(LocationCase{"TheUsersOwn", 0755, 0, true},
                      LocationCase{"WritableByItsGroup", 0775, 0, false},
                      LocationCase{"WritableByOthers", 0757, 0, false},
                      LocationCase{"AnotherUsers", 0755, 4321, false}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(DataLocationTest, TheChosenFileComesFirst) {
    const ScopedVariable chosen("TAVRIN_DATA_FILE", scratch_.PathOf("mine.dat"));
    const DataLocation location = DataFileLocation(program_);
    EXPECT_EQ(location.path, scratch_.PathOf("mine.dat"));
    EXPECT_TRUE(location.named);
    EXPECT_EQ(location.passedOver, "");
}

// Alarms start the program from another folder: a name given relative to
// this start's folder is kept as the file it named.
TEST_F(DataLocationTest, AChosenRelativeNameBecomesAbsolute) {
    const ScopedVariable chosen("TAVRIN_DATA_FILE", "notes/mine.dat");
    const DataLocation location = DataFileLocation(program_);
    EXPECT_EQ(location.path, (fs::current_path() / "notes/mine.dat").string());
    EXPECT_TRUE(location.named);
}

}  // namespace
}  // namespace tavrin::handheld
