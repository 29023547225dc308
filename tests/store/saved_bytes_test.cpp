// What a save writes for a list read from a file: byte for byte what the
// earlier save wrote, which packed every page anew with the reference codec;
// and where a damaged page stops the reading.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/drawing.h"
#include "store/little_endian.h"
#include "store/memo_list.h"
#include "support/memory_file.h"
#include "support/random_runs.h"
#include "support/reference_run_length.h"

namespace tavrin {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::MemoryFile;

Bytes Packed(const Bytes& pixels) {
    ByteBuffer out;
    const std::size_t length = reference::PackRuns(pixels, out).value();
    return Bytes(out.Data(), out.Data() + length);
}

Bytes Unpacked(const Bytes& stream) {
    ByteBuffer out;
    const std::size_t length = reference::UnpackRuns(stream, out).value();
    return Bytes(out.Data(), out.Data() + length);
}

void Append(Bytes& to, const Bytes& bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }

Bytes BlockHeader(std::uint16_t format, std::uint16_t width, std::uint16_t height,
                  std::size_t length) {
    Bytes header(12, 0);
    PutU16(&header[0], format);
    PutU16(&header[4], width);
    PutU16(&header[6], height);
    PutU32(&header[8], static_cast<std::uint32_t>(length));
    return header;
}

// A list part of a memo data file as some writer left it, and what the
// earlier save wrote for it after loading: each page packed anew.
struct StoredList {
    Bytes file;
    Bytes savedBefore;
};

// Pages of every form a file may hold: as the packer writes them, in items
// another writer chose, stored unpacked, small, and empty.
StoredList RandomStoredList(std::mt19937& random, std::uint16_t count) {
    StoredList stored;
    Bytes header(4, 0);
    PutU16(&header[0], count);
    PutU16(&header[2], static_cast<std::uint16_t>(count / 2));
    stored.file = header;
    stored.savedBefore = header;
    std::uniform_int_distribution<int> anyByte(0, 255);
    for (std::uint16_t memo = 0; memo < count; ++memo) {
        Bytes record(MemoEntry::kRecordSize);
        for (std::uint8_t& byte : record) {
            byte = static_cast<std::uint8_t>(anyByte(random));
        }
        Append(stored.file, record);
        Append(stored.savedBefore, record);
        const int form = memo % 5;
        const std::uint16_t width = form == 3 ? 8 : form == 4 ? 0 : 240;
        const std::uint16_t height = form == 3 ? 2 : form == 4 ? 0 : 320;
        const std::size_t pageBytes = std::size_t{height} * (width / 2u);
        Bytes data;
        Bytes pixels;
        std::uint16_t format = 0x0104;
        if (form == 0 || form == 3) {
            data = Packed(testing::RandomRunBytes(random, pageBytes));
        } else if (form == 1) {
            data = testing::RandomItems(random, 500);
        } else if (form == 2) {
            format = 0x0004;
            data = testing::RandomRunBytes(random, pageBytes);
        }
        Append(stored.file, BlockHeader(format, width, height, data.size()));
        Append(stored.file, data);
        const Bytes saved = format == 0x0004 ? Packed(data) : Packed(Unpacked(data));
        Append(stored.savedBefore, BlockHeader(0x0104, width, height, saved.size()));
        Append(stored.savedBefore, saved);
    }
    return stored;
}

Bytes Saved(const MemoList& list) {
    MemoryFile file;
    EXPECT_NE(list.Save(file), 0);
    return file.Bytes();
}

TEST(SavedBytes, AreThoseThatEverySavePackingAnewWrote) {
    for (std::uint32_t seed = 0; seed < 20; ++seed) {
        std::mt19937 random(seed);
        const StoredList stored = RandomStoredList(random, 23);
        MemoryFile file(stored.file);
        MemoList list;
        ASSERT_NE(list.Load(file), 0);
        EXPECT_EQ(Saved(list), stored.savedBefore) << "seed " << seed;
        EXPECT_EQ(Saved(list), stored.savedBefore) << "seed " << seed << ", saved again";
    }
}

TEST(SavedBytes, ACapturedPageReplacesOnlyItsOwnBlock) {
    std::mt19937 random(11);
    const StoredList stored = RandomStoredList(random, 6);
    MemoryFile file(stored.file);
    MemoList list;
    ASSERT_NE(list.Load(file), 0);
    const auto context = platform::GetScreenContext()->CreateCompatibleContext();
    const auto bitmap = context->CreateCompatibleBitmap(240, 320);
    platform::Bitmap* previous = context->SelectBitmap(bitmap.get());
    context->FillWhite({0, 0, 240, 320});
    context->Line(3, 4, 200, 300);
    MemoEntry* changed = list.NextOf(list.First());
    changed->page.Capture(*context, 0, 0, 240, 320);
    context->SelectBitmap(previous);

    MemoList reread;
    MemoryFile saved(Saved(list));
    ASSERT_NE(reread.Load(saved), 0);
    const auto pixels = changed->page.MakeSurface();
    const auto rereadPixels = reread.NextOf(reread.First())->page.MakeSurface();
    ASSERT_TRUE(pixels && rereadPixels);
    EXPECT_TRUE(std::equal(pixels->Pixels(), pixels->Pixels() + pixels->PixelByteCount(),
                           rereadPixels->Pixels()));
    // Every other block is as the earlier save wrote it.
    MemoryFile before(stored.savedBefore);
    MemoList old;
    ASSERT_NE(old.Load(before), 0);
    const MemoEntry* a = reread.First();
    const MemoEntry* b = old.First();
    for (int memo = 0; a != nullptr && b != nullptr; ++memo, a = reread.NextOf(a), b = old.NextOf(b)) {
        if (memo == 1) continue;
        MemoryFile blockA, blockB;
        a->page.Save(blockA);
        b->page.Save(blockB);
        EXPECT_EQ(blockA.Bytes(), blockB.Bytes()) << "memo " << memo;
    }
}

// A damaged page ends the reading at its memo, as it always did: the memos
// before it stay, followed by the one whose page failed.
struct DamageCase {
    std::string name;
    std::uint16_t format;
    std::uint16_t width;
    std::uint16_t height;
    Bytes data;
    std::optional<std::uint32_t> statedLength;
};

class DamagedPage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedPage, StopsTheLoadAtItsMemo) {
    const DamageCase& damage = GetParam();
    std::mt19937 random(3);
    Bytes file(4, 0);
    PutU16(&file[0], 5);
    for (int memo = 0; memo < 5; ++memo) {
        Append(file, Bytes(MemoEntry::kRecordSize, 0));
        if (memo == 2) {
            Append(file, BlockHeader(damage.format, damage.width, damage.height,
                                     damage.statedLength.value_or(
                                         static_cast<std::uint32_t>(damage.data.size()))));
            Append(file, damage.data);
        } else {
            const Bytes data = Packed(testing::RandomRunBytes(random, 38'400));
            Append(file, BlockHeader(0x0104, 240, 320, data.size()));
            Append(file, data);
        }
    }
    MemoryFile source(file);
    MemoList list;
    ListLoadNotes notes;
    EXPECT_EQ(list.Load(source, &notes), 0);
    ASSERT_EQ(notes.records.size(), 3U);
    EXPECT_TRUE(notes.records[1].pageRead);
    EXPECT_FALSE(notes.records[2].pageRead);
    EXPECT_EQ(list.Count(), 3);
}

Bytes PastThePage() {
    Bytes items;
    for (int k = 0; k < 609; ++k) Append(items, {0x3F, 0xFF});
    Append(items, {0x22, 0xFF});  // one byte more than 38,400
    return items;
}

INSTANTIATE_TEST_SUITE_P(
    SavedBytes, DamagedPage,
    ::testing::ValuesIn(std::vector<DamageCase>{
        {"UnpacksPastThePage", 0x0104, 240, 320, PastThePage(), std::nullopt},
        {"LongerThanTheFile", 0x0104, 240, 320, {0x3F, 0xFF}, 76'800},
        {"LongerThanAPageCanNeed", 0x0104, 8, 2, Bytes(17, 0x41), std::nullopt},
        {"EightBitsPerPixel", 0x0108, 240, 320, {0x3F, 0xFF}, std::nullopt},
        {"TooWide", 0x0104, 5'000, 1, {0x3F, 0xFF}, std::nullopt},
        {"NoHeight", 0x0104, 240, 0, {0x3F, 0xFF}, std::nullopt},
    }),
    [](const auto& test) { return test.param.name; });

}  // namespace
}  // namespace tavrin
