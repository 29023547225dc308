#include "store/memo_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <ostream>
#include <vector>

#include "store/allocation.h"
#include "support/fixed_clock.h"
#include "support/page_pixels.h"
#include "support/same_memos.h"
#include "support/memo_lists.h"
#include "support/memory_file.h"

namespace tavrin {
namespace {

template <typename Case>
std::string NameOf(const ::testing::TestParamInfo<Case>& test) {
    return test.param.name;
}

using testing::DescribeListProblem;
using testing::MakeTaggedList;
using testing::MemoryFile;
using testing::Tags;
using Bytes = std::vector<std::uint8_t>;

TEST(MemoListTest, NewListHoldsOneBlankCurrentMemo) {
    MemoList list;
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.CurrentIndex(), 1);
    EXPECT_EQ(list.First(), list.Current());
    EXPECT_EQ(list.Last(), list.Current());
    EXPECT_EQ(list.Current()->alarmHandle, 0u);
    EXPECT_EQ(list.Current()->alarmTime, SYSTEMTIME{});
    EXPECT_FALSE(list.Current()->page.HasPicture());
    EXPECT_EQ(DescribeListProblem(list), "");
}

struct OperationCase {
    const char* name;
    std::uint32_t count;
    std::uint32_t current;
    std::function<int(MemoList&)> operation;
    int result;
    std::vector<std::uint32_t> tags;  // 0: a memo the operation made
    std::uint16_t index;
};

// Test names in listings show the case's name, not its bytes.
void PrintTo(const OperationCase& c, std::ostream* os) { *os << c.name; }

int Inserted(MemoEntry* entry) { return entry != nullptr ? 1 : 0; }
const auto kInsertBefore = [](MemoList& list) { return Inserted(list.InsertBefore()); };
const auto kInsertAfter = [](MemoList& list) { return Inserted(list.InsertAfter()); };
const auto kAppend = [](MemoList& list) { return Inserted(list.Append()); };
const auto kDelete = [](MemoList& list) { return list.DeleteCurrent(); };
const auto kPrevious = [](MemoList& list) { return list.Previous(); };
const auto kNext = [](MemoList& list) { return list.Next(); };
const auto kRewind = [](MemoList& list) {
    list.Rewind();
    return 1;
};

class MemoListOperationTest : public ::testing::TestWithParam<OperationCase> {};

TEST_P(MemoListOperationTest, KeepsOrderPositionAndLinks) {
    const OperationCase& c = GetParam();
    auto list = MakeTaggedList(c.count, c.current);
    EXPECT_EQ(c.operation(*list), c.result);
    EXPECT_EQ(Tags(*list), c.tags);
    EXPECT_EQ(list->CurrentIndex(), c.index);
    EXPECT_EQ(DescribeListProblem(*list), "");
}

INSTANTIATE_TEST_SUITE_P(
    Operations, MemoListOperationTest,
    ::testing::Values(
        OperationCase{"InsertBeforeMiddle", 5, 3, kInsertBefore, 1, {1, 2, 0, 3, 4, 5}, 3},
        OperationCase{"InsertBeforeFirst", 5, 1, kInsertBefore, 1, {0, 1, 2, 3, 4, 5}, 1},
        OperationCase{"InsertAfterMiddle", 5, 3, kInsertAfter, 1, {1, 2, 3, 0, 4, 5}, 4},
        OperationCase{"InsertAfterLast", 5, 5, kInsertAfter, 1, {1, 2, 3, 4, 5, 0}, 6},
        OperationCase{"AppendFromMiddle", 5, 3, kAppend, 1, {1, 2, 3, 4, 5, 0}, 6},
        OperationCase{"AppendToOne", 1, 1, kAppend, 1, {1, 0}, 2},
        OperationCase{"DeleteLast", 5, 5, kDelete, 1, {1, 2, 3, 4}, 4},
        OperationCase{"DeleteMiddle", 5, 2, kDelete, 1, {1, 3, 4, 5}, 2},
        OperationCase{"DeleteFirst", 5, 1, kDelete, 1, {2, 3, 4, 5}, 1},
        OperationCase{"DeleteOnly", 1, 1, kDelete, 1, {0}, 1},
        OperationCase{"PreviousAtFirst", 5, 1, kPrevious, 0, {1, 2, 3, 4, 5}, 1},
        OperationCase{"PreviousMiddle", 5, 3, kPrevious, 1, {1, 2, 3, 4, 5}, 2},
        OperationCase{"NextAtLast", 5, 5, kNext, 0, {1, 2, 3, 4, 5}, 5},
        OperationCase{"NextMiddle", 5, 3, kNext, 1, {1, 2, 3, 4, 5}, 4},
        OperationCase{"Rewind", 5, 4, kRewind, 1, {1, 2, 3, 4, 5}, 1}),
    NameOf<OperationCase>);

TEST(MemoListTest, NewMemosCarryTheClocksTime) {
    testing::FixedClock clock({2024, 2, 4, 29, 23, 59, 58, 990});
    MemoList list(clock);
    EXPECT_EQ(list.Current()->created, clock.now);
    clock.now = {2024, 3, 5, 1, 0, 0, 1, 5};
    EXPECT_EQ(list.InsertBefore()->created, clock.now);
    EXPECT_EQ(list.InsertAfter()->created, clock.now);
    EXPECT_EQ(list.Append()->created, clock.now);
}

TEST(MemoListTest, DeletingTheOnlyMemoLeavesANewBlankOne) {
    testing::FixedClock clock({2000, 1, 6, 1, 0, 0, 0, 0});
    MemoList list(clock);
    list.Current()->SetAlarm(7, SYSTEMTIME{2020, 1, 3, 1, 0, 0, 0, 0});
    clock.now = {2024, 5, 3, 1, 12, 30, 15, 250};
    list.DeleteCurrent();
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Current()->alarmHandle, 0u);
    EXPECT_EQ(list.Current()->alarmTime, SYSTEMTIME{});
    EXPECT_EQ(list.Current()->created, clock.now);
}

