// Unpacks any bytes; whatever comes out must pack and unpack back to itself.
// The same bytes read as a page-image block must load without harm, and a
// page that loads must save and load back unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "store/page_image.h"
#include "store/run_length.h"
#include "support/memory_file.h"

namespace tavrin {
namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }
}

bool SameBytes(const std::uint8_t* a, const std::uint8_t* b, std::size_t length) {
    return length == 0 || std::memcmp(a, b, length) == 0;
}

void CheckCodec(std::span<const std::uint8_t> input) {
    ByteBuffer unpacked;
    const std::optional<std::size_t> unpackedLength = UnpackRuns(input, unpacked);
    Require(unpackedLength.has_value(), "unpacking failed");
    Require(MeasureRuns(input).unpackedLength == *unpackedLength,
            "measuring disagrees with unpacking");
    if (*unpackedLength > 0) {
        std::vector<std::uint8_t> tooShort(*unpackedLength - 1);
        Require(!UnpackRunsInto(input, tooShort), "unpacking passed the end of its target");
    }
    ByteBuffer packed;
    const std::optional<std::size_t> packedLength =
        PackRuns({unpacked.Data(), *unpackedLength}, packed);
    Require(packedLength.has_value(), "packing failed");
    ByteBuffer again;
    const std::optional<std::size_t> againLength =
        UnpackRuns({packed.Data(), *packedLength}, again);
    Require(againLength == unpackedLength, "round trip changed the length");
    Require(SameBytes(again.Data(), unpacked.Data(), *unpackedLength),
            "round trip changed the bytes");
}

void CheckPageBlock(std::span<const std::uint8_t> input) {
    testing::MemoryFile file(std::vector<std::uint8_t>(input.begin(), input.end()));
    PageImage page;
    if (page.Load(file) == 0) {
        Require(!page.HasPicture(), "a failed load kept a picture");
        return;
    }
    testing::MemoryFile saved;
    Require(page.Save(saved) != 0, "a loaded page did not save");
    saved.Rewind();
    PageImage reloaded;
    Require(reloaded.Load(saved) == 1, "a saved page did not load");
    // The block of an image without a picture reads back as one.
    if (!page.HasPicture()) {
        Require(!reloaded.HasPicture(), "an empty page came back with a picture");
        return;
    }
    const auto before = page.MakeSurface();
    const auto after = reloaded.MakeSurface();
    Require(before != nullptr && after != nullptr, "a loaded page did not unpack");
    const std::size_t bytes = before->PixelByteCount();
    Require(after->PixelByteCount() == bytes, "the reloaded page has another size");
    Require(SameBytes(after->Pixels(), before->Pixels(), bytes), "the reloaded page differs");
}

}  // namespace
}  // namespace tavrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    tavrin::CheckCodec(input);
    tavrin::CheckPageBlock(input);
    return 0;
}
