// The codec against the earlier codec, kept as the reference: any bytes,
// read as pixel bytes and as packed items, must give the same bytes, lengths
// and success or failure from both, also into targets too short, and the
// same answer to whether a stream is as the packer writes it. The first byte
// sets a memory limit for half the inputs.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "store/allocation.h"
#include "store/run_length.h"
#include "support/reference_run_length.h"

namespace tavrin {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }
}

struct Outcome {
    std::optional<std::size_t> length;
    Bytes bytes;
    bool operator==(const Outcome&) const = default;
};

template <typename Codec>
Outcome Run(Codec codec, std::span<const std::uint8_t> input) {
    ByteBuffer out;
    const std::optional<std::size_t> length = codec(input, out);
    return {length, length ? Bytes(out.Data(), out.Data() + *length) : Bytes{}};
}

void CompareInto(std::span<const std::uint8_t> input, std::size_t room) {
    Bytes target(room, 0xA5);
    Bytes expected(room, 0xA5);
    const std::optional<std::size_t> length = UnpackRunsInto(input, target);
    Require(length == reference::UnpackRunsInto(input, expected), "unpacking into differs");
    const std::size_t compared = std::min(room, reference::MeasureRuns(input).unpackedLength);
    Require(compared == 0 || std::memcmp(target.data(), expected.data(), compared) == 0,
            "unpacked bytes differ");
}

void Compare(std::span<const std::uint8_t> input) {
    Require(Run(PackRuns, input) == Run(reference::PackRuns, input), "packing differs");
    const Outcome unpacked = Run(reference::UnpackRuns, input);
    Require(Run(UnpackRuns, input) == unpacked, "unpacking differs");
    const RunsMeasure measure = MeasureRuns(input);
    const RunsMeasure expected = reference::MeasureRuns(input);
    Require(measure.unpackedLength == expected.unpackedLength &&
                measure.danglingCount == expected.danglingCount,
            "measuring differs");
    const std::size_t length = expected.unpackedLength;
    for (const std::size_t room : {std::size_t{0}, length / 2, length, length + 70}) {
        CompareInto(input, room);
    }
}

// Whether a stream is as the packer writes it, against packing its bytes
// again; without a memory limit, under which packing again may fail.
void ComparePackerForm(std::span<const std::uint8_t> input) {
    const Outcome unpacked = Run(reference::UnpackRuns, input);
    const Outcome repacked = Run(reference::PackRuns, unpacked.bytes);
    Require(IsAsPacked(input) == (repacked.bytes == Bytes(input.begin(), input.end())),
            "the packer's form is told wrongly");
}

}  // namespace
}  // namespace tavrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::span<const std::uint8_t> input(data + 1, size - 1);
    if (data[0] & 1) {
        const tavrin::AllocationLimitForTesting limit(std::size_t{data[0]} * 64);
        tavrin::Compare(input);
    } else {
        tavrin::Compare(input);
    }
    tavrin::ComparePackerForm(input);
    return 0;
}
