// What only the Win32 file backend does: a file being written is not read,
// and paths reach the 8-bit calls in the ANSI code page or not at all, the
// wide calls whole.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/byte_file.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_text.h"
#include "support/scratch_folder.h"

using tavrin::testing::ScratchFolder;

namespace tavrin::platform {
namespace {

TEST(Win32FilesTest, AFileBeingWrittenIsInUse) {
    const ScratchFolder scratch;
    const std::string path = scratch.PathOf("memo.dat");
    std::string error;
    const auto writer = LocalFileSystem().CreateForWriting(path, error);
    ASSERT_NE(writer, nullptr) << error;
    OpenFailure failure{};
    EXPECT_EQ(LocalFileSystem().OpenForReading(path, failure, error), nullptr);
    EXPECT_EQ(failure, OpenFailure::Unreadable);
    EXPECT_EQ(error, "the file is in use by another program");
}

#ifdef UNICODE

TEST(Win32FilesTest, ANameOutsideTheCodePageWorksThroughTheWideCalls) {
    const ScratchFolder scratch;
    const std::string path = scratch.PathOf("memo-\xE4\xB8\xAD.dat");
    std::string error;
    auto out = LocalFileSystem().CreateForWriting(path, error);
    ASSERT_NE(out, nullptr) << error;
    ASSERT_TRUE(out->Close());
    OpenFailure failure{};
    EXPECT_NE(LocalFileSystem().OpenForReading(path, failure, error), nullptr) << error;
    EXPECT_EQ(std::filesystem::begin(std::filesystem::directory_iterator(scratch.Folder()))
                  ->path()
                  .filename(),
              std::filesystem::path(L"memo-\u4E2D.dat"));
}

#else

TEST(Win32FilesTest, ANameTheCodePageCantSpellIsRefusedNotGuessed) {
    // U+4E2D has no form in the Western code page the tests run with; a
    // best-fit '?' would name another file.
    ASSERT_EQ(::GetACP(), 1252u);
    const ScratchFolder scratch;
    const std::string path = scratch.PathOf("memo-\xE4\xB8\xAD.dat");
    std::string error;
    EXPECT_EQ(LocalFileSystem().CreateForWriting(path, error), nullptr);
    EXPECT_EQ(error, "the name can't be written in the system's code page");
    OpenFailure failure{};
    EXPECT_EQ(LocalFileSystem().OpenForReading(path, failure, error), nullptr);
    EXPECT_EQ(failure, OpenFailure::Unreadable);
    EXPECT_TRUE(std::filesystem::is_empty(scratch.Folder()));
}

#endif

TEST(Win32FilesTest, ANameThatIsNotUtf8IsRefused) {
    const ScratchFolder scratch;
    std::string error;
    EXPECT_EQ(LocalFileSystem().CreateForWriting(scratch.PathOf("memo-\xC3.dat"), error), nullptr);
    EXPECT_EQ(error, kNoSystemForm);
    EXPECT_TRUE(std::filesystem::is_empty(scratch.Folder()));
}

TEST(Win32FilesTest, ANameInTheCodePageWorks) {
    const ScratchFolder scratch;
    const std::string path = scratch.PathOf("Notiz-\xC3\xA4.dat");  // ä, in the Western code page
    std::string error;
    auto out = LocalFileSystem().CreateForWriting(path, error);
    ASSERT_NE(out, nullptr) << error;
    ASSERT_TRUE(out->Write("x", 1));
    ASSERT_TRUE(out->Close());
    OpenFailure failure{};
    EXPECT_NE(LocalFileSystem().OpenForReading(path, failure, error), nullptr) << error;
    EXPECT_EQ(std::filesystem::begin(std::filesystem::directory_iterator(scratch.Folder()))
                  ->path()
                  .filename(),
              std::filesystem::path(L"Notiz-\u00E4.dat"));
}

}  // namespace
}  // namespace tavrin::platform