TEST(MemoListTest, SeekToFindsAMemoAndEndsAtTheLastWhenItIsMissing) {
    auto list = MakeTaggedList(4, 1);
    MemoEntry* third = list->NextOf(list->NextOf(list->First()));
    EXPECT_EQ(list->SeekTo(third), 1);
    EXPECT_EQ(list->Current(), third);
    EXPECT_EQ(list->CurrentIndex(), 3);

    MemoList other;
    EXPECT_EQ(list->SeekTo(other.Current()), 0);
    EXPECT_EQ(list->Current(), list->Last());
    EXPECT_EQ(list->CurrentIndex(), 4);
}

// The 16-bit count and position can't go past 65,535 memos.
TEST(MemoListTest, AFullListRefusesNewMemosAndChangesNothing) {
    MemoList list;
    while (list.Count() < MemoList::kMaxCount) {
        ASSERT_NE(list.Append(), nullptr);
    }
    list.Rewind();
    list.Next();
    MemoEntry* const current = list.Current();
    const std::vector<std::function<int(MemoList&)>> inserts = {kInsertBefore, kInsertAfter,
                                                                kAppend};
    for (const auto& insert : inserts) {
        EXPECT_EQ(insert(list), 0);
        EXPECT_EQ(list.Count(), MemoList::kMaxCount);
        EXPECT_EQ(list.Current(), current);
        EXPECT_EQ(list.CurrentIndex(), 2);
    }
    list.DeleteCurrent();
    EXPECT_NE(list.Append(), nullptr);
    EXPECT_EQ(list.CurrentIndex(), MemoList::kMaxCount);
    EXPECT_EQ(DescribeListProblem(list), "");
}

// --- The list part of the memo data file --------------------------------------

constexpr std::size_t kHeaderSize = 4;
constexpr std::size_t kBlockHeaderSize = 12;

Bytes Saved(const MemoList& list) {
    MemoryFile file;
    EXPECT_EQ(list.Save(file), 1);
    return file.Bytes();
}

// Where each record starts; the page block's data length gives its end.
std::vector<std::size_t> RecordOffsets(const Bytes& bytes) {
    std::vector<std::size_t> offsets;
    std::size_t at = kHeaderSize;
    while (at + MemoEntry::kRecordSize + kBlockHeaderSize <= bytes.size()) {
        offsets.push_back(at);
        const std::uint8_t* length = &bytes[at + MemoEntry::kRecordSize + 8];
        at += MemoEntry::kRecordSize + kBlockHeaderSize + length[0] + (length[1] << 8) +
              (length[2] << 16) + (static_cast<std::size_t>(length[3]) << 24);
    }
    return offsets;
}

