// What only the Win32 file backend does: a file being written is not read,
// a replaced file keeps its attributes, a ReplaceFile that stops halfway
// never costs the new file, and paths reach the 8-bit calls in the ANSI code
// page or not at all, the wide calls whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/byte_file.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_files.h"
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
    ReplaceNotes notes;
    ASSERT_TRUE(LocalFileSystem().Replace(temporary, path, error, notes)) << error;
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
    ReplaceNotes notes;
    ASSERT_TRUE(LocalFileSystem().Replace(temporary, path, error, notes)) << error;
    EXPECT_EQ(ScratchFolder::ReadFile(path), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
    EXPECT_NE(::GetFileAttributes(name->c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_FALSE(LocalFileSystem().Exists(temporary));
}

// --- ReplaceFile stopping halfway ----------------------------------------------

// What the system's ReplaceFile leaves when it stops with these errors, a
// backup name given: with 1176 nothing has moved; with 1177 the old file is
// at the backup name. A folder put in the target's place stands for another
// program taking the name meanwhile.
BOOL WINAPI StopsBeforeMovingTheNewFile(LPCTSTR, LPCTSTR, LPCTSTR, DWORD, LPVOID, LPVOID) {
    ::SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
    return FALSE;
}

template <bool kNameTaken>
BOOL WINAPI StopsWithTheOldFileAtTheBackupName(LPCTSTR replaced, LPCTSTR, LPCTSTR backup, DWORD,
                                               LPVOID, LPVOID) {
    if (!::MoveFile(replaced, backup)) return FALSE;
    if (kNameTaken && !::CreateDirectory(replaced, nullptr)) return FALSE;
    ::SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
    return FALSE;
}

class ReplaceFileStandIn {
public:
    explicit ReplaceFileStandIn(ReplaceFileCall call) { SetReplaceFileForTesting(call); }
    ~ReplaceFileStandIn() { SetReplaceFileForTesting(nullptr); }
    ReplaceFileStandIn(const ReplaceFileStandIn&) = delete;
    ReplaceFileStandIn& operator=(const ReplaceFileStandIn&) = delete;
};

// Another program holding a file open without letting it be deleted or
// renamed, as a virus scanner or an indexer may.
class HeldOpen {
public:
    explicit HeldOpen(const std::string& path)
        : handle_(::CreateFile(ToSystemText(path)->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~HeldOpen() {
        if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
    }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;
    bool Holding() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

struct HalfwayCase {
    const char* name;
    ReplaceFileCall replaceFile;
    bool newFileHeld;  // so that it can't be moved into place either
    bool saved;
    bool oldAtBackup;  // else at the data file's name
};

class ReplaceHalfwayTest : public ::testing::TestWithParam<HalfwayCase> {};

// When ReplaceFile stops halfway the new file holds the only copy of the
// memos as they are now: it is moved into place by itself, or, when that
// fails too, kept, and the error says where it and the old file are.
TEST_P(ReplaceHalfwayTest, NeverRemovesTheNewFile) {
    const HalfwayCase& c = GetParam();
    const ScratchFolder scratch;
    const std::string path = scratch.PathOf("memo.dat");
    const std::vector<std::uint8_t> oldBytes = {'o', 'l', 'd'};
    const std::vector<std::uint8_t> newBytes = {'n', 'e', 'w'};
    ScratchFolder::WriteFile(path, oldBytes);
    std::string temporary;
    std::string error;
    auto out = LocalFileSystem().CreateTemporaryFor(path, temporary, error);
    ASSERT_NE(out, nullptr) << error;
    ASSERT_TRUE(out->Write(newBytes.data(), newBytes.size()));
    ASSERT_TRUE(out->Close());

    ReplaceNotes notes;
    bool replaced = false;
    {
        std::optional<HeldOpen> held;
        if (c.newFileHeld) {
            held.emplace(temporary);
            ASSERT_TRUE(held->Holding());
        }
        const ReplaceFileStandIn standIn(c.replaceFile);
        replaced = LocalFileSystem().Replace(temporary, path, error, notes);
    }
    EXPECT_EQ(replaced, c.saved) << error;
    EXPECT_EQ(notes.warning, "");
    if (c.saved) {
        EXPECT_EQ(ScratchFolder::ReadFile(path), newBytes);
        EXPECT_EQ(ScratchFolder::NamesIn(scratch.Folder()), std::vector<std::string>{"memo.dat"});
        return;
    }
    EXPECT_TRUE(notes.keepFrom);
    EXPECT_EQ(ScratchFolder::ReadFile(temporary), newBytes);
    std::string old = path;
    if (c.oldAtBackup) {
        for (const std::string& name : ScratchFolder::NamesIn(scratch.Folder())) {
            if (name.starts_with("memo.dat.replaced-")) old = scratch.PathOf(name);
        }
        ASSERT_NE(old, path);
    }
    EXPECT_EQ(ScratchFolder::ReadFile(old), oldBytes);
    EXPECT_NE(error.find("the memos as saved now are in " + temporary + ", the file as it was is " +
                         old),
              std::string::npos)
        << error;
}

INSTANTIATE_TEST_SUITE_P(
    Halfway, ReplaceHalfwayTest,
    ::testing::Values(
        HalfwayCase{"UnableToMoveReplacement", &StopsBeforeMovingTheNewFile, false, true, false},
        HalfwayCase{"UnableToMoveReplacement2", &StopsWithTheOldFileAtTheBackupName<false>, false,
                    true, false},
        HalfwayCase{"UnableToMoveReplacementNorMoveItAfter", &StopsBeforeMovingTheNewFile, true,
                    false, false},
        // The old file goes back to its name.
        HalfwayCase{"UnableToMoveReplacement2NorMoveItAfter",
                    &StopsWithTheOldFileAtTheBackupName<false>, true, false, false},
        HalfwayCase{"UnableToMoveReplacement2AndTheNameTaken",
                    &StopsWithTheOldFileAtTheBackupName<true>, false, false, true}),
    [](const auto& test) { return std::string(test.param.name); });

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
