// The run-length codec as it stood before its block-at-a-time rewrite, kept
// word for word as the reference that tests, fuzzers and benchmarks compare
// the store's codec with: same bytes, same success or failure, same use of
// memory. Not for use by the programs.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

#include "store/run_length.h"

namespace tavrin::reference {

constexpr std::size_t kLongestRun = 63;
constexpr std::uint8_t kFirstLiteral = 64;
// While the output has room, unpacking writes each run as a block of this
// many bytes.
constexpr std::size_t kRunBlock = 64;
constexpr std::size_t kWord = sizeof(std::uint64_t);
// The packer passes over blocks of this many bytes that continue a run.
constexpr std::size_t kScanBlock = 64;

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

inline std::optional<std::size_t> Fail(ByteBuffer& out) {
    out = ByteBuffer{};
    return std::nullopt;
}

// Eight input bytes as a number whose lowest byte is the first of them.
inline std::uint64_t LittleEndianWord(const std::uint8_t* at) {
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
inline std::uint64_t NonzeroByteMarks(std::uint64_t word) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    return (((word & kLow7) + kLow7) | word) & ~kLow7;
}

// Whether the kScanBlock bytes at `at` all equal `value`, one comparison per word.
inline bool ContinuesRun(const std::uint8_t* at, std::uint8_t value) {
    const std::uint64_t pattern = 0x0101010101010101ULL * value;
    std::uint64_t differences = 0;
    for (std::size_t k = 0; k < kScanBlock; k += kWord) {
        differences |= LittleEndianWord(at + k) ^ pattern;
    }
    return differences == 0;
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
            // only the first byte and the length depend on the kind of item.
            cursor_.Data()[j] = pair ? static_cast<std::uint8_t>(count) : value;
            cursor_.Data()[j + 1] = value;
            length_ = j + (pair ? 2 : 1);
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
    // The run starts among the eight bytes at `position` (at least 1).
    bool ScanWord(std::size_t position) {
        const std::uint64_t changes =
            LittleEndianWord(in_ + position) ^ LittleEndianWord(in_ + position - 1);
        for (std::uint64_t marks = NonzeroByteMarks(changes); marks != 0; marks &= marks - 1) {
            if (!StartRunAt(position + static_cast<std::size_t>(std::countr_zero(marks)) / 8)) {
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

inline std::optional<std::size_t> PackRuns(std::span<const std::uint8_t> input, ByteBuffer& out) {
    const std::size_t n = input.size();
    if (!out.Allocate(n)) {
        return Fail(out);
    }
    if (n == 0) {
        return 0;
    }
    RunPacker packer(input, out);
    const std::uint8_t* in = input.data();
    std::size_t position = 1;
    for (; position + kScanBlock <= n; position += kScanBlock) {
        if (ContinuesRun(in + position, in[position - 1])) {
            continue;
        }
        for (std::size_t k = 0; k < kScanBlock; k += kWord) {
            if (!packer.ScanWord(position + k)) {
                return Fail(out);
            }
        }
    }
    for (; position + kWord <= n; position += kWord) {
        if (!packer.ScanWord(position)) {
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

inline RunsMeasure MeasureRuns(std::span<const std::uint8_t> input) {
    const std::size_t n = input.size();
    const std::uint8_t* in = input.data();
    RunsMeasure measure;
    std::size_t i = 0;
    while (i < n) {
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

inline std::optional<std::size_t> UnpackRunsInto(std::span<const std::uint8_t> input,
                                          std::span<std::uint8_t> target) {
    const std::size_t n = input.size();
    const std::uint8_t* in = input.data();
    std::uint8_t* const data = target.data();
    const std::size_t end = target.size();
    std::size_t i = 0;
    std::size_t o = 0;
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

inline std::optional<std::size_t> UnpackRuns(std::span<const std::uint8_t> input, ByteBuffer& out) {
    const std::size_t length = MeasureRuns(input).unpackedLength;
    if (!out.Allocate(length)) {
        return Fail(out);
    }
    return UnpackRunsInto(input, {out.Data(), length});
}

}  // namespace tavrin::reference