TEST(MemoListFileTest, WritesHeaderAndRecordFieldByFieldLittleEndian) {
    auto list = MakeTaggedList(2, 2);
    MemoEntry& first = *list->First();
    first.created = {0x07E8, 3, 2, 5, 14, 30, 15, 0x01F4};
    first.SetAlarm(0x11223344, {0x07E9, 12, 3, 31, 23, 59, 58, 0x03E7});
    testing::DrawTaggedPages(*list, 8, 2);

    const Bytes bytes = Saved(*list);
    const Bytes expected = {
        0x02, 0x00, 0x01, 0x00,                          // count 2, current position 1
        0xE8, 0x07, 0x03, 0x00, 0x02, 0x00, 0x05, 0x00,  // created
        0x0E, 0x00, 0x1E, 0x00, 0x0F, 0x00, 0xF4, 0x01,  //
        0xE9, 0x07, 0x0C, 0x00, 0x03, 0x00, 0x1F, 0x00,  // alarmTime
        0x17, 0x00, 0x3B, 0x00, 0x3A, 0x00, 0xE7, 0x03,  //
        0x44, 0x33, 0x22, 0x11,                          // alarmHandle
        0x04, 0x01, 0x00, 0x00, 0x08, 0x00, 0x02, 0x00,  // page block: format, width, height
    };
    ASSERT_GE(bytes.size(), expected.size());
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(expected.size())),
              expected);
    EXPECT_EQ(RecordOffsets(bytes).size(), 2u);
}

TEST(MemoListFileTest, LoadGivesBackOrderCurrentMemoTimesAlarmsAndPixels) {
    auto saved = MakeTaggedList(3, 2);
    saved->First()->created = {2024, 2, 4, 29, 8, 1, 2, 3};
    saved->Last()->SetAlarm(0xFFFFFFFF, {2030, 7, 1, 15, 6, 0, 0, 0});
    testing::DrawTaggedPages(*saved, 30, 7);
    MemoryFile file(Saved(*saved));

    MemoList loaded;
    ASSERT_EQ(loaded.Load(file), 1);
    EXPECT_EQ(Tags(loaded), Tags(*saved));
    EXPECT_EQ(loaded.CurrentIndex(), 2);
    EXPECT_EQ(loaded.First()->page.Width(), 30);
    EXPECT_EQ(loaded.First()->page.Height(), 7);
    testing::ExpectSameMemos(loaded, *saved);
    EXPECT_EQ(file.Remaining(), 0u);
}

void SetCount(Bytes& bytes, std::uint16_t count) {
    bytes[0] = static_cast<std::uint8_t>(count);
    bytes[1] = static_cast<std::uint8_t>(count >> 8);
}
void SetPosition(Bytes& bytes, std::uint16_t position) {
    bytes[2] = static_cast<std::uint8_t>(position);
    bytes[3] = static_cast<std::uint8_t>(position >> 8);
}
// Cuts the file `offset` bytes into record `record` (0-based).
void CutInRecord(Bytes& bytes, std::size_t record, std::size_t offset) {
    bytes.resize(RecordOffsets(bytes).at(record) + offset);
}

