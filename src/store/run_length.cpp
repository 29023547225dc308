#include "store/run_length.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

#include "store/allocation.h"

namespace tavrin {
namespace {

constexpr std::size_t kGrowthStep = 4096;
constexpr std::size_t kLongestRun = 63;
constexpr std::uint8_t kFirstLiteral = 64;
// While the output has room, unpacking writes each run as a block of this
// many bytes.
constexpr std::size_t kRunBlock = 64;
constexpr std::size_t kWord = sizeof(std::uint64_t);
// The codec reads its input in blocks of 64 bytes, one bit per byte in a
// 64-bit mask, so that it pays one hard-to-predict branch per block rather
// than one per byte or item.
constexpr std::size_t kBlock = 64;
// Unpacking writes a block's items without room checks while the output has
// this much room: a block's items make at most 32 × 63 bytes, and each
// write may pass its end by kRunBlock.
constexpr std::size_t kBlockRoom = 4096;
constexpr std::uint64_t kEvenBits = 0x5555555555555555ULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// Writes into a ByteBuffer through a cached pointer and capacity, so that the
// codec's loops pay one comparison per item and call GrowBuffer only when an
// item would pass the end.
class OutputCursor {
public:
    explicit OutputCursor(ByteBuffer& buffer)
        : buffer_(buffer), data_(buffer.Data()), capacity_(buffer.Capacity()) {}

    // Makes sure bytes up to `last` may be written; false when memory ran out.
    bool Reserve(std::size_t last) {
        if (last < capacity_) [[likely]] {
            return true;
        }
        if (GrowBuffer(buffer_, last) == 0) {
            return false;
        }
        data_ = buffer_.Data();
        capacity_ = buffer_.Capacity();
        return true;
    }
    std::uint8_t* Data() const { return data_; }
    std::size_t Capacity() const { return capacity_; }

private:
    ByteBuffer& buffer_;
    std::uint8_t* data_;
    std::size_t capacity_;
};

std::optional<std::size_t> Fail(ByteBuffer& out) {
    out = ByteBuffer{};
    return std::nullopt;
}

// Eight input bytes as a number whose lowest byte is the first of them.
std::uint64_t LittleEndianWord(const std::uint8_t* at) {
    std::uint64_t word = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&word, at, sizeof word);
    } else {
        for (std::size_t k = 0; k < sizeof word; ++k) {
            word |= std::uint64_t{at[k]} << (8 * k);
        }
    }
    return word;
}

// The high bit of every nonzero byte of `word`.
std::uint64_t NonzeroByteMarks(std::uint64_t word) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    return (((word & kLow7) + kLow7) | word) & ~kLow7;
}

// One bit per byte from the high bits of a word's bytes: bit k for byte k.
std::uint64_t GatherByteMarks(std::uint64_t marks) {
    return ((marks >> 7) * 0x0102040810204080ULL) >> 56;
}

// Bit k set when byte k of the 64 bytes at `block` is below 64: a count, where
// an item starts there.
std::uint64_t LowBytes(const std::uint8_t* block) {
    std::uint64_t mask = 0;
    for (std::size_t k = 0; k < kBlock; k += kWord) {
        const std::uint64_t word = LittleEndianWord(block + k);
        // A byte is 64 or more when either of its top two bits is set.
        const std::uint64_t high = (word | (word << 1)) & kHighBits;
        mask |= GatherByteMarks(~high & kHighBits) << k;
    }
    return mask;
}

// Bit k set when byte k of the 64 bytes at `block` equals the byte `distance`
// (1 or 2) places before it. The bytes before the block are read unless the
// block starts the input, whose first bytes have none (their bits stay clear).
std::uint64_t SameAsBefore(const std::uint8_t* block, std::size_t distance, bool startsInput) {
    std::uint64_t mask = 0;
    for (std::size_t k = 0; k < kBlock; k += kWord) {
        const std::uint64_t word = LittleEndianWord(block + k);
        const std::uint64_t before =
            startsInput && k == 0 ? word << (8 * distance) : LittleEndianWord(block + k - distance);
        mask |= GatherByteMarks(~NonzeroByteMarks(word ^ before) & kHighBits) << k;
    }
    return startsInput ? mask & (~std::uint64_t{0} << distance) : mask;
}

