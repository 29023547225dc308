// What only the Win32 file backend does: a file being written is not read,
// a replaced file keeps its attributes, and paths reach the 8-bit calls in
// the ANSI code page or not at all, the wide calls whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/byte_file.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_text.h"
#include "support/scratch_folder.h"

using tavrin::testing::ScratchFolder;

namespace tavrin::platform {
namespace {

// Saves a file under the UTF-8 `name` and reads it back; the folder then
// holds it under `systemName`, the name as Windows spells it.
void ExpectSavedAndReadUnder(const std::string& name, const std::wstring& systemName) {
    const ScratchFolder scratch;
    const std::string path = scratch.PathOf(name);
    std::string error;
    std::string temporary;
    auto out = LocalFileSystem().CreateTemporaryFor(path, temporary, error);
    ASSERT_NE(out, nullptr) << error;
    ASSERT_TRUE(out->Write("x", 1));
    ASSERT_TRUE(out->Close());
    ASSERT_TRUE(LocalFileSystem().Replace(temporary, path, error)) << error;
    OpenFailure failure{};
    EXPECT_NE(LocalFileSystem().OpenForReading(path, failure, error), nullptr) << error;
    EXPECT_EQ(std::filesystem::begin(std::filesystem::directory_iterator(scratch.Folder()))
                  ->path()
                  .filename(),
              std::filesystem::path(systemName));
}

TEST(Win32FilesTest, AFileBeingWrittenIsBusy) {
    const ScratchFolder scratch;
    std::string temporary;
    std::string error;
    const auto writer =
        LocalFileSystem().CreateTemporaryFor(scratch.PathOf("memo.dat"), temporary, error);
    ASSERT_NE(writer, nullptr) << error;
    OpenFailure failure{};
    EXPECT_EQ(LocalFileSystem().OpenForReading(temporary, failure, error), nullptr);
    EXPECT_EQ(failure, OpenFailure::Busy);
    EXPECT_EQ(error, "the file is in use by another program");
}

// Attributes belong to the file, not to its content: a hidden data file
// stays hidden when a save replaces it.
TEST(Win32FilesTest, AReplacedFileKeepsItsAttributes) {
    const ScratchFolder scratch;
    const std::string path = scratch.PathOf("memo.dat");
    ScratchFolder::WriteFile(path, {'o', 'l', 'd'});
    const auto name = ToSystemText(path);
    ASSERT_TRUE(name);
    ASSERT_TRUE(::SetFileAttributes(name->c_str(), FILE_ATTRIBUTE_HIDDEN));
    std::string temporary;
    std::string error;
    auto out = LocalFileSystem().CreateTemporaryFor(path, temporary, error);
    ASSERT_NE(out, nullptr) << error;
    ASSERT_TRUE(out->Write("new", 3));
    ASSERT_TRUE(out->Close());
    ASSERT_TRUE(LocalFileSystem().Replace(temporary, path, error)) << error;
    EXPECT_EQ(ScratchFolder::ReadFile(path), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
    EXPECT_NE(::GetFileAttributes(name->c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_FALSE(LocalFileSystem().Exists(temporary));
}

#ifdef UNICODE

TEST(Win32FilesTest, ANameOutsideTheCodePageWorksThroughTheWideCalls) {
    ExpectSavedAndReadUnder("memo-\xE4\xB8\xAD.dat", L"memo-\u4E2D.dat");
}

#else

TEST(Win32FilesTest, ANameTheCodePageCantSpellIsRefusedNotGuessed) {
    // U+4E2D has no form in the Western code page the tests run with; a
    // best-fit '?' would name another file.
    ASSERT_EQ(::GetACP(), 1252u);
    const ScratchFolder scratch;
    const std::string path = scratch.PathOf("memo-\xE4\xB8\xAD.dat");
    std::string error;
    std::string temporary;
    EXPECT_EQ(LocalFileSystem().CreateTemporaryFor(path, temporary, error), nullptr);
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
    std::string temporary;
    EXPECT_EQ(LocalFileSystem().CreateTemporaryFor(scratch.PathOf("memo-\xC3.dat"), temporary, error),
              nullptr);
    EXPECT_EQ(error, kNoSystemForm);
    EXPECT_TRUE(std::filesystem::is_empty(scratch.Folder()));
}

TEST(Win32FilesTest, ANameInTheCodePageWorks) {
    ExpectSavedAndReadUnder("Notiz-\xC3\xA4.dat", L"Notiz-\u00E4.dat");  // ä, in the Western code page
}

}  // namespace
}  // namespace tavrin::platform
