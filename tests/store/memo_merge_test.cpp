#include "store/memo_merge.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/fixed_clock.h"
#include "support/memo_sketch.h"

namespace tavrin {
namespace {

using testing::kMergedIn;
using testing::kOtherMachine;
using testing::Sketch;
using testing::SketchList;

// Gives every adopted alarm a handle of this machine's merge range and
// writes down what the merge asked for.
class RecordingAlarms : public MergedAlarms {
public:
    void Adopt(MemoEntry& memo) override {
        adopted += static_cast<char>('a' + memo.created.second);
        memo.alarmHandle = kMergedIn * 1000 + memo.alarmTime.minute;
    }
    void Withdraw(std::uint32_t handle) override { withdrawn.push_back(handle); }

    std::string adopted;
    std::vector<std::uint32_t> withdrawn;
};

struct MergeCase {
    const char* name;
    const char* base;  // null: no base, a merge of two lists
    const char* ours;
    const char* theirs;
    const char* merged;
    std::size_t changedElsewhere;
    const char* adopted = "";
    std::vector<std::uint32_t> withdrawn = {};
};

void PrintTo(const MergeCase& c, std::ostream* os) { *os << c.name; }

const MergeCase kMergeCases[] = {
    {"NothingChanged", "a1 b1 c1", "a1 *b1 c1", "a1 b1 c1", "a1 *b1 c1", 0},
    {"PageChangedThere", "a1 b1 c1", "a1 *b1 c1", "a1 b2 c1", "a1 *b2 c1", 1},
    {"PageChangedHere", "a1 b1 c1", "a1 *b2 c1", "a1 b1 c1", "a1 *b2 c1", 0},
    {"ChangedOnBothSidesKeepsBothOursFirst", "a1 b1 c1", "a1 *b2 c1", "a1 b3 c1", "a1 *b2 b3 c1", 1},
    {"TheSameChangeOnBothSidesIsOne", "a1 b1 c1", "a1 *b2 c1", "a1 b2 c1", "a1 *b2 c1", 0},
    {"AddedThereAtItsPlace", "a1 b1 c1", "*a1 b1 c1", "a1 b1 x1 c1", "*a1 b1 x1 c1", 1},
    {"AddedHereAtItsPlace", "a1 b1 c1", "a1 b1 *y1 c1", "a1 b1 c1", "a1 b1 *y1 c1", 0},
    {"AddedOnBothSidesAfterTheSameMemo", "a1 b1", "a1 *b1 y1", "a1 b1 x1", "a1 *b1 y1 x1", 1},
    {"AddedHereAtTheFront", "b1 c1", "*y1 b1 c1", "b1 c1 x1", "*y1 b1 c1 x1", 1},
    {"DeletedThereUnchangedHere", "a1 b1 c1", "a1 *b1 c1", "a1 c1", "a1 *c1", 1},
    {"DeletedThereLastOneShowsTheOneBefore", "a1 b1 c1", "a1 b1 *c1", "a1 b1", "a1 *b1", 1},
    {"DeletedThereButChangedHere", "a1 b1 c1", "a1 *b2 c1", "a1 c1", "a1 *b2 c1", 0},
    {"DeletedHereUnchangedThere", "a1 b1 c1", "a1 *c1", "a1 b1 c1", "a1 *c1", 0},
    {"DeletedHereButChangedThere", "a1 b1 c1", "*a1 c1", "a1 b2 c1", "*a1 b2 c1", 1},
    {"DeletedOnBothSides", "a1 b1 c1", "a1 *c1", "a1 c1", "a1 *c1", 0},
    {"EveryMemoDeletedThere", "a1 b1", "a1 *b1", "x1", "*x1", 3},
    {"AlarmSetThereIsRegisteredHere", "a1 b1 c1", "a1 *b1 c1", "a1 b1@5 c1", "a1 *b1@5n c1", 1, "b"},
    {"AlarmSetHereStays", "a1 b1 c1", "a1 *b1@5 c1", "a1 b1 c1", "a1 *b1@5 c1", 0},
    {"AlarmClearedThereIsWithdrawnHere", "a1 b1@5 c1", "a1 *b1@5 c1", "a1 b1 c1", "a1 *b1 c1", 1, "", {2005}},
    {"AlarmMovedThere", "a1 b1@5 c1", "a1 *b1@5 c1", "a1 b1@7 c1", "a1 *b1@7n c1", 1, "b", {2005}},
    {"PageChangedThereKeepsOurNotification", "a1 b1@5 c1", "a1 *b1@5 c1", "a1 b2@5 c1", "a1 *b2@5 c1", 1},
    {"DeletedThereWithItsAlarm", "a1 b1@5 c1", "*a1 b1@5 c1", "a1 c1", "*a1 c1", 1, "", {2005}},
    {"BothChangedTheirCopyGetsItsOwnAlarm", "a1 b1@5", "a1 *b2@5", "a1 b3@5", "a1 *b2@5 b3@5n", 1, "b"},
    {"RepeatedTimesPairInOrder", "a1 a1", "a1 *a2", "a3 a1", "a3 *a2", 1},
    {"RepeatedTimesAddedThere", "a1", "*a1", "a1 a2", "*a1 a2", 1},
    {"WithoutABaseEveryMemoIsKept", nullptr, "a1 *b1", "a1 b2 c1", "a1 *b1 b2 c1", 2},
    {"WithoutABaseTheSameMemoIsOne", nullptr, "*a1 b1@5", "a1 b1@5 c1", "*a1 b1@5 c1", 1},
};

class MergeTest : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeTest, MergesMemoByMemo) {
    const MergeCase& c = GetParam();
    const auto base = c.base != nullptr ? SketchList(c.base) : nullptr;
    const auto ours = SketchList(c.ours);
    const auto theirs = SketchList(c.theirs, kOtherMachine);
    RecordingAlarms alarms;
    std::string cause;
    const MergeReport report = MergeMemoLists(base.get(), *ours, *theirs, &alarms, cause);
    EXPECT_TRUE(report.merged) << cause;
    EXPECT_EQ(Sketch(*ours), c.merged);
    EXPECT_EQ(report.changedElsewhere, c.changedElsewhere);
    EXPECT_EQ(alarms.adopted, c.adopted);
    EXPECT_EQ(alarms.withdrawn, c.withdrawn);
}

INSTANTIATE_TEST_SUITE_P(Cases, MergeTest, ::testing::ValuesIn(kMergeCases),
                         [](const ::testing::TestParamInfo<MergeCase>& param) { return std::string(param.param.name); });

// Without a program's alarms the lists alone are merged: an alarm from
// elsewhere keeps the handle it came with.
TEST(MergeWithoutAlarms, KeepsTheirHandles) {
    const auto base = SketchList("a1 b1");
    const auto ours = SketchList("*a1 b1");
    const auto theirs = SketchList("a1 b1@5", kOtherMachine);
    std::string cause;
    EXPECT_TRUE(MergeMemoLists(base.get(), *ours, *theirs, nullptr, cause).merged);
    EXPECT_EQ(Sketch(*ours), "*a1 b1@5t");
}

// A page stored by another writer in another packing, or unpacked, is the
// same page when its pixels are.
TEST(MergeSamePages, SamePixelsInAnotherFormAreUnchanged) {
    const auto one = SketchList("a1");
    const auto other = SketchList("a1");
    EXPECT_TRUE(one->First()->page.SamePicture(other->First()->page));
    testing::DrawSketchPage(*other->First(), 2);
    EXPECT_FALSE(one->First()->page.SamePicture(other->First()->page));
}

TEST(MergeLimits, AListTooLongToHoldChangesNothing) {
    // A full list of ours and two memos of theirs that it lacks.
    const testing::FixedClock clock;
    auto ours = std::make_unique<MemoList>(clock);
    while (ours->Count() < MemoList::kMaxCount) ours->Append();
    std::uint32_t second = 0;
    for (MemoEntry* memo = ours->First(); memo != nullptr; memo = ours->NextOf(memo), ++second) {
        memo->created = {2024, 1, 0, 1, static_cast<std::uint16_t>(second / 3600),
                         static_cast<std::uint16_t>(second / 60 % 60), static_cast<std::uint16_t>(second % 60), 0};
    }
    const auto theirs = SketchList("a1 b1", kOtherMachine);
    const MemoEntry* current = ours->Current();
    std::string cause;
    EXPECT_FALSE(MergeMemoLists(nullptr, *ours, *theirs, nullptr, cause).merged);
    EXPECT_NE(cause.find("more than 65535 memos"), std::string::npos) << cause;
    EXPECT_EQ(ours->Count(), MemoList::kMaxCount);
    EXPECT_EQ(ours->Current(), current);
}

}  // namespace
}  // namespace tavrin