// The high bit of every byte of `word` that equals `value`.
std::uint64_t EqualByteMarks(std::uint64_t word, std::uint8_t value) {
    return ~NonzeroByteMarks(word ^ (0x0101010101010101ULL * value)) & kHighBits;
}

// 0xFF in byte k of the result for each bit k of the low 8 bits of `bits`,
// looked up: spreading the bits by multiplication costs a dozen operations.
constexpr std::array<std::uint64_t, 256> kByteMasks = [] {
    std::array<std::uint64_t, 256> masks{};
    for (std::size_t bits = 0; bits < masks.size(); ++bits) {
        for (std::size_t k = 0; k < 8; ++k) {
            masks[bits] |= ((bits >> k) & 1) * (std::uint64_t{0xFF} << (8 * k));
        }
    }
    return masks;
}();

std::uint64_t ExpandBits(std::uint64_t bits) { return kByteMasks[bits & 0xFF]; }

// The number of set bits: without a target flag for it, std::popcount is a
// library call.
std::size_t BitCount(std::uint64_t bits) {
    bits -= (bits >> 1) & 0x5555555555555555ULL;
    bits = (bits & 0x3333333333333333ULL) + ((bits >> 2) & 0x3333333333333333ULL);
    bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return static_cast<std::size_t>((bits * 0x0101010101010101ULL) >> 56);
}

// Where items start in 64 bytes of packed items, found without walking them:
// a count claims the byte after it, so inside a stretch of low bytes that
// begins with a count, counts and values alternate, and a stretch of odd
// length claims the byte after it too. Adding a stretch's first bit to the
// stretch clears it up to its end; which stretches start on even or odd bytes
// tells the counts from the values.
struct ItemBlock {
    std::uint64_t low = 0;       // bytes below 64
    std::uint64_t counts = 0;    // bytes that start a count item
    std::uint64_t literals = 0;  // bytes that are literal items
    // 1 when the block's last byte is a count: the next block's first byte is
    // its value.
    std::uint64_t carry = 0;
};

// `carry`: the block's first byte is the value of the previous block's last count.
inline ItemBlock FindItems(const std::uint8_t* block, std::uint64_t carry) {
    const std::uint64_t low = LowBytes(block);
    const std::uint64_t stretches = low & ~carry;
    const std::uint64_t firsts = stretches & ~(stretches << 1);
    const std::uint64_t fromEven = stretches ^ (stretches + (firsts & kEvenBits));
    const std::uint64_t fromOdd = stretches ^ (stretches + (firsts & ~kEvenBits));
    const std::uint64_t values = carry | (fromEven & ~kEvenBits) | (fromOdd & kEvenBits);
    ItemBlock items;
    items.low = low;
    items.counts = low & ~values;
    items.literals = ~low & ~values;
    items.carry = items.counts >> 63;
    return items;
}

// Appends packed items to a buffer: a run of any length becomes items of 63
// and a remainder, as the packer reads runs of at most 63 bytes.
class ItemWriter {
public:
    explicit ItemWriter(ByteBuffer& buffer) : cursor_(buffer) {}

