#include "store/memo_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "store/allocation.h"
#include "support/failing_file_system.h"
#include "support/memo_lists.h"
#include "support/memo_sketch.h"
#include "support/memory_file.h"
#include "support/page_pixels.h"
#include "support/recording_window.h"
#include "support/same_memos.h"
#include "support/scratch_folder.h"

namespace tavrin {
namespace {

template <typename Case>
std::string NameOf(const ::testing::TestParamInfo<Case>& test) {
    return test.param.name;
}

namespace fs = std::filesystem;
using testing::DescribeListProblem;
using testing::ExpectSameMemos;
using testing::FailingFileSystem;
using testing::MakeTaggedList;
using testing::Tags;
using Bytes = std::vector<std::uint8_t>;

class MemoFileTest : public ::testing::Test {
protected:
    // A healthy file of memos 1 to `count`, written by the store itself.
    Bytes WriteTaggedFile(std::uint32_t count, std::uint32_t current) {
        auto list = MakeTaggedList(count, current);
        testing::DrawTaggedPages(*list, 24, 10);
        MemoFile file(platform::LocalFileSystem());
        EXPECT_EQ(file.Save(*list, path_), 1) << file.LastError();
        return testing::ScratchFolder::ReadFile(path_);
    }

    testing::ScratchFolder scratch_;
    fs::path folder_ = scratch_.Folder();
    std::string path_ = scratch_.PathOf("memo.dat");
};

TEST_F(MemoFileTest, SaveAndLoadGiveBackTheWholeList) {
    auto saved = MakeTaggedList(3, 2);
    saved->First()->created = {2023, 11, 4, 30, 23, 59, 59, 999};
    saved->Current()->SetAlarm(0x80000001u, {2024, 1, 1, 1, 7, 30, 0, 0});
    testing::DrawTaggedPages(*saved, 240, 320);
    MemoFile file(platform::LocalFileSystem());
    ASSERT_EQ(file.Save(*saved, path_), 1) << file.LastError();
    EXPECT_EQ(testing::ScratchFolder::NamesIn(folder_), std::vector<std::string>{"memo.dat"});

    MemoList loaded;
    const FileLoadReport report = file.Load(loaded, path_);
    EXPECT_EQ(report.Result(), 1);
    EXPECT_EQ(report.outcome, LoadOutcome::ReadWhole);
    EXPECT_EQ(Tags(loaded), Tags(*saved));
    EXPECT_EQ(loaded.CurrentIndex(), 2);
    ExpectSameMemos(loaded, *saved);
}

TEST_F(MemoFileTest, AMissingFileChangesNothingAndSavesWithoutACopy) {
    auto list = MakeTaggedList(2, 2);
    MemoFile file(platform::LocalFileSystem());
    const FileLoadReport report = file.Load(*list, path_);
    EXPECT_EQ(report.Result(), 0);
    EXPECT_EQ(report.outcome, LoadOutcome::NotOpened);
    EXPECT_EQ(Tags(*list), (std::vector<std::uint32_t>{1, 2}));
    EXPECT_NE(file.LastError().find(path_), std::string::npos);

    testing::DrawTaggedPages(*list, 4, 4);
    ASSERT_EQ(file.Save(*list, path_), 1) << file.LastError();
    EXPECT_EQ(testing::ScratchFolder::NamesIn(folder_), std::vector<std::string>{"memo.dat"});
}

struct MagicCase {
    const char* name;
    void (*edit)(Bytes&);
};

// Test names in listings show the case's name, not its bytes.
void PrintTo(const MagicCase& c, std::ostream* os) { *os << c.name; }

class WrongMagicTest : public MemoFileTest, public ::testing::WithParamInterface<MagicCase> {};

// Any file that does not begin with the exact magic is reported as such (the
// program then warns), and neither the list nor the file changes.
TEST_P(WrongMagicTest, ReportsItAndChangesNothing) {
    Bytes bytes = WriteTaggedFile(3, 1);
    GetParam().edit(bytes);
    testing::ScratchFolder::WriteFile(path_, bytes);

    auto list = MakeTaggedList(2, 2);
    MemoFile file(platform::LocalFileSystem());
    const FileLoadReport report = file.Load(*list, path_);
    EXPECT_NE(report.Result(), 0);
    EXPECT_EQ(report.outcome, LoadOutcome::WrongMagic);
    EXPECT_FALSE(report.notes.magicMatched);
    EXPECT_EQ(Tags(*list), (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(list->CurrentIndex(), 2);
    EXPECT_EQ(testing::ScratchFolder::ReadFile(path_), bytes);
}

std::vector<MagicCase> MagicCases() {
    std::vector<MagicCase> cases = {
        {"Empty", [](Bytes& b) { b.clear(); }},
        {"SevenBytes", [](Bytes& b) { b.resize(7); }},
        {"VersionDigit", [](Bytes& b) { b[7] = '5'; }},
        {"LowerCase", [](Bytes& b) { b[0] = 't'; }},
    };
    // Every other single byte of the magic, changed by one bit.
    static constexpr void (*kFlipByte[])(Bytes&) = {
        [](Bytes& b) { b[1] ^= 0x01; }, [](Bytes& b) { b[2] ^= 0x01; },
        [](Bytes& b) { b[3] ^= 0x01; }, [](Bytes& b) { b[4] ^= 0x01; },
        [](Bytes& b) { b[5] ^= 0x01; }, [](Bytes& b) { b[6] ^= 0x80; }};
    static const char* const kNames[] = {"Byte1", "Byte2", "Byte3", "Byte4", "Byte5", "Byte6"};
    for (std::size_t i = 0; i < std::size(kFlipByte); ++i) {
        cases.push_back({kNames[i], kFlipByte[i]});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(
    Files, WrongMagicTest, ::testing::ValuesIn(MagicCases()),
    NameOf<MagicCase>);

TEST_F(MemoFileTest, AFileThatStopsEarlyTellsReadFailureApartFromMissing) {
    Bytes bytes = WriteTaggedFile(3, 3);
    bytes.resize(bytes.size() - 5);
    testing::ScratchFolder::WriteFile(path_, bytes);

    MemoList list;
    MemoFile file(platform::LocalFileSystem());
    const FileLoadReport report = file.Load(list, path_);
    EXPECT_EQ(report.Result(), 0);
    EXPECT_EQ(report.outcome, LoadOutcome::ReadFailed);
    EXPECT_EQ(report.memo, 3u);
    EXPECT_TRUE(report.notes.magicMatched);
    EXPECT_EQ(Tags(list), (std::vector<std::uint32_t>{1, 2, 3}));
    EXPECT_EQ(list.CurrentIndex(), 3);
    EXPECT_EQ(DescribeListProblem(list), "");
    EXPECT_NE(file.LastError().find(path_), std::string::npos);
}

TEST_F(MemoFileTest, ReportsTheMemoForWhichMemoryRanOut) {
    auto saved = MakeTaggedList(3, 1);
    testing::DrawTaggedPages(*saved, 8, 2);
    testing::DrawTaggedPage(*saved->Last(), 240, 320);
    MemoFile file(platform::LocalFileSystem());
    ASSERT_EQ(file.Save(*saved, path_), 1) << file.LastError();

    MemoList list;
    FileLoadReport report;
    {
        const AllocationLimitForTesting limit(1'000);
        report = file.Load(list, path_);
    }
    EXPECT_EQ(report.Result(), 0);
    EXPECT_EQ(report.outcome, LoadOutcome::OutOfMemory);
    EXPECT_EQ(report.memo, 3u);
    EXPECT_EQ(Tags(list), (std::vector<std::uint32_t>{1, 2, 3}));
    EXPECT_NE(file.LastError().find("not enough memory at memo 3"), std::string::npos)
        << file.LastError();
}

// Bytes after the last memo are what a damaged count leaves behind: the memos
// read are shown, but the file does not count as read whole.
TEST_F(MemoFileTest, NotesTheBytesAfterTheLastRecord) {
    Bytes bytes = WriteTaggedFile(1, 1);
    bytes.insert(bytes.end(), 10, 0xAB);
    testing::ScratchFolder::WriteFile(path_, bytes);
    MemoList list;
    MemoFile file(platform::LocalFileSystem());
    const FileLoadReport report = file.Load(list, path_);
    EXPECT_NE(report.Result(), 0);
    EXPECT_EQ(report.outcome, LoadOutcome::NotAsWritten);
    EXPECT_EQ(report.notes.trailingBytes, 10u);
    EXPECT_EQ(Tags(list), std::vector<std::uint32_t>{1});
    EXPECT_NE(file.LastError().find("memo count"), std::string::npos) << file.LastError();
}

// --- Unreadable files are kept aside, once --------------------------------------

struct UnreadableCase {
    const char* name;
    void (*damage)(Bytes&);
};

void PrintTo(const UnreadableCase& c, std::ostream* os) { *os << c.name; }

class UnreadableFileTest : public MemoFileTest,
                           public ::testing::WithParamInterface<UnreadableCase> {};

TEST_P(UnreadableFileTest, IsCopiedAsideBeforeTheFirstSaveAndNeverAgain) {
    Bytes original = WriteTaggedFile(3, 1);
    GetParam().damage(original);
    testing::ScratchFolder::WriteFile(path_, original);
    // An earlier copy stays as it is; the new one takes the next number.
    const Bytes earlierCopy = {'o', 'l', 'd'};
    testing::ScratchFolder::WriteFile(path_ + ".unreadable-1", earlierCopy);

    MemoFile file(platform::LocalFileSystem());
    MemoList list;
    EXPECT_NE(file.Load(list, path_).outcome, LoadOutcome::ReadWhole);
    EXPECT_FALSE(file.KeepsUnopened(path_));
    testing::DrawTaggedPages(list, 4, 4);
    ASSERT_EQ(file.Save(list, path_), 1) << file.LastError();
    ASSERT_EQ(file.Save(list, path_), 1) << file.LastError();

    EXPECT_EQ(testing::ScratchFolder::NamesIn(folder_),
              (std::vector<std::string>{"memo.dat", "memo.dat.unreadable-1",
                                        "memo.dat.unreadable-2"}));
    EXPECT_EQ(testing::ScratchFolder::ReadFile(path_ + ".unreadable-1"), earlierCopy);
    EXPECT_EQ(testing::ScratchFolder::ReadFile(path_ + ".unreadable-2"), original);
    MemoList reloaded;
    MemoFile fresh(platform::LocalFileSystem());
    EXPECT_EQ(fresh.Load(reloaded, path_).outcome, LoadOutcome::ReadWhole);
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnreadableFileTest,
    ::testing::Values(UnreadableCase{"WrongMagic", [](Bytes& b) { b[7] = '3'; }},
                      UnreadableCase{"RecordCutShort", [](Bytes& b) { b.resize(b.size() - 1); }},
                      // A damaged count reads as fewer memos, or as none.
                      UnreadableCase{"CountLowered", [](Bytes& b) { b[8] = 1; }},
                      UnreadableCase{"CountZeroed", [](Bytes& b) { b[8] = 0; }},
                      UnreadableCase{"PositionPastTheEnd", [](Bytes& b) { b[10] = 3; }}),
    NameOf<UnreadableCase>);

// --- Files that can't be opened are kept as they are ---------------------------

struct UnopenedCase {
    const char* name;
    bool busy;  // else: refused for good
    const char* cause;
};

void PrintTo(const UnopenedCase& c, std::ostream* os) { *os << c.name; }

class UnopenedFileTest : public MemoFileTest,
                         public ::testing::WithParamInterface<UnopenedCase> {};

// The memos of a file that could not be opened are not in the list: a save
// over it is refused with the file and the cause named, and leaves it and its
// folder as they were. Saving beside it is the user's way out; a later load
// that opens the file, or the file going away, ends the refusal.
TEST_P(UnopenedFileTest, IsNeverSavedOverButCanBeSavedBeside) {
    const Bytes original = WriteTaggedFile(3, 1);
    testing::ScratchFolder::WriteFile(path_ + ".saved-1", {'o', 'l', 'd'});
    FailingFileSystem files;
    if (GetParam().busy) {
        files.BusyFor(1'000'000);
    } else {
        files.RefuseOpening();
    }
    MemoFile file(files);
    auto list = MakeTaggedList(2, 1);
    EXPECT_EQ(file.Load(*list, path_).outcome, LoadOutcome::NotOpened);
    EXPECT_TRUE(file.KeepsUnopened(path_));
    EXPECT_EQ(file.Save(*list, path_), 0);
    EXPECT_NE(file.LastError().find("Could not save " + path_ + ": "), std::string::npos)
        << file.LastError();
    EXPECT_NE(file.LastError().find(GetParam().cause), std::string::npos) << file.LastError();
    EXPECT_EQ(testing::ScratchFolder::ReadFile(path_), original);
    EXPECT_EQ(testing::ScratchFolder::NamesIn(folder_), (std::vector<std::string>{"memo.dat", "memo.dat.saved-1"}));

    EXPECT_EQ(file.SaveBeside(*list, path_), path_ + ".saved-2") << file.LastError();
    MemoList beside;
    MemoFile reader(platform::LocalFileSystem());
    EXPECT_EQ(reader.Load(beside, path_ + ".saved-2").outcome, LoadOutcome::ReadWhole);
    EXPECT_EQ(Tags(beside), Tags(*list));
    EXPECT_EQ(testing::ScratchFolder::ReadFile(path_), original);

    fs::remove(path_);
    EXPECT_EQ(file.Save(*list, path_), 1) << file.LastError();
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnopenedFileTest,
    ::testing::Values(UnopenedCase{"NoAccess", false, "Permission denied"},
                      UnopenedCase{"BusyPastTheWait", true, "in use by another program"}),
    NameOf<UnopenedCase>);

// --- A file read in the background --------------------------------------------

struct BackgroundCase {
    const char* name;
    void (*damage)(Bytes&);  // applied to a healthy file of memos 1 to 3; null: no file
    bool refused;            // the file can't be opened
    std::vector<std::string> namesAfterSave;  // empty: the save is refused
};

void PrintTo(const BackgroundCase& c, std::ostream* os) { *os << c.name; }

class BackgroundLoadTest : public MemoFileTest,
                           public ::testing::WithParamInterface<BackgroundCase> {};

// What a load on another thread hands over is what a load would have left:
// the same report, memos and current memo, and the same care at the next
// save (a copy of a file that did not read whole, no save over one that
// could not be opened).
TEST_P(BackgroundLoadTest, HandsOverWhatALoadWouldHaveLeft) {
    const BackgroundCase& c = GetParam();
    if (c.damage != nullptr) {
        Bytes bytes = WriteTaggedFile(3, 2);
        c.damage(bytes);
        testing::ScratchFolder::WriteFile(path_, bytes);
    }
    FailingFileSystem files;
    files.RefuseOpening(c.refused);
    MemoFile direct(files);
    MemoList directList;
    const FileLoadReport expected = direct.Load(directList, path_);

    std::optional<BackgroundLoad> load(std::in_place, files, platform::SystemClock(), path_);
    EXPECT_EQ(load->Path(), path_);
    MemoFile file(files);
    MemoList list;
    const FileLoadReport report = load->TakeInto(file, list);
    load.reset();
    EXPECT_EQ(report.outcome, expected.outcome);
    EXPECT_EQ(report.memo, expected.memo);
    EXPECT_EQ(report.notes.records.size(), expected.notes.records.size());
    EXPECT_EQ(Tags(list), Tags(directList));
    EXPECT_EQ(list.CurrentIndex(), directList.CurrentIndex());
    EXPECT_EQ(file.LastError(), direct.LastError());
    EXPECT_EQ(DescribeListProblem(list), "");

    files.RefuseOpening(false);
    EXPECT_EQ(file.Save(list, path_), c.namesAfterSave.empty() ? 0 : 1) << file.LastError();
    if (!c.namesAfterSave.empty()) {
        EXPECT_EQ(testing::ScratchFolder::NamesIn(folder_), c.namesAfterSave);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, BackgroundLoadTest,
    ::testing::Values(
        BackgroundCase{"Healthy", [](Bytes&) {}, false, {"memo.dat"}},
        BackgroundCase{"Missing", nullptr, false, {"memo.dat"}},
        BackgroundCase{"WrongMagic", [](Bytes& b) { b[0] = 'X'; }, false,
                       {"memo.dat", "memo.dat.unreadable-1"}},
        BackgroundCase{"CutShort", [](Bytes& b) { b.resize(b.size() - 1); }, false,
                       {"memo.dat", "memo.dat.unreadable-1"}},
        BackgroundCase{"Refused", [](Bytes&) {}, true, {}}),
    NameOf<BackgroundCase>);

TEST_F(MemoFileTest, ALoadWaitsForABusyFileAndReadsIt) {
    WriteTaggedFile(3, 2);
    FailingFileSystem files;
    files.BusyFor(3);
    MemoFile file(files);
    MemoList list;
    EXPECT_EQ(file.Load(list, path_).outcome, LoadOutcome::ReadWhole);
    EXPECT_EQ(files.OpenCount(), 4);
    EXPECT_EQ(Tags(list), (std::vector<std::uint32_t>{1, 2, 3}));
    EXPECT_FALSE(file.KeepsUnopened(path_));
}

TEST_F(MemoFileTest, ALoadThatOpensTheFileEndsTheRefusal) {
    WriteTaggedFile(3, 2);
    FailingFileSystem files;
    files.RefuseOpening();
    MemoFile file(files);
    MemoList list;
    EXPECT_EQ(file.Load(list, path_).outcome, LoadOutcome::NotOpened);
    files.RefuseOpening(false);
    EXPECT_EQ(file.Load(list, path_).outcome, LoadOutcome::ReadWhole);
    EXPECT_FALSE(file.KeepsUnopened(path_));
    EXPECT_EQ(file.Save(list, path_), 1) << file.LastError();
}

TEST_F(MemoFileTest, AHealthyFileIsReplacedWithoutACopy) {
    WriteTaggedFile(2, 1);
    MemoFile file(platform::LocalFileSystem());
    MemoList list;
    ASSERT_EQ(file.Load(list, path_).outcome, LoadOutcome::ReadWhole);
    ASSERT_EQ(file.Save(list, path_), 1) << file.LastError();
    EXPECT_EQ(testing::ScratchFolder::NamesIn(folder_), std::vector<std::string>{"memo.dat"});
}

// A replace that fails with the new file holding the only copy of the memos
// as they are now (on Windows, a ReplaceFile stopped halfway whose new file
// could not be moved either) leaves that file where it is.
TEST_F(MemoFileTest, ANewFileAFailedReplaceKeepsIsNotRemoved) {
    const Bytes old = WriteTaggedFile(2, 1);
    auto list = MakeTaggedList(3, 3);
    testing::DrawTaggedPages(*list, 8, 8);
    FailingFileSystem files;
    files.FailReplacesKeepingTheNewFile();
    MemoFile file(files);
    EXPECT_EQ(file.Save(*list, path_), 0);
    EXPECT_EQ(testing::ScratchFolder::ReadFile(path_), old);
    const std::vector<std::string> names = testing::ScratchFolder::NamesIn(folder_);
    ASSERT_EQ(names.size(), 2U);
    EXPECT_TRUE(names[1].starts_with("memo.dat.saving-")) << names[1];
    MemoList kept;
    MemoFile reader(platform::LocalFileSystem());
    EXPECT_EQ(reader.Load(kept, (folder_ / names[1]).string()).outcome, LoadOutcome::ReadWhole);
    EXPECT_EQ(Tags(kept), Tags(*list));
}

// --- The save is atomic ------------------------------------------------------------

struct AtomicCase {
    const char* name;
    bool unreadableBefore;  // the old file has the wrong magic, so it is copied aside first
};

void PrintTo(const AtomicCase& c, std::ostream* os) { *os << c.name; }

class AtomicSaveTest : public MemoFileTest, public ::testing::WithParamInterface<AtomicCase> {
protected:
    void SetUp() override {
        MemoFileTest::SetUp();
        list_ = MakeTaggedList(4, 2);
        for (MemoEntry* entry = list_->First(); entry != nullptr; entry = list_->NextOf(entry)) {
            entry->created = {2024, 6, 6, 1, 12, 0, 0, 0};
        }
        testing::DrawTaggedPages(*list_, 20, 6);
    }

    // Puts the old file in place and loads it, as the program does at start.
    void LoadOld(MemoFile& file, const Bytes& old) {
        testing::ScratchFolder::WriteFile(path_, old);
        MemoList loaded;
        file.Load(loaded, path_);
    }

    std::unique_ptr<MemoList> list_;
};

// Failing each step in turn (creating the temporary file, each write, the
// sync, the close, the replace, the folder sync and the copy of an unreadable
// file) never leaves a damaged data file or a stray temporary file, always
// says what failed, and the next save succeeds with the copy made only once.
// A folder sync that fails comes after the new file is in place: a warning.
TEST_P(AtomicSaveTest, AFailureAtAnyStepKeepsAWholeFile) {
    Bytes old = WriteTaggedFile(2, 1);
    if (GetParam().unreadableBefore) {
        old[0] = 'X';
    }
    Bytes saved;
    int operations = 0;
    {
        FailingFileSystem files;
        MemoFile file(files);
        LoadOld(file, old);
        ASSERT_EQ(file.Save(*list_, path_), 1) << file.LastError();
        operations = files.OperationCount();
        saved = testing::ScratchFolder::ReadFile(path_);
        fs::remove(path_ + ".unreadable-1");
    }
    ASSERT_GE(operations, 6);

    const std::vector<std::string> afterwards =
        GetParam().unreadableBefore
            ? std::vector<std::string>{"memo.dat", "memo.dat.unreadable-1"}
            : std::vector<std::string>{"memo.dat"};
    for (int failing = 1; failing <= operations; ++failing) {
        SCOPED_TRACE("failing operation " + std::to_string(failing));
        FailingFileSystem files;
        MemoFile file(files);
        LoadOld(file, old);
        files.FailOperation(failing);
        // Only the folder sync comes after the replace: the new file is then
        // in place, whole, and the save has worked, with a warning.
        const bool replaced = failing == operations;
        EXPECT_EQ(file.Save(*list_, path_), replaced ? 1 : 0);
        const std::string& told = replaced ? file.Warning() : file.LastError();
        EXPECT_NE(told.find(replaced ? "The memos were saved to " + path_ + ", but its folder"
                                     : "Could not save " + path_ + ": "),
                  std::string::npos)
            << told;
        EXPECT_NE(told.find(FailingFileSystem::kCause), std::string::npos) << told;
        EXPECT_EQ(testing::ScratchFolder::ReadFile(path_), replaced ? saved : old);
        for (const std::string& name : testing::ScratchFolder::NamesIn(folder_)) {
            EXPECT_EQ(name.find(".saving"), std::string::npos) << name;
        }

        ASSERT_EQ(file.Save(*list_, path_), 1) << file.LastError();
        EXPECT_EQ(file.Warning(), "");
        EXPECT_EQ(testing::ScratchFolder::ReadFile(path_), saved);
        EXPECT_EQ(testing::ScratchFolder::NamesIn(folder_), afterwards);
        if (GetParam().unreadableBefore) {
            EXPECT_EQ(testing::ScratchFolder::ReadFile(path_ + ".unreadable-1"), old);
            fs::remove(path_ + ".unreadable-1");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Saves, AtomicSaveTest,
                         ::testing::Values(AtomicCase{"OverAHealthyFile", false},
                                           AtomicCase{"OverAnUnreadableFile", true}),
                         NameOf<AtomicCase>);


// --- Another program's save meanwhile ----------------------------------------

// What another program (a sync tool, another machine's Tavrin) does to the
// file between this program's load and its save.
enum class OtherWriter { LeavesItAlone, ReplacesByRename, RewritesInPlace, Deletes, LeavesGarbage };

struct OtherWriterCase {
    std::string name;
    OtherWriter writer;
    std::string saved;  // the file after our save, as a sketch
    bool merged;
    std::vector<std::string> namesAfter;
};

class OtherWriterTest : public MemoFileTest, public ::testing::WithParamInterface<OtherWriterCase> {
protected:
    void Write(const std::string& sketch, OtherWriter writer) {
        const auto theirs = testing::SketchList(sketch, testing::kOtherMachine);
        if (writer == OtherWriter::ReplacesByRename) {
            ASSERT_EQ(MemoFile(platform::LocalFileSystem()).Save(*theirs, path_), 1);
            return;
        }
        testing::MemoryFile bytes;
        bytes.Write(kMemoFileMagic.data(), kMemoFileMagic.size());
        theirs->Save(bytes);
        Bytes content = bytes.Bytes();
        if (writer == OtherWriter::LeavesGarbage) content[0] = 'X';
        // Written into the same file, as an editor or a copy in place does.
        std::ofstream(path_, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
    }

    std::string FileSketch() {
        MemoList list;
        EXPECT_EQ(MemoFile(platform::LocalFileSystem()).Load(list, path_).outcome, LoadOutcome::ReadWhole);
        return testing::Sketch(list);
    }
};

// We load a, b and c and change b; the other program adds x after c (and
// writes its own memos, so their pages are bytes of another file).
TEST_P(OtherWriterTest, MergesWhatItWroteBeforeSaving) {
    const OtherWriterCase& c = GetParam();
    ASSERT_EQ(MemoFile(platform::LocalFileSystem()).Save(*testing::SketchList("a1 *b1 c1"), path_), 1);
    MemoFile file(platform::LocalFileSystem());
    MemoList ours;
    ASSERT_EQ(file.Load(ours, path_).outcome, LoadOutcome::ReadWhole);
    testing::DrawSketchPage(*ours.Current(), 2);

    switch (c.writer) {
        case OtherWriter::LeavesItAlone: break;
        case OtherWriter::Deletes: fs::remove(path_); break;
        default: Write("a1 b1 c1 x1", c.writer);
    }
    ASSERT_EQ(file.Save(ours, path_), 1) << file.LastError();
    EXPECT_EQ(file.LastMerge().merged, c.merged);
    EXPECT_EQ(testing::Sketch(ours), c.saved);
    EXPECT_EQ(FileSketch(), c.saved);
    EXPECT_EQ(testing::ScratchFolder::NamesIn(folder_), c.namesAfter);

    // The file as saved is the base of the next save: unchanged, no merge.
    ASSERT_EQ(file.Save(ours, path_), 1) << file.LastError();
    EXPECT_FALSE(file.LastMerge().merged);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, OtherWriterTest,
    ::testing::Values(
        OtherWriterCase{"Unchanged", OtherWriter::LeavesItAlone, "a1 *b2 c1", false, {"memo.dat"}},
        OtherWriterCase{"ReplacedByRename", OtherWriter::ReplacesByRename, "a1 *b2 c1 x1", true, {"memo.dat"}},
        OtherWriterCase{"RewrittenInPlace", OtherWriter::RewritesInPlace, "a1 *b2 c1 x1", true, {"memo.dat"}},
        OtherWriterCase{"Deleted", OtherWriter::Deletes, "a1 *b2 c1", false, {"memo.dat"}},
        OtherWriterCase{"NotAMemoFileAnyMore", OtherWriter::LeavesGarbage, "a1 *b2 c1", false,
                        {"memo.dat", "memo.dat.unreadable-1"}}),
    NameOf<OtherWriterCase>);

// A file that appeared after the load found none: its memos and ours are
// all kept, ours first as they followed no memo of theirs.
TEST_F(MemoFileTest, AFileThatAppearedAfterTheLoadIsMergedWithoutABase) {
    MemoFile file(platform::LocalFileSystem());
    MemoList ours;
    EXPECT_EQ(file.Load(ours, path_).outcome, LoadOutcome::NotOpened);
    const auto mine = testing::SketchList("*y1");
    ours.Swap(*mine);
    ASSERT_EQ(MemoFile(platform::LocalFileSystem()).Save(*testing::SketchList("a1 b1"), path_), 1);
    ASSERT_EQ(file.Save(ours, path_), 1) << file.LastError();
    EXPECT_TRUE(file.LastMerge().merged);
    EXPECT_EQ(testing::Sketch(ours), "*y1 a1 b1");
}

// A file another program holds while it changes it is not saved over: the
// save fails with the reason and is tried again later.
TEST_F(MemoFileTest, AChangedFileThatCantBeReadIsNotSavedOver) {
    ASSERT_EQ(MemoFile(platform::LocalFileSystem()).Save(*testing::SketchList("a1 *b1"), path_), 1);
    FailingFileSystem files;
    MemoFile file(files);
    MemoList ours;
    ASSERT_EQ(file.Load(ours, path_).outcome, LoadOutcome::ReadWhole);
    ASSERT_EQ(MemoFile(platform::LocalFileSystem()).Save(*testing::SketchList("a1 b1 x1"), path_), 1);
    const Bytes theirs = testing::ScratchFolder::ReadFile(path_);
    files.RefuseOpening();
    EXPECT_EQ(file.Save(ours, path_), 0);
    EXPECT_NE(file.LastError().find("another program changed the file"), std::string::npos) << file.LastError();
    EXPECT_EQ(testing::ScratchFolder::ReadFile(path_), theirs);
    files.RefuseOpening(false);
    ASSERT_EQ(file.Save(ours, path_), 1) << file.LastError();
    EXPECT_EQ(testing::Sketch(ours), "a1 *b1 x1");
}

}  // namespace
}  // namespace tavrin
