#include "store/run_length.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "store/allocation.h"
#include "support/blank_page.h"
#include "support/random_runs.h"
#include "support/reference_run_length.h"

namespace tavrin {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Repeated(std::size_t count, std::uint8_t value) { return Bytes(count, value); }

Bytes Joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes Contents(const ByteBuffer& buffer, std::size_t length) {
    return Bytes(buffer.Data(), buffer.Data() + length);
}

std::optional<Bytes> Pack(const Bytes& input) {
    ByteBuffer out;
    const std::optional<std::size_t> length = PackRuns(input, out);
    if (!length) {
        return std::nullopt;
    }
    EXPECT_EQ(out.Capacity(), *length) << "the packed buffer is shrunk to its length";
    return Contents(out, *length);
}

std::optional<Bytes> Unpack(const Bytes& input) {
    ByteBuffer out;
    const std::optional<std::size_t> length = UnpackRuns(input, out);
    if (!length) {
        return std::nullopt;
    }
    EXPECT_EQ(out.Capacity(), *length) << "the unpacked buffer is shrunk to its length";
    return Contents(out, *length);
}

// The packing rule written the plain way, byte by byte: the packer's
// word-at-a-time run search must give exactly this stream.
Bytes PackOneByteAtATime(const Bytes& input) {
    Bytes packed;
    std::size_t i = 0;
    while (i < input.size()) {
        const std::uint8_t value = input[i++];
        std::uint8_t run = 1;
        while (i < input.size() && input[i] == value && run < 63) {
            ++run;
            ++i;
        }
        if (run > 1 || value < 64) {
            packed.push_back(run);
        }
        packed.push_back(value);
    }
    return packed;
}

// Names each parameterized case after its `name` field.
struct CaseName {
    template <class TestInfo>
    std::string operator()(const TestInfo& test) const {
        return test.param.name;
    }
};

struct PackCase {
    std::string name;
    Bytes input;
    Bytes packed;
};

using testing::BlankPagePacked;

std::vector<PackCase> PackCases() {
    return {
        {"Empty", {}, {}},
        {"LoneLiteral", {0x40}, {0x40}},
        {"LoneLowByteTravelsWithCount", {0x3F}, {0x01, 0x3F}},
        {"LoneZero", {0x00}, {0x01, 0x00}},
        {"PairOfLiterals", {0x41, 0x41}, {0x02, 0x41}},
        {"MixedRuns",
         {0x12, 0x12, 0x12, 0x80, 0x80, 0x80, 0x90},
         {0x03, 0x12, 0x03, 0x80, 0x90}},
        {"LongestRun", Repeated(63, 0xFF), {0x3F, 0xFF}},
        {"RunOf64EndsInLiteral", Repeated(64, 0xFF), {0x3F, 0xFF, 0xFF}},
        {"RunOf65EndsInPair", Repeated(65, 0xFF), {0x3F, 0xFF, 0x02, 0xFF}},
        {"RunOf64LowBytesEndsInCountedByte", Repeated(64, 0x00), {0x3F, 0x00, 0x01, 0x00}},
        {"BlankPage", Repeated(38'400, 0xFF), BlankPagePacked()},
    };
}

class PackRunsTable : public ::testing::TestWithParam<PackCase> {};

TEST_P(PackRunsTable, PacksToTheExpectedItemsAndUnpacksBack) {
    const PackCase& c = GetParam();
    EXPECT_EQ(Pack(c.input), c.packed);
    EXPECT_EQ(Unpack(c.packed), c.input);
}

INSTANTIATE_TEST_SUITE_P(Codec, PackRunsTable, ::testing::ValuesIn(PackCases()),
                         CaseName{});

TEST(PackRuns, BlankPagePacksTo1220Bytes) {
    EXPECT_EQ(Pack(Repeated(38'400, 0xFF))->size(), 1'220U);
}

struct UnpackCase {
    std::string name;
    Bytes packed;
    Bytes unpacked;
};

class UnpackRunsTable : public ::testing::TestWithParam<UnpackCase> {};

TEST_P(UnpackRunsTable, Unpacks) { EXPECT_EQ(Unpack(GetParam().packed), GetParam().unpacked); }

TEST_P(UnpackRunsTable, MeasuresWithoutUnpacking) {
    EXPECT_EQ(MeasureRuns(GetParam().packed).unpackedLength, GetParam().unpacked.size());
}

// Unpacking into a fixed target: an exact fit works, one byte less fails
// without a write past the end (ASan watches the heap copy's end).
TEST_P(UnpackRunsTable, IntoATargetNeverPassesItsEnd) {
    const Bytes& expected = GetParam().unpacked;
    Bytes exact(expected.size());
    EXPECT_EQ(UnpackRunsInto(GetParam().packed, exact), expected.size());
    EXPECT_EQ(exact, expected);
    if (!expected.empty()) {
        Bytes tooShort(expected.size() - 1);
        EXPECT_FALSE(UnpackRunsInto(GetParam().packed, tooShort));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codec, UnpackRunsTable,
    ::testing::ValuesIn(std::vector<UnpackCase>{
        {"ZeroCountSwallowsItsValueAndTrailingCountIsDropped",
         {0x05, 0x11, 0x00, 0x22, 0x99, 0x07},
         {0x11, 0x11, 0x11, 0x11, 0x11, 0x99}},
        {"LoneCountIsDropped", {0x07}, {}},
        {"ZeroCountAtTheEndIsDropped", {0x40, 0x00}, {0x40}},
        {"ZeroCountAloneGivesNothing", {0x00, 0x75}, {}},
        {"CountMayRepeatALiteralValue", {0x02, 0xFF, 0x41}, {0xFF, 0xFF, 0x41}},
        {"CountMayRepeatACountValue", {0x03, 0x3F}, {0x3F, 0x3F, 0x3F}},
        // 2 input bytes become 63 output bytes, far beyond three times the
        // input that a growing buffer would start from.
        {"OutputOutgrowsThreeTimesTheInput",
         [] {
             Bytes packed;
             for (int item = 0; item < 200; ++item) {
                 packed.insert(packed.end(), {0x3F, 0x10});
             }
             return packed;
         }(),
         Repeated(200 * 63, 0x10)},
    }),
    CaseName{});

TEST(MeasureRuns, TellsOfACountWithoutItsValue) {
    EXPECT_TRUE(MeasureRuns(Bytes{0x40, 0x07}).danglingCount);
    EXPECT_FALSE(MeasureRuns(Bytes{0x07, 0x40}).danglingCount);
    EXPECT_FALSE(MeasureRuns(Bytes{}).danglingCount);
}

// Inputs of many shapes: each must pack exactly as the plain byte-by-byte rule
// says and unpack back to itself.
void ExpectRoundTrip(const Bytes& input, const std::string& what) {
    SCOPED_TRACE(what + ", " + std::to_string(input.size()) + " bytes");
    const std::optional<Bytes> packed = Pack(input);
    ASSERT_TRUE(packed);
    EXPECT_EQ(*packed, PackOneByteAtATime(input));
    EXPECT_EQ(Unpack(*packed), input);
}

TEST(RoundTrip, RandomInputsOfManyLengths) {
    std::mt19937 random(20240601);
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::uniform_int_distribution<int> nearBoundary(62, 65);
    std::uniform_int_distribution<int> fewValues(0, 2);
    const std::uint8_t few[] = {0x00, 0xFF, 0x3F};
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 300; ++n) {
        lengths.push_back(n);
    }
    lengths.insert(lengths.end(), {4'095, 4'096, 4'097, 38'400, 100'000});
    for (const std::size_t n : lengths) {
        Bytes uniform(n), boundary(n), clumpy(n);
        for (std::size_t i = 0; i < n; ++i) {
            uniform[i] = static_cast<std::uint8_t>(anyByte(random));
            boundary[i] = static_cast<std::uint8_t>(nearBoundary(random));
            clumpy[i] = few[fewValues(random)];
        }
        ExpectRoundTrip(uniform, "uniform bytes");
        ExpectRoundTrip(boundary, "bytes around 63 and 64");
        ExpectRoundTrip(clumpy, "three values");
    }
}

TEST(RoundTrip, EveryByteValueInRunsOf1To200) {
    for (int value = 0; value < 256; ++value) {
        Bytes runs;
        for (std::size_t length = 1; length <= 200; ++length) {
            // Alternate with a neighbouring value so that each run stands alone.
            const auto neighbour = static_cast<std::uint8_t>(value ^ 1);
            const Bytes run = Repeated(length, static_cast<std::uint8_t>(value));
            runs.insert(runs.end(), run.begin(), run.end());
            runs.push_back(neighbour);
        }
        ExpectRoundTrip(runs, "runs of " + std::to_string(value));
    }
}

TEST(RoundTrip, AllByteValuesInOrder) {
    Bytes all(256);
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i] = static_cast<std::uint8_t>(i);
    }
    ExpectRoundTrip(all, "0 to 255");
    ExpectRoundTrip(Joined({all, all, Repeated(130, 0x40), all}), "with a run between");
}

TEST(GrowBuffer, DoesNothingWhileTheIndexFits) {
    ByteBuffer buffer;
    ASSERT_TRUE(buffer.Allocate(10));
    const std::uint8_t* before = buffer.Data();
    EXPECT_EQ(GrowBuffer(buffer, 9), 1);
    EXPECT_EQ(buffer.Capacity(), 10U);
    EXPECT_EQ(buffer.Data(), before);
}

TEST(GrowBuffer, GrowsBy4096KeepingTheContent) {
    ByteBuffer buffer;
    ASSERT_TRUE(buffer.Allocate(10));
    std::fill_n(buffer.Data(), 10, 0xA5);
    EXPECT_EQ(GrowBuffer(buffer, 10), 1);
    EXPECT_EQ(buffer.Capacity(), 10U + 4'096U);
    EXPECT_EQ(Contents(buffer, 10), Repeated(10, 0xA5));
    buffer.Data()[4'105] = 1;  // the last byte is there (ASan would see otherwise)
}

TEST(GrowBuffer, GrowsInWholeStepsUpToAFarIndex) {
    ByteBuffer buffer;
    ASSERT_TRUE(buffer.Allocate(10));
    EXPECT_EQ(GrowBuffer(buffer, 10'000), 1);
    EXPECT_EQ(buffer.Capacity(), 10U + 3 * 4'096U);
}

TEST(GrowBuffer, FailureLeavesBufferAndCapacityAsTheyWere) {
    ByteBuffer buffer;
    ASSERT_TRUE(buffer.Allocate(10));
    std::fill_n(buffer.Data(), 10, 0x5A);
    const std::uint8_t* before = buffer.Data();
    const AllocationLimitForTesting limit(4'000);
    EXPECT_EQ(GrowBuffer(buffer, 10), 0);
    EXPECT_EQ(buffer.Capacity(), 10U);
    EXPECT_EQ(buffer.Data(), before);
    EXPECT_EQ(Contents(buffer, 10), Repeated(10, 0x5A));
}

TEST(ByteBuffer, ShrinkThatFailsKeepsTheLargerBuffer) {
    ByteBuffer buffer;
    ASSERT_TRUE(buffer.Allocate(8'192));
    std::fill_n(buffer.Data(), 100, 0x77);
    const std::uint8_t* before = buffer.Data();
    const AllocationLimitForTesting limit(50);
    buffer.ShrinkTo(100);
    EXPECT_EQ(buffer.Capacity(), 8'192U);
    EXPECT_EQ(buffer.Data(), before);
    EXPECT_EQ(Contents(buffer, 100), Repeated(100, 0x77));
}

// The codec against its earlier form, kept as the reference: the same bytes,
// the same lengths and the same success or failure, memory limits included,
// over random and structured pages and item streams of many lengths.
struct Outcome {
    std::optional<std::size_t> length;
    Bytes bytes;
    bool operator==(const Outcome&) const = default;
};

Outcome Ran(std::optional<std::size_t> length, const ByteBuffer& out) {
    return {length, length ? Contents(out, *length) : Bytes{}};
}

template <typename Codec>
Outcome RunCodec(Codec codec, const Bytes& input) {
    ByteBuffer out;
    const std::optional<std::size_t> length = codec(std::span<const std::uint8_t>(input), out);
    return Ran(length, out);
}

void ExpectSameAsReference(const Bytes& input, const std::string& what) {
    SCOPED_TRACE(what + ", " + std::to_string(input.size()) + " bytes");
    EXPECT_EQ(RunCodec(PackRuns, input), RunCodec(reference::PackRuns, input));
    EXPECT_EQ(RunCodec(UnpackRuns, input), RunCodec(reference::UnpackRuns, input));
    const RunsMeasure measure = MeasureRuns(input);
    const RunsMeasure expected = reference::MeasureRuns(input);
    EXPECT_EQ(measure.unpackedLength, expected.unpackedLength);
    EXPECT_EQ(measure.danglingCount, expected.danglingCount);
    // Targets shorter than, as long as and longer than the unpacked bytes.
    for (const std::size_t room : {expected.unpackedLength / 2, expected.unpackedLength,
                                   expected.unpackedLength + 100}) {
        Bytes target(room, 0xA5);
        Bytes expectedTarget(room, 0xA5);
        EXPECT_EQ(UnpackRunsInto(input, target), reference::UnpackRunsInto(input, expectedTarget));
        const std::size_t written = std::min(room, expected.unpackedLength);
        EXPECT_TRUE(std::equal(target.begin(), target.begin() + static_cast<std::ptrdiff_t>(written),
                               expectedTarget.begin()));
    }
}

std::vector<std::size_t> ManyLengths() {
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 200; ++n) {
        lengths.push_back(n);
    }
    lengths.insert(lengths.end(), {255, 256, 257, 4'095, 4'096, 4'097, 38'400, 100'000});
    return lengths;
}

TEST(SameAsReference, RandomPagesAndStreamsOfManyLengths) {
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> anyByte(0, 255);
    for (const std::size_t n : ManyLengths()) {
        Bytes noise(n);
        for (std::uint8_t& byte : noise) {
            byte = static_cast<std::uint8_t>(anyByte(random));
        }
        ExpectSameAsReference(noise, "noise");
        ExpectSameAsReference(testing::RandomRunBytes(random, n), "runs");
        ExpectSameAsReference(testing::RandomItems(random, n / 2 + 1), "items");
        ExpectSameAsReference(*Pack(testing::RandomRunBytes(random, n)), "packed runs");
    }
}

// Counts of 63 only, long enough to fill every sum the measure keeps.
TEST(SameAsReference, LongStretchesOfFullRuns) {
    for (const std::size_t items : {4'096UL, 20'000UL}) {
        Bytes stream;
        for (std::size_t i = 0; i < items; ++i) {
            stream.insert(stream.end(), {0x3F, static_cast<std::uint8_t>(i % 7 == 0 ? 0x12 : 0xFF)});
        }
        ExpectSameAsReference(stream, "full runs");
    }
}

TEST(SameAsReference, ManySeeds) {
    for (std::uint32_t seed = 0; seed < 300; ++seed) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<std::size_t> length(0, 3'000);
        ExpectSameAsReference(testing::RandomRunBytes(random, length(random)), "runs");
        ExpectSameAsReference(testing::RandomItems(random, length(random)), "items");
    }
}

TEST(SameAsReference, FailsWhereItFailsForLackOfMemory) {
    std::mt19937 random(7);
    const Bytes page = testing::RandomRunBytes(random, 38'400);
    const Bytes items = testing::RandomItems(random, 3'000);
    for (const std::size_t limit : {0UL, 1UL, 100UL, 4'095UL, 4'096UL, 8'191UL, 9'000UL, 20'000UL, 40'000UL}) {
        SCOPED_TRACE("largest allocation " + std::to_string(limit));
        const AllocationLimitForTesting limited(limit);
        for (const Bytes* input : {&page, &items}) {
            EXPECT_EQ(RunCodec(PackRuns, *input), RunCodec(reference::PackRuns, *input));
            EXPECT_EQ(RunCodec(UnpackRuns, *input), RunCodec(reference::UnpackRuns, *input));
        }
    }
}

// A save writes a page's stream as it was read only when it is exactly what
// the packer makes of its bytes.
bool PackerWouldWrite(const Bytes& stream) {
    const Outcome unpacked = RunCodec(reference::UnpackRuns, stream);
    return RunCodec(reference::PackRuns, unpacked.bytes).bytes == stream;
}

TEST(IsAsPacked, TellsWhetherTheStreamIsAsThePackerWritesIt) {
    const std::vector<Bytes> table = {
        {},
        {0x03, 0x12, 0x03, 0x80, 0x90},
        {0x3F, 0xFF, 0xFF},        // 63 and a lone literal of the same byte
        {0x3F, 0x12, 0x01, 0x12},  // 63 and a lone low byte
        {0x02, 0x41, 0x02, 0x41},  // one run cut short
        {0x01, 0x80},              // a literal written as a count
        {0x00, 0x22, 0x41},        // a zero count
        {0x41, 0x41},              // two literals of one run
        {0x41, 0x07},              // a count without its value
        {0x3F, 0xFF, 0x3F, 0xFF, 0x02, 0xFF},
    };
    for (const Bytes& stream : table) {
        EXPECT_EQ(IsAsPacked(stream), PackerWouldWrite(stream))
            << ::testing::PrintToString(stream);
    }
    for (std::uint32_t seed = 0; seed < 2'000; ++seed) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<std::size_t> items(0, 400);
        const Bytes stream = seed % 2 == 0 ? testing::RandomItems(random, items(random))
                                           : *Pack(testing::RandomRunBytes(random, 3'000));
        EXPECT_EQ(IsAsPacked(stream), PackerWouldWrite(stream))
            << ::testing::PrintToString(stream);
    }
}

// Long streams as the packer wrote them, and the same with one run split in
// two items anywhere: only the first are its form.
TEST(IsAsPacked, FindsOneSplitRunAnywhereInAPage) {
    for (std::uint32_t seed = 0; seed < 300; ++seed) {
        std::mt19937 random(seed);
        const Bytes packed = *Pack(testing::RandomRunBytes(random, 38'400));
        EXPECT_TRUE(IsAsPacked(packed));
        std::vector<std::size_t> splittable;
        for (std::size_t i = 0; i < packed.size(); i += packed[i] >= 64 ? 1U : 2U) {
            if (packed[i] < 64 && packed[i] >= 2) splittable.push_back(i);
        }
        if (splittable.empty()) continue;
        const std::size_t at = splittable[random() % splittable.size()];
        Bytes split(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(at));
        split.insert(split.end(), {1, packed[at + 1], static_cast<std::uint8_t>(packed[at] - 1),
                                   packed[at + 1]});
        split.insert(split.end(), packed.begin() + static_cast<std::ptrdiff_t>(at + 2), packed.end());
        EXPECT_EQ(IsAsPacked(split), PackerWouldWrite(split)) << "split at " << at;
        EXPECT_FALSE(IsAsPacked(split)) << "split at " << at;
    }
}

// Memory running out at the first buffer or at a later growth: the codec
// reports it and leaves `out` empty, whatever it held before.
struct MemoryFailureCase {
    std::string name;
    bool pack;
    Bytes input;
    std::size_t largestAllocation;
};

class CodecMemoryFailure : public ::testing::TestWithParam<MemoryFailureCase> {};

TEST_P(CodecMemoryFailure, FailsCleanlyWithOutEmpty) {
    const MemoryFailureCase& c = GetParam();
    ByteBuffer out;
    ASSERT_TRUE(out.Allocate(16));
    const AllocationLimitForTesting limit(c.largestAllocation);
    const std::optional<std::size_t> length = c.pack ? PackRuns(c.input, out) : UnpackRuns(c.input, out);
    EXPECT_FALSE(length);
    EXPECT_EQ(out.Data(), nullptr);
    EXPECT_EQ(out.Capacity(), 0U);
}

Bytes AlternatingLowBytes(std::size_t count) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i % 2);
    }
    return bytes;
}

Bytes LongRunItems(std::size_t items) {
    Bytes packed;
    for (std::size_t i = 0; i < items; ++i) {
        packed.insert(packed.end(), {0x3F, 0xFF});
    }
    return packed;
}

INSTANTIATE_TEST_SUITE_P(
    Codec, CodecMemoryFailure,
    ::testing::ValuesIn(std::vector<MemoryFailureCase>{
        {"PackFirstBuffer", true, Repeated(5'000, 0xFF), 4'999},
        // 5,000 lone low bytes pack to 10,000: the growth past 9,096 fails.
        {"PackGrowth", true, AlternatingLowBytes(5'000), 6'000},
        // 100 items unpack to 6,300 bytes, allocated at once.
        {"UnpackOutput", false, LongRunItems(100), 6'299},
    }),
    CaseName{});

}  // namespace
}  // namespace tavrin