    bool Run(std::uint8_t value, std::size_t length) {
        for (; length > kLongestRun; length -= kLongestRun) {
            if (!Item(value, kLongestRun)) {
                return false;
            }
        }
        return Item(value, length);
    }
    std::size_t Length() const { return length_; }

private:
    bool Item(std::uint8_t value, std::size_t count) {
        const bool pair = count > 1 || value < kFirstLiteral;
        std::size_t j = length_;
        if (j + 1 < cursor_.Capacity()) [[likely]] {
            // Both bytes are written either way (a literal's second byte is
            // overwritten by the next item or cut off at the end), so that
            // only the first byte and the length depend on the kind of item,
            // chosen by a conditional move: a branch here is mispredicted at
            // random.
            cursor_.Data()[j] = pair ? static_cast<std::uint8_t>(count) : value;
            cursor_.Data()[j + 1] = value;
            length_ = j + 1 + static_cast<std::size_t>(pair);
            return true;
        }
        if (!cursor_.Reserve(pair ? j + 1 : j)) {
            return false;
        }
        if (pair) {
            cursor_.Data()[j++] = static_cast<std::uint8_t>(count);
        }
        cursor_.Data()[j++] = value;
        length_ = j;
        return true;
    }

    OutputCursor cursor_;
    std::size_t length_ = 0;
};

// Finds where runs start and hands each finished run to an ItemWriter.
// Comparing a word of input with the word one byte earlier finds every run
// start in it at once, so the search never waits on the length of the run
// before (a dependency that would cost a dozen cycles per run).
class RunPacker {
public:
    RunPacker(std::span<const std::uint8_t> input, ByteBuffer& out)
        : in_(input.data()), writer_(out) {}

    // Ends the current run before `position`, where the next one starts.
    bool StartRunAt(std::size_t position) {
        const bool written = writer_.Run(in_[runStart_], position - runStart_);
        runStart_ = position;
        return written;
    }
    // Every run that starts among the 64 bytes at `position` (at least 1).
    // A block that only continues a run, as most of a page's white does,
    // costs one comparison a word.
    bool ScanBlock(std::size_t position) {
        std::array<std::uint64_t, kBlock / kWord> changes;
        std::uint64_t anyChange = 0;
        for (std::size_t w = 0; w < changes.size(); ++w) {
            const std::uint8_t* at = in_ + position + w * kWord;
            changes[w] = LittleEndianWord(at) ^ LittleEndianWord(at - 1);
            anyChange |= changes[w];
        }
        if (anyChange == 0) {
            return true;
        }
        std::uint64_t starts = 0;
        for (std::size_t w = 0; w < changes.size(); ++w) {
            starts |= GatherByteMarks(NonzeroByteMarks(changes[w])) << (w * kWord);
        }
        for (std::uint64_t marks = starts; marks != 0; marks &= marks - 1) {
            if (!StartRunAt(position + static_cast<std::size_t>(std::countr_zero(marks)))) {
                return false;
            }
        }
        return true;
    }
    bool ScanByte(std::size_t position) {
        return in_[position] == in_[position - 1] || StartRunAt(position);
    }
    std::size_t Length() const { return writer_.Length(); }

private:
    const std::uint8_t* in_;
    ItemWriter writer_;
    std::size_t runStart_ = 0;
};

}  // namespace

void ByteBuffer::Free::operator()(std::uint8_t* p) const { FreeBytes(p); }

bool ByteBuffer::Allocate(std::size_t capacity) {
    // The old buffer goes first, so that replacing it needs no more memory
    // than the new one.
    data_.reset();
    data_.reset(static_cast<std::uint8_t*>(AllocateBytes(capacity)));
    capacity_ = data_ ? capacity : 0;
    return data_ != nullptr;
}

void ByteBuffer::ShrinkTo(std::size_t length) {
    if (!data_ || length >= capacity_) {
        return;
    }
    if (void* smaller = ReallocateBytes(data_.get(), length)) {
        static_cast<void>(data_.release());
        data_.reset(static_cast<std::uint8_t*>(smaller));
        capacity_ = length;
    }
}

std::uint8_t* ByteBuffer::Release() {
    capacity_ = 0;
    return data_.release();
}

