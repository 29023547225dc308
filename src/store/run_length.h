// The run-length code of page pixel bytes.
//
// A packed stream is a sequence of items: a byte of 64 or more is a literal
// pixel byte; a byte of 0 to 63 is a count followed by the value to repeat.
// The packer writes counts of 1 to 63 only, and byte values below 64 always
// travel with a count, even alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace tavrin {

// A heap buffer that the codec grows in steps of 4,096 bytes and shrinks to
// its exact length at the end.
class ByteBuffer {
public:
    // Replaces the content with a fresh buffer of `capacity` bytes; false when
    // memory can't be had (the buffer is then empty).
    bool Allocate(std::size_t capacity);
    // Reallocates to `length` bytes; when that fails the larger buffer stays.
    void ShrinkTo(std::size_t length);
    // Hands the bytes over, to be freed with FreeBytes; the buffer is left empty.
    std::uint8_t* Release();

    std::uint8_t* Data() { return data_.get(); }
    const std::uint8_t* Data() const { return data_.get(); }
    std::size_t Capacity() const { return capacity_; }

private:
    struct Free {
        void operator()(std::uint8_t* p) const;
    };
    std::unique_ptr<std::uint8_t, Free> data_;
    std::size_t capacity_ = 0;

    friend int GrowBuffer(ByteBuffer& buffer, std::size_t index);
};

// Makes sure the buffer has a byte at `index`, growing it by 4,096 bytes when
// it hasn't. 1 on success, 0 when memory can't be had (the buffer is then
// unchanged).
int GrowBuffer(ByteBuffer& buffer, std::size_t index);

// Pack or unpack `input` into `out`; the result is the output length, or none
// when memory ran out (out is then left empty). Unpacking allocates the
// output once, at its exact length.
std::optional<std::size_t> PackRuns(std::span<const std::uint8_t> input, ByteBuffer& out);
std::optional<std::size_t> UnpackRuns(std::span<const std::uint8_t> input, ByteBuffer& out);

// What a packed stream unpacks to, found by walking its items without
// writing anything.
struct RunsMeasure {
    std::size_t unpackedLength = 0;
    // The stream ends with a count that has no value to repeat; unpacking
    // drops it, but no packer writes one.
    bool danglingCount = false;
};
RunsMeasure MeasureRuns(std::span<const std::uint8_t> input);

// Whether a packed stream is exactly what PackRuns makes of the bytes it
// unpacks to, so that it may be written again as it stands.
bool IsAsPacked(std::span<const std::uint8_t> input);

// Unpacks into `target`, never past its end: the output length, or none when
// the items would pass the end (`target` then holds what fitted).
std::optional<std::size_t> UnpackRunsInto(std::span<const std::uint8_t> input,
                                          std::span<std::uint8_t> target);

}  // namespace tavrin
