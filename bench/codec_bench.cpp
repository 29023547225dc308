// The run-length codec against memcpy of the same page bytes, in one run:
// over 16 different pages of handwriting (each from its own seed of the page
// writer, so that no branch predictor learns one page), a blank page and a
// page of noise. Unpacking is timed as a load does it, into a page buffer of
// known size. Beside it, in the same run: the codec as it was before
// (reference::, benchmark and test only) and LZ4 as an everyday anchor
// (benchmark only). Goals over the handwriting pages: unpacking within 8
// times the time of memcpy and packing within 12 times, both at least as fast
// as LZ4. Measuring a page's items, as every load does, is timed too.
#include <benchmark/benchmark.h>
#include <lz4.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "handwriting.h"
#include "platform/drawing.h"
#include "run_benchmarks.h"
#include "store/page_image.h"
#include "store/run_length.h"
#include "support/reference_run_length.h"

namespace tavrin {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::size_t kPageBytes =
    static_cast<std::size_t>(RowStride(kPageWidth, 4) * kPageHeight);
constexpr std::uint32_t kHandwritingPages = 16;

enum class PageKind { Blank, Handwriting, Noise };

// A page written on the real drawing surface and captured, as the notepad
// stores it.
Bytes HandwritingPage(std::uint32_t seed) {
    const auto context = platform::GetScreenContext()->CreateCompatibleContext();
    const auto bitmap = context->CreateCompatibleBitmap(kPageWidth, kPageHeight);
    platform::Bitmap* previous = context->SelectBitmap(bitmap.get());
    std::mt19937 random(seed);
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

const std::vector<Bytes>& Pages(PageKind kind) {
    static const std::vector<Bytes> blank{Bytes(kPageBytes, 0xFF)};
    static const std::vector<Bytes> noise{NoisePage()};
    static const std::vector<Bytes> handwriting = [] {
        std::vector<Bytes> pages;
        for (std::uint32_t seed = 1; seed <= kHandwritingPages; ++seed) {
            pages.push_back(HandwritingPage(20240304 + seed));
        }
        return pages;
    }();
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

std::vector<Bytes> PackedPages(PageKind kind) {
    std::vector<Bytes> packed;
    for (const Bytes& page : Pages(kind)) packed.push_back(Packed(page));
    return packed;
}

// Each iteration handles every page of the kind once; the figures are per page.
void CountPages(benchmark::State& state, PageKind kind) {
    const auto pages = static_cast<std::int64_t>(Pages(kind).size());
    state.SetItemsProcessed(state.iterations() * pages);
    state.SetBytesProcessed(state.iterations() * pages * static_cast<std::int64_t>(kPageBytes));
    // CPU time per page: the rate of pages, inverted.
    state.counters["per_page"] = benchmark::Counter(
        static_cast<double>(state.iterations() * pages),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Memcpy(benchmark::State& state, PageKind kind) {
    const std::vector<Bytes>& pages = Pages(kind);
    Bytes copy(kPageBytes);
    for (auto _ : state) {
        for (const Bytes& page : pages) {
            std::memcpy(copy.data(), page.data(), page.size());
            benchmark::DoNotOptimize(copy.data());
            benchmark::ClobberMemory();
        }
    }
    CountPages(state, kind);
}

// Unpacks every page into one page buffer, as a load unpacks into a page of
// known size.
template <auto UnpackInto>
void Unpack(benchmark::State& state, PageKind kind) {
    const std::vector<Bytes> packed = PackedPages(kind);
    Bytes page(kPageBytes);
    for (auto _ : state) {
        for (const Bytes& items : packed) {
            benchmark::DoNotOptimize(UnpackInto(items, page));
            benchmark::ClobberMemory();
        }
    }
    CountPages(state, kind);
}

// Packs every page into a fresh buffer, as a save does.
template <auto Codec>
void Pack(benchmark::State& state, PageKind kind) {
    for (auto _ : state) {
        for (const Bytes& page : Pages(kind)) {
            ByteBuffer out;
            benchmark::DoNotOptimize(Codec(page, out));
            benchmark::DoNotOptimize(out.Data());
        }
    }
    CountPages(state, kind);
}

template <auto Measure>
void MeasureItems(benchmark::State& state, PageKind kind) {
    const std::vector<Bytes> packed = PackedPages(kind);
    for (auto _ : state) {
        for (const Bytes& page : packed) {
            benchmark::DoNotOptimize(Measure(page));
        }
    }
    CountPages(state, kind);
}

std::vector<Bytes> Lz4Pages(PageKind kind) {
    std::vector<Bytes> compressed;
    for (const Bytes& page : Pages(kind)) {
        Bytes out(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(page.size()))));
        const int length = LZ4_compress_default(reinterpret_cast<const char*>(page.data()),
                                                reinterpret_cast<char*>(out.data()),
                                                static_cast<int>(page.size()),
                                                static_cast<int>(out.size()));
        out.resize(static_cast<std::size_t>(length));
        compressed.push_back(out);
    }
    return compressed;
}

void Lz4Compress(benchmark::State& state, PageKind kind) {
    const std::vector<Bytes>& pages = Pages(kind);
    Bytes out(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(kPageBytes))));
    for (auto _ : state) {
        for (const Bytes& page : pages) {
            benchmark::DoNotOptimize(LZ4_compress_default(
                reinterpret_cast<const char*>(page.data()), reinterpret_cast<char*>(out.data()),
                static_cast<int>(page.size()), static_cast<int>(out.size())));
        }
    }
    CountPages(state, kind);
}

void Lz4Decompress(benchmark::State& state, PageKind kind) {
    const std::vector<Bytes> compressed = Lz4Pages(kind);
    Bytes out(kPageBytes);
    for (auto _ : state) {
        for (const Bytes& page : compressed) {
            benchmark::DoNotOptimize(LZ4_decompress_safe(
                reinterpret_cast<const char*>(page.data()), reinterpret_cast<char*>(out.data()),
                static_cast<int>(page.size()), static_cast<int>(out.size())));
        }
    }
    CountPages(state, kind);
}

void AllFor(const char* name, PageKind kind) {
    const std::string suffix = std::string("/") + name;
    auto add = [&](const std::string& what, auto function) {
        benchmark::RegisterBenchmark((what + suffix).c_str(), function, kind);
    };
    add("Memcpy", Memcpy);
    add("Unpack", Unpack<UnpackRunsInto>);
    add("Unpack_Before", Unpack<reference::UnpackRunsInto>);
    add("Pack", Pack<PackRuns>);
    add("Pack_Before", Pack<reference::PackRuns>);
    add("MeasureItems", MeasureItems<MeasureRuns>);
    add("MeasureItems_Before", MeasureItems<reference::MeasureRuns>);
    add("Lz4Decompress", Lz4Decompress);
    add("Lz4Compress", Lz4Compress);
}

}  // namespace
}  // namespace tavrin

int main(int argc, char** argv) {
    tavrin::AllFor("handwriting16", tavrin::PageKind::Handwriting);
    tavrin::AllFor("blank", tavrin::PageKind::Blank);
    tavrin::AllFor("noise", tavrin::PageKind::Noise);
    return tavrin::RunBenchmarks(argc, argv);
}