int GrowBuffer(ByteBuffer& buffer, std::size_t index) {
    if (index < buffer.capacity_) {
        return 1;
    }
    if (index > std::numeric_limits<std::size_t>::max() - kGrowthStep) {
        return 0;
    }
    // The codec never asks for more than one step; whole steps up to the
    // index keep the promise for any caller.
    const std::size_t missing = index - buffer.capacity_ + 1;
    const std::size_t capacity =
        buffer.capacity_ + (missing + kGrowthStep - 1) / kGrowthStep * kGrowthStep;
    void* grown = ReallocateBytes(buffer.data_.get(), capacity);
    if (grown == nullptr) {
        return 0;
    }
    static_cast<void>(buffer.data_.release());
    buffer.data_.reset(static_cast<std::uint8_t*>(grown));
    buffer.capacity_ = capacity;
    return 1;
}

std::optional<std::size_t> PackRuns(std::span<const std::uint8_t> input, ByteBuffer& out) {
    const std::size_t n = input.size();
    if (!out.Allocate(n)) {
        return Fail(out);
    }
    if (n == 0) {
        return 0;
    }
    RunPacker packer(input, out);
    std::size_t position = 1;
    for (; position + kBlock <= n; position += kBlock) {
        if (!packer.ScanBlock(position)) {
            return Fail(out);
        }
    }
    for (; position < n; ++position) {
        if (!packer.ScanByte(position)) {
            return Fail(out);
        }
    }
    if (!packer.StartRunAt(n)) {
        return Fail(out);
    }
    out.ShrinkTo(packer.Length());
    return packer.Length();
}

RunsMeasure MeasureRuns(std::span<const std::uint8_t> input) {
    const std::size_t n = input.size();
    const std::uint8_t* in = input.data();
    RunsMeasure measure;
    std::uint64_t carry = 0;
    // The counts of a block summed in four 16-bit lanes, which 64 blocks of
    // counts of at most 63 can't overflow.
    constexpr std::uint64_t kEvenBytes = 0x00FF00FF00FF00FFULL;
    constexpr std::size_t kBlocksPerLaneSum = 64;
    std::uint64_t lanes = 0;
    std::size_t blocksInLanes = 0;
    const auto addLanes = [&] {
        for (; lanes != 0; lanes >>= 16) {
            measure.unpackedLength += static_cast<std::size_t>(lanes & 0xFFFF);
        }
        lanes = 0;
        blocksInLanes = 0;
    };
    std::size_t base = 0;
    // Whole blocks whose last count has its value inside the input.
    for (; base + kBlock < n; base += kBlock) {
        const std::uint8_t* block = in + base;
        const ItemBlock items = FindItems(block, carry);
        measure.unpackedLength += BitCount(items.literals);
        // Four words of counts of at most 63 summed byte by byte stay below
        // 256, so they are added before being spread into the lanes.
        for (std::size_t half = 0; half < kBlock; half += kBlock / 2) {
            std::uint64_t sums = 0;
            for (std::size_t k = half; k < half + kBlock / 2; k += kWord) {
                sums += LittleEndianWord(block + k) & ExpandBits(items.counts >> k);
            }
            lanes += (sums & kEvenBytes) + ((sums >> 8) & kEvenBytes);
        }
        if (++blocksInLanes == kBlocksPerLaneSum) {
            addLanes();
        }
        carry = items.carry;
    }
    addLanes();
    // The rest item by item, from the first item start after the blocks.
    for (std::size_t i = base + carry; i < n;) {
        const std::uint8_t item = in[i];
        if (item >= kFirstLiteral) {
            measure.unpackedLength += 1;
            i += 1;
        } else if (i + 1 < n) {
            measure.unpackedLength += item;
            i += 2;
        } else {
            measure.danglingCount = true;
            break;
        }
    }
    return measure;
}

