// The run-length codec against memcpy of the same page bytes, on a blank
// page, a page of typical handwriting and a page of noise. Goals for the
// handwriting page (38,400 bytes): unpacking within 4 times the time of
// memcpy, packing within 8 times.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "handwriting.h"
#include "platform/drawing.h"
#include "store/page_image.h"
#include "store/run_length.h"

namespace tavrin {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::size_t kPageBytes =
    static_cast<std::size_t>(RowStride(kPageWidth, 4) * kPageHeight);

enum class PageKind { Blank, Handwriting, Noise };

// A page written on the real drawing surface and captured, as the notepad
// stores it.
Bytes HandwritingPage() {
    const auto context = platform::GetScreenContext()->CreateCompatibleContext();
    const auto bitmap = context->CreateCompatibleBitmap(kPageWidth, kPageHeight);
    platform::Bitmap* previous = context->SelectBitmap(bitmap.get());
    std::mt19937 random(20240304);
    bench::WritePage(*context, random);
    PageImage page;
    page.Capture(*context, 0, 0, kPageWidth, kPageHeight);
    context->SelectBitmap(previous);
    const auto pixels = page.MakeSurface();
    return Bytes(pixels->Pixels(), pixels->Pixels() + pixels->PixelByteCount());
}

Bytes NoisePage() {
    Bytes bytes(kPageBytes);
    std::mt19937 random(99);
    std::uniform_int_distribution<int> anyByte(0, 255);
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(anyByte(random));
    }
    return bytes;
}

const Bytes& Page(PageKind kind) {
    static const Bytes blank(kPageBytes, 0xFF);
    static const Bytes handwriting = HandwritingPage();
    static const Bytes noise = NoisePage();
    switch (kind) {
        case PageKind::Blank: return blank;
        case PageKind::Handwriting: return handwriting;
        case PageKind::Noise: break;
    }
    return noise;
}

Bytes Packed(const Bytes& page) {
    ByteBuffer out;
    const std::size_t length = PackRuns(page, out).value();
    return Bytes(out.Data(), out.Data() + length);
}

void CountPageBytes(benchmark::State& state, const Bytes& page) {
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(page.size()));
}

void Memcpy(benchmark::State& state, PageKind kind) {
    const Bytes& page = Page(kind);
    Bytes copy(page.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), page.data(), page.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    CountPageBytes(state, page);
}

void Unpack(benchmark::State& state, PageKind kind) {
    const Bytes& page = Page(kind);
    const Bytes packed = Packed(page);
    for (auto _ : state) {
        ByteBuffer out;
        benchmark::DoNotOptimize(UnpackRuns(packed, out));
        benchmark::DoNotOptimize(out.Data());
    }
    CountPageBytes(state, page);
    state.counters["packedBytes"] = static_cast<double>(packed.size());
}

void Pack(benchmark::State& state, PageKind kind) {
    const Bytes& page = Page(kind);
    for (auto _ : state) {
        ByteBuffer out;
        benchmark::DoNotOptimize(PackRuns(page, out));
        benchmark::DoNotOptimize(out.Data());
    }
    CountPageBytes(state, page);
}

BENCHMARK_CAPTURE(Memcpy, blank, PageKind::Blank);
BENCHMARK_CAPTURE(Unpack, blank, PageKind::Blank);
BENCHMARK_CAPTURE(Pack, blank, PageKind::Blank);
BENCHMARK_CAPTURE(Memcpy, handwriting, PageKind::Handwriting);
BENCHMARK_CAPTURE(Unpack, handwriting, PageKind::Handwriting);
BENCHMARK_CAPTURE(Pack, handwriting, PageKind::Handwriting);
BENCHMARK_CAPTURE(Memcpy, noise, PageKind::Noise);
BENCHMARK_CAPTURE(Unpack, noise, PageKind::Noise);
BENCHMARK_CAPTURE(Pack, noise, PageKind::Noise);

}  // namespace
}  // namespace tavrin

BENCHMARK_MAIN();