struct LoadCase {
    const char* name;
    void (*edit)(Bytes&);  // applied to a saved list of memos 1, 2, 3
    int result;
    std::vector<std::uint32_t> tags;  // the loaded list; 0: a memo not read from the file
    std::uint16_t index;
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

class MemoListLoadTest : public ::testing::TestWithParam<LoadCase> {};

// Whatever the file holds, the list ends up whole: at least one memo, one of
// them current, position and count right.
TEST_P(MemoListLoadTest, EndsWithAWholeList) {
    const LoadCase& c = GetParam();
    auto saved = MakeTaggedList(3, 1);
    testing::DrawTaggedPages(*saved, 16, 4);
    Bytes bytes = Saved(*saved);
    c.edit(bytes);
    MemoryFile file(bytes);

    auto list = MakeTaggedList(2, 2);
    for (auto& tag : {list->First(), list->Last()}) {
        tag->alarmHandle += 6;  // memos 7 and 8, to tell them from the file's
    }
    EXPECT_EQ(list->Load(file), c.result);
    EXPECT_EQ(Tags(*list), c.tags);
    EXPECT_EQ(list->CurrentIndex(), c.index);
    EXPECT_EQ(DescribeListProblem(*list), "");
}

INSTANTIATE_TEST_SUITE_P(
    BadAndOddFiles, MemoListLoadTest,
    ::testing::Values(
        LoadCase{"Whole", [](Bytes&) {}, 1, {1, 2, 3}, 1},
        LoadCase{"SecondCurrent", [](Bytes& b) { SetPosition(b, 1); }, 1, {1, 2, 3}, 2},
        LoadCase{"CountZero", [](Bytes& b) { SetCount(b, 0); }, 1, {0}, 1},
        LoadCase{"PositionEqualToCount", [](Bytes& b) { SetPosition(b, 3); }, 1, {1, 2, 3}, 3},
        LoadCase{"PositionFarPastCount", [](Bytes& b) { SetPosition(b, 0xFFFF); }, 1,
                 {1, 2, 3}, 3},
        LoadCase{"CountPastRecords", [](Bytes& b) { SetCount(b, 4); }, 0, {1, 2, 3, 0}, 1},
        LoadCase{"CurrentIsTheRecordThatFailed",
                 [](Bytes& b) {
                     SetCount(b, 4);
                     SetPosition(b, 3);
                 },
                 0, {1, 2, 3, 0}, 4},
        LoadCase{"RecordCutBeforeCurrent",
                 [](Bytes& b) {
                     SetPosition(b, 2);
                     CutInRecord(b, 1, 20);
                 },
                 0, {1, 0}, 2},
        LoadCase{"PageBlockCutBeforeCurrent",
                 [](Bytes& b) {
                     SetPosition(b, 2);
                     CutInRecord(b, 1, MemoEntry::kRecordSize + kBlockHeaderSize + 1);
                 },
                 0, {1, 2}, 2},
        LoadCase{"PageHeaderCut",
                 [](Bytes& b) { CutInRecord(b, 2, MemoEntry::kRecordSize + 5); }, 0,
                 {1, 2, 3}, 1},
        LoadCase{"FirstRecordCut", [](Bytes& b) { CutInRecord(b, 0, 35); }, 0, {0}, 1},
        LoadCase{"HeaderCut", [](Bytes& b) { b.resize(3); }, 0, {7, 8}, 2},
        LoadCase{"NothingAfterMagic", [](Bytes& b) { b.clear(); }, 0, {7, 8}, 2}),
    NameOf<LoadCase>);

TEST(MemoListFileTest, LoadIgnoresBytesAfterTheLastRecordAndNotesThem) {
    auto saved = MakeTaggedList(2, 1);
    testing::DrawTaggedPages(*saved, 8, 8);
    Bytes bytes = Saved(*saved);
    bytes.insert(bytes.end(), {1, 2, 3});
    MemoryFile file(bytes);

    MemoList list;
    ListLoadNotes notes;
    EXPECT_EQ(list.Load(file, &notes), 1);
    EXPECT_EQ(Tags(list), (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(notes.storedCount, 2);
    ASSERT_EQ(notes.records.size(), 2u);
    EXPECT_TRUE(notes.records[1].recordRead);
    EXPECT_TRUE(notes.records[1].pageRead);
    EXPECT_EQ(notes.records[1].page.header.width, 8);
    EXPECT_EQ(file.Remaining(), 3u);
}

// A long list's pages are checked on another thread while the reading goes
// on; a page whose items unpack past its page still ends the load at that
// memo, with the same memos, current memo and notes as if it had been
// checked as it was read, whether it is among the first pages (checked as
// they are read) or later ones.
struct DamagedPageCase {
    std::uint16_t damaged;   // 0-based memo whose page is damaged; kNoDamage: none
    std::uint16_t position;  // stored current position
    std::uint16_t index;     // the current memo after the load
};
constexpr std::uint16_t kNoDamage = 0xFFFF;
constexpr std::uint32_t kLongList = 200;

void PrintTo(const DamagedPageCase& c, std::ostream* os) {
    *os << "damaged " << c.damaged << ", position " << c.position;
}

// Makes the page of memo `memo` unpack to far more bytes than its page holds:
// every pair of its data becomes a run of 63.
void OverfillPage(Bytes& bytes, std::size_t memo) {
    const std::size_t header = RecordOffsets(bytes).at(memo) + MemoEntry::kRecordSize;
    const std::size_t length = bytes[header + 8];
    for (std::size_t i = 0; i + 1 < length; i += 2) {
        bytes[header + kBlockHeaderSize + i] = 63;
    }
}

class LongListDamagedPageTest : public ::testing::TestWithParam<DamagedPageCase> {};

TEST_P(LongListDamagedPageTest, EndsTheLoadAtThatMemo) {
    const DamagedPageCase& c = GetParam();
    auto saved = MakeTaggedList(kLongList, 1);
    testing::DrawTaggedPages(*saved, 16, 4);
    Bytes bytes = Saved(*saved);
    SetPosition(bytes, c.position);
    const bool damaged = c.damaged != kNoDamage;
    if (damaged) {
        OverfillPage(bytes, c.damaged);
    }
    MemoryFile file(bytes);

    MemoList list;
    ListLoadNotes notes;
    EXPECT_EQ(list.Load(file, &notes), damaged ? 0 : 1);
    const std::uint32_t kept = damaged ? c.damaged + 1u : kLongList;
    std::vector<std::uint32_t> tags(kept);
    std::iota(tags.begin(), tags.end(), 1u);
    EXPECT_EQ(Tags(list), tags);
    EXPECT_EQ(list.CurrentIndex(), c.index);
    EXPECT_EQ(DescribeListProblem(list), "");
    EXPECT_FALSE(notes.outOfMemory);
    ASSERT_EQ(notes.records.size(), kept);
    EXPECT_EQ(notes.records.back().pageRead, !damaged);
    EXPECT_EQ(list.Last()->page.HasPicture(), !damaged);
    if (damaged) {
        EXPECT_GT(notes.records.back().page.pixelBytesDelivered,
                  notes.records.back().page.pixelBytesExpected);
    }
    for (std::size_t i = 0; i + 1 < kept; ++i) {
        EXPECT_TRUE(notes.records[i].pageRead) << "memo " << i;
        EXPECT_EQ(notes.records[i].page.pixelBytesDelivered, 32u) << "memo " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, LongListDamagedPageTest,
    ::testing::Values(DamagedPageCase{kNoDamage, 120, 121}, DamagedPageCase{5, 0, 1},
                      DamagedPageCase{5, 120, 6}, DamagedPageCase{64, 64, 65},
                      DamagedPageCase{150, 10, 11}, DamagedPageCase{150, 150, 151},
                      DamagedPageCase{199, 199, 200}));

// A file for which memory runs out notes the lack of memory and keeps the
// memos read so far, never more than the file gave.
TEST(MemoListFileTest, PageDataThatCannotBeHeldEndsTheLoadNotingTheLackOfMemory) {
    auto saved = MakeTaggedList(2, 1);
    testing::DrawTaggedPages(*saved, 240, 320);
    MemoryFile file(Saved(*saved));
    ListLoadNotes notes;
    MemoList list;
    {
        AllocationLimitForTesting limit(100);
        EXPECT_EQ(list.Load(file, &notes), 0);
    }
    EXPECT_TRUE(notes.outOfMemory);
    ASSERT_EQ(notes.records.size(), 1u);
    EXPECT_TRUE(notes.records[0].page.outOfMemory);
    EXPECT_EQ(DescribeListProblem(list), "");
}

// A page that can't be written ends the save with a failure, so that the
// caller never takes a half-written file for a saved one.
TEST(MemoListFileTest, SaveReportsAWriteThatFailed) {
    class FullFile : public MemoryFile {
    public:
        bool Write(const void* data, std::size_t length) override {
            if (Bytes().size() + length > 60) {
                return false;
            }
            return MemoryFile::Write(data, length);
        }
    };
    auto list = MakeTaggedList(3, 1);
    testing::DrawTaggedPages(*list, 8, 8);
    FullFile file;
    EXPECT_EQ(list->Save(file), 0);
}

}  // namespace
}  // namespace tavrin