namespace {

// What the packer's form asks of the counts of a block: which hold 0, 1 or 63.
struct CountValues {
    bool zero = false;
    std::uint64_t ones = 0;
    std::uint64_t full = 0;  // counts of 63
};

CountValues FindCountValues(const std::uint8_t* block, std::uint64_t counts) {
    CountValues found;
    for (std::size_t k = 0; k < kBlock; k += kWord) {
        const std::uint64_t word = LittleEndianWord(block + k);
        const std::uint64_t marks = ExpandBits(counts >> k) & kHighBits;
        found.zero |= (EqualByteMarks(word, 0) & marks) != 0;
        found.ones |= GatherByteMarks(EqualByteMarks(word, 1) & marks) << k;
        found.full |= GatherByteMarks(EqualByteMarks(word, kLongestRun) & marks) << k;
    }
    return found;
}

}  // namespace

bool IsAsPacked(std::span<const std::uint8_t> input) {
    const std::size_t n = input.size();
    const std::uint8_t* in = input.data();
    // The packer cuts each run of equal bytes into items of 63 and one
    // remainder, so an item may repeat the value of the item before it only
    // when that one holds 63 bytes; it writes no count of 0, a lone byte of
    // 64 or more as a literal, and no count without its value.
    bool unlikePacker = false;
    std::uint64_t carry = 0;
    std::uint64_t fullBefore = 0;  // counts of 63 in the block before
    std::size_t base = 0;
    // Whole blocks whose last count has its value inside the input, a block
    // at a time: the item before an item ends at the byte before it, and
    // holds 63 when a count of 63 stands two bytes before that.
    for (; base + kBlock < n; base += kBlock) {
        const std::uint8_t* block = in + base;
        const ItemBlock items = FindItems(block, carry);
        const CountValues counts = FindCountValues(block, items.counts);
        const std::uint64_t fullTwoBefore = (counts.full << 2) | (fullBefore >> 62);
        const std::uint64_t fullThreeBefore = (counts.full << 3) | (fullBefore >> 61);
        const std::uint64_t highAfter =
            (~items.low >> 1) | (std::uint64_t{block[kBlock] >= kFirstLiteral} << 63);
        const bool startsInput = base == 0;
        // A count of 0; a count of 1 of a byte of 64 or more; a literal equal
        // to the byte before it; a run's value equal to the byte two before
        // it (for the block's last count, whose value lies beyond it, on its
        // own); the last two unless the item before holds 63.
        unlikePacker |=
            counts.zero || (counts.ones & highAfter) != 0 ||
            (items.literals & SameAsBefore(block, 1, startsInput) & ~fullTwoBefore) != 0 ||
            ((items.counts << 1) & SameAsBefore(block, 2, startsInput) & ~fullThreeBefore) != 0 ||
            (items.carry != 0 && block[kBlock] == block[kBlock - 2] && (counts.full >> 61 & 1) == 0);
        fullBefore = counts.full;
        carry = items.carry;
    }
    // The rest item by item, from the first item start after the blocks.
    std::size_t i = base + carry;
    unsigned previousValue = i > 0 ? in[i - 1] : 256;
    bool previousFull = ((fullBefore >> (62 + carry)) & 1) != 0;
    bool asPacked = !unlikePacker;
    while (i < n) {
        const std::uint8_t item = in[i];
        if (item >= kFirstLiteral) {
            asPacked &= item != previousValue || previousFull;
            previousValue = item;
            previousFull = false;
            i += 1;
        } else if (i + 1 < n) {
            const std::uint8_t value = in[i + 1];
            asPacked &= item > 1 || (item == 1 && value < kFirstLiteral);
            asPacked &= value != previousValue || previousFull;
            previousValue = value;
            previousFull = item == kLongestRun;
            i += 2;
        } else {
            return false;
        }
    }
    return asPacked;
}

