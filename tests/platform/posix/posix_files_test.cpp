// What only the POSIX file backend does: the folder of a saved file is
// synced by itself, so a missing folder is a failure.
#include <gtest/gtest.h>

#include "platform/byte_file.h"
#include "support/scratch_folder.h"

using tavrin::testing::ScratchFolder;

namespace tavrin::platform {
namespace {

TEST(PosixFilesTest, SyncFolderOfAMissingFolderFailsWithTheCause) {
    const ScratchFolder scratch;
    std::string error;
    EXPECT_TRUE(LocalFileSystem().SyncFolderOf(scratch.PathOf("memo.dat"), error)) << error;
    EXPECT_FALSE(LocalFileSystem().SyncFolderOf(scratch.PathOf("none/memo.dat"), error));
    EXPECT_EQ(error, "No such file or directory");
}

}  // namespace
}  // namespace tavrin::platform
