// Reading a file only as far as its current memo: the memo comes out as a
// full load gives it, no other page's data is read, and a damaged file up
// to that memo is refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "store/little_endian.h"
#include "store/memo_file.h"
#include "support/memo_lists.h"
#include "support/memory_file.h"
#include "support/page_pixels.h"

namespace tavrin {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::MemoryFile;

constexpr std::size_t kFileHeader = 8 + 4;
constexpr std::size_t kPageHeader = 12;

// A memo file of `count` tagged memos of different page sizes, `current`
// (1-based) current.
Bytes FileOf(std::uint32_t count, std::uint32_t current) {
    auto list = testing::MakeTaggedList(count, current);
    std::int32_t side = 8;
    for (MemoEntry* entry = list->First(); entry != nullptr; entry = list->NextOf(entry)) {
        testing::DrawTaggedPage(*entry, side, side + 3);
        side += 5;
    }
    MemoryFile file;
    file.Write(kMemoFileMagic.data(), kMemoFileMagic.size());
    list->Save(file);
    return file.Bytes();
}

// Where memo `position` (0-based) begins.
std::size_t MemoAt(const Bytes& bytes, std::size_t position) {
    std::size_t at = kFileHeader;
    for (std::size_t i = 0; i < position; ++i) {
        at += MemoEntry::kRecordSize + kPageHeader + GetU32(&bytes[at + MemoEntry::kRecordSize + 8]);
    }
    return at;
}

// Fills a page's data with runs of 63 zero bytes: far more than the page holds.
void OverfillPage(Bytes& bytes, std::size_t pageHeader) {
    const std::uint32_t length = GetU32(&bytes[pageHeader + 8]);
    for (std::uint32_t i = 0; i < length; ++i) {
        bytes[pageHeader + kPageHeader + i] = i % 2 == 0 ? 0x3F : 0x00;
    }
}

// Counts the bytes handed over by reads, not those skipped.
class CountingFile final : public MemoryFile {
public:
    using MemoryFile::MemoryFile;
    bool Read(void* buffer, std::size_t length) override {
        read_ += length;
        return MemoryFile::Read(buffer, length);
    }
    std::size_t BytesRead() const { return read_; }

private:
    std::size_t read_ = 0;
};

TEST(ReadCurrentMemo, GivesTheMemoAFullLoadMakesCurrentReadingNoOtherPage) {
    for (const std::uint32_t current : {1U, 3U, 5U}) {
        SCOPED_TRACE("current memo " + std::to_string(current));
        const Bytes bytes = FileOf(5, current);
        MemoList loaded;
        MemoryFile whole(bytes);
        ASSERT_EQ(MemoFile(platform::LocalFileSystem()).Read(whole, loaded).outcome,
                  LoadOutcome::ReadWhole);

        CountingFile file(bytes);
        MemoEntry memo(SYSTEMTIME{});
        std::string cause;
        ASSERT_EQ(ReadCurrentMemo(file, memo, cause), CurrentMemoOutcome::Read) << cause;
        const MemoEntry& expected = *loaded.Current();
        EXPECT_EQ(memo.alarmHandle, current);
        EXPECT_EQ(memo.created, expected.created);
        EXPECT_EQ(memo.page.Width(), expected.page.Width());
        EXPECT_EQ(memo.page.Height(), expected.page.Height());
        EXPECT_EQ(testing::PagePixels(memo.page).Bytes(),
                  testing::PagePixels(expected.page).Bytes());
        // The file's header, each earlier memo's page header (its record and
        // data are skipped), and the current memo whole.
        const std::size_t start = MemoAt(bytes, current - 1);
        const std::size_t end = MemoAt(bytes, current);
        EXPECT_EQ(file.BytesRead(), kFileHeader + (current - 1) * kPageHeader + (end - start));
    }
}

// Pages before the current one are passed over by their headers: items that
// a full load refuses there don't stop the current memo's picture.
TEST(ReadCurrentMemo, NeverWalksTheItemsOfAnEarlierPage) {
    Bytes bytes = FileOf(3, 3);
    OverfillPage(bytes, MemoAt(bytes, 0) + MemoEntry::kRecordSize);
    MemoList loaded;
    MemoryFile whole(bytes);
    ASSERT_EQ(MemoFile(platform::LocalFileSystem()).Read(whole, loaded).outcome,
              LoadOutcome::ReadFailed);
    MemoryFile file(bytes);
    MemoEntry memo(SYSTEMTIME{});
    std::string cause;
    EXPECT_EQ(ReadCurrentMemo(file, memo, cause), CurrentMemoOutcome::Read) << cause;
    EXPECT_EQ(memo.alarmHandle, 3U);
}

struct DamageCase {
    const char* name;
    void (*damage)(Bytes&);
    CurrentMemoOutcome outcome;
    const char* says;
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

class ReadCurrentMemoDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(ReadCurrentMemoDamage, IsRefusedWithItsCause) {
    Bytes bytes = FileOf(3, 2);
    GetParam().damage(bytes);
    MemoryFile file(bytes);
    MemoEntry memo(SYSTEMTIME{});
    std::string cause;
    EXPECT_EQ(ReadCurrentMemo(file, memo, cause), GetParam().outcome);
    EXPECT_NE(cause.find(GetParam().says), std::string::npos) << cause;
}

// Offsets into the file of FileOf(3, 2): the first memo's page header, and
// the second (current) memo's.
std::size_t FirstPage(const Bytes& b) { return MemoAt(b, 0) + MemoEntry::kRecordSize; }
std::size_t CurrentPage(const Bytes& b) { return MemoAt(b, 1) + MemoEntry::kRecordSize; }

INSTANTIATE_TEST_SUITE_P(
    Files, ReadCurrentMemoDamage,
    ::testing::Values(
        DamageCase{"WrongMagic", [](Bytes& b) { b[7] = '5'; }, CurrentMemoOutcome::WrongMagic,
                   "does not begin with \"Tavrin04\""},
        DamageCase{"ShorterThanTheMagic", [](Bytes& b) { b.resize(5); },
                   CurrentMemoOutcome::WrongMagic, "does not begin with"},
        DamageCase{"HeaderCutShort", [](Bytes& b) { b.resize(10); }, CurrentMemoOutcome::Damaged,
                   "memo count and current position are cut short"},
        DamageCase{"PositionPastCount", [](Bytes& b) { b[10] = 3; }, CurrentMemoOutcome::Damaged,
                   "current position 3 is not below the memo count 3"},
        DamageCase{"NoMemos", [](Bytes& b) { b[8] = 0; b[10] = 0; },
                   CurrentMemoOutcome::Damaged, "not below the memo count 0"},
        DamageCase{"EarlierRecordCutShort", [](Bytes& b) { b.resize(kFileHeader + 20); },
                   CurrentMemoOutcome::Damaged, "memo 1 is cut short"},
        DamageCase{"EarlierPageLongerThanTheFile",
                   [](Bytes& b) { PutU32(&b[FirstPage(b) + 8], 0x7FFFFFFF); },
                   CurrentMemoOutcome::Damaged, "memo 1 is cut short"},
        DamageCase{"EarlierPageOfEightBits", [](Bytes& b) { b[FirstPage(b)] = 8; },
                   CurrentMemoOutcome::Damaged, "memo 1 is cut short"},
        DamageCase{"EarlierPageWiderThanAnyPage", [](Bytes& b) { PutU16(&b[FirstPage(b) + 4], 5000); },
                   CurrentMemoOutcome::Damaged, "memo 1 is cut short"},
        DamageCase{"CurrentPageCutShort",
                   [](Bytes& b) { b.resize(CurrentPage(b) + kPageHeader + 2); },
                   CurrentMemoOutcome::Damaged, "the current memo 2 is cut short"},
        DamageCase{"CurrentPageUnpacksPastItsBytes",
                   [](Bytes& b) { OverfillPage(b, CurrentPage(b)); },
                   CurrentMemoOutcome::Damaged, "the current memo 2 is cut short"}),
    [](const ::testing::TestParamInfo<DamageCase>& test) { return test.param.name; });

}  // namespace
}  // namespace tavrin