namespace {

// Write the first 16 bytes at once and the rest of 64 only when needed: most
// runs and stretches of literals in handwriting are short. Both may write
// past `length`, up to 64 bytes.
constexpr std::size_t kShortWrite = 16;

void CopyUpTo64(std::uint8_t* to, const std::uint8_t* from, std::size_t length) {
    std::memcpy(to, from, kShortWrite);
    if (length > kShortWrite) {
        std::memcpy(to + kShortWrite, from + kShortWrite, kRunBlock - kShortWrite);
    }
}

void FillUpTo64(std::uint8_t* to, std::uint8_t value, std::size_t length) {
    std::memset(to, value, kShortWrite);
    if (length > kShortWrite) {
        std::memset(to + kShortWrite, value, kRunBlock - kShortWrite);
    }
}

}  // namespace

std::optional<std::size_t> UnpackRunsInto(std::span<const std::uint8_t> input,
                                          std::span<std::uint8_t> target) {
    const std::size_t n = input.size();
    const std::uint8_t* in = input.data();
    std::uint8_t* const data = target.data();
    const std::size_t end = target.size();
    std::size_t i = 0;
    std::size_t o = 0;
    // While the input has a block and the 64 bytes after it, and the output
    // has kBlockRoom bytes of room: items found a block at a time, each run
    // written as a fixed block of 64 bytes and the literals between two runs
    // copied as one fixed block of 64, without a check per item. Whatever a
    // fixed block writes past an item is overwritten by the next one or lies
    // beyond the output's length.
    std::uint64_t carry = 0;
    std::size_t literalsFrom = 0;
    for (std::size_t base = 0; base + 2 * kBlock < n && o + kBlockRoom <= end; base += kBlock) {
        const std::uint8_t* block = in + base;
        const ItemBlock items = FindItems(block, carry);
        for (std::uint64_t counts = items.counts; counts != 0; counts &= counts - 1) {
            const std::size_t at = base + static_cast<std::size_t>(std::countr_zero(counts));
            CopyUpTo64(data + o, in + literalsFrom, at - literalsFrom);
            o += at - literalsFrom;
            FillUpTo64(data + o, in[at + 1], in[at]);
            o += in[at];
            literalsFrom = at + 2;
        }
        const std::size_t blockEnd = base + kBlock;
        std::memcpy(data + o, in + literalsFrom, kRunBlock);
        o += blockEnd > literalsFrom ? blockEnd - literalsFrom : 0;
        literalsFrom = std::max(literalsFrom, blockEnd);
        carry = items.carry;
    }
    i = literalsFrom;
    // While the output has room for a whole block, a run is written as a
    // fixed block of 64 bytes, which the compiler turns into a few wide
    // stores; the bytes past the run are overwritten by the next item or
    // lie beyond the output's length.
    while (i + 1 < n && o + kRunBlock <= end) {
        const std::uint8_t item = in[i];
        if (item >= kFirstLiteral) {
            data[o] = item;
            o += 1;
            i += 1;
        } else {
            std::memset(data + o, in[i + 1], kRunBlock);
            o += item;
            i += 2;
        }
    }
    // Near the end of the output, or at the last byte of the input: each item
    // with its exact size.
    while (i < n) {
        const std::uint8_t item = in[i];
        if (item >= kFirstLiteral) {
            if (o == end) {
                return std::nullopt;
            }
            data[o++] = item;
            i += 1;
            continue;
        }
        // A count in the last place has no value to repeat and is dropped.
        if (i + 1 >= n) {
            break;
        }
        if (item > end - o) {
            return std::nullopt;
        }
        // A count of 0 writes nothing, and an empty target has no bytes to
        // point at.
        if (item > 0) {
            std::memset(data + o, in[i + 1], item);
            o += item;
        }
        i += 2;
    }
    return o;
}

std::optional<std::size_t> UnpackRuns(std::span<const std::uint8_t> input, ByteBuffer& out) {
    const std::size_t length = MeasureRuns(input).unpackedLength;
    if (!out.Allocate(length)) {
        return Fail(out);
    }
    return UnpackRunsInto(input, {out.Data(), length});
}

}  // namespace tavrin
