#include "store/page_image.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <span>
#include <string>
#include <utility>

#include "store/allocation.h"
#include "store/little_endian.h"
#include "store/page_data_arena.h"
#include "store/run_length.h"

namespace tavrin {

// Entries are blue, green, red, 0. Entries 1, 3 and 7 differ from the common
// 16-color table; stored pages depend on exactly these values.
const std::array<platform::RgbQuad, 16> PenPalette = {{
    {0x00, 0x00, 0x00, 0},
    {0x80, 0x40, 0x00, 0},
    {0x00, 0x80, 0x00, 0},
    {0xFF, 0x80, 0x00, 0},
    {0x00, 0x00, 0x80, 0},
    {0x80, 0x00, 0x80, 0},
    {0x00, 0x80, 0x80, 0},
    {0xFF, 0xC0, 0xC0, 0},
    {0x80, 0x80, 0x80, 0},
    {0xFF, 0x00, 0x00, 0},
    {0x00, 0xFF, 0x00, 0},
    {0xFF, 0xFF, 0x00, 0},
    {0x00, 0x00, 0xFF, 0},
    {0xFF, 0x00, 0xFF, 0},
    {0x00, 0xFF, 0xFF, 0},
    {0xFF, 0xFF, 0xFF, 0},
}};

namespace {

constexpr std::int32_t kPageBitsPerPixel = 4;
constexpr std::uint8_t kTwoWhitePixels = 0xFF;

// The block header as it is stored: little-endian fields without gaps.
using HeaderBytes = std::array<std::uint8_t, 12>;

HeaderBytes EncodeHeader(const PageBlockHeader& header) {
    HeaderBytes bytes{};
    PutU16(&bytes[0], header.format);
    PutU16(&bytes[2], header.reserved);
    PutU16(&bytes[4], header.width);
    PutU16(&bytes[6], header.height);
    PutU32(&bytes[8], header.dataLength);
    return bytes;
}

PageBlockHeader DecodeHeader(const HeaderBytes& bytes) {
    return {GetU16(&bytes[0]), GetU16(&bytes[2]), GetU16(&bytes[4]), GetU16(&bytes[6]),
            GetU32(&bytes[8])};
}

std::int32_t BitsPerPixelOf(const PageBlockHeader& header) { return header.format & 0xFF; }

std::int64_t PageByteCount(std::int32_t width, std::int32_t height, std::int32_t bitsPerPixel) {
    return std::int64_t{height} * RowStride(width, bitsPerPixel);
}

// The most data a block of a page with `pageBytes` pixel bytes can need:
// its raw bytes, or twice as many packed (each byte alone as a count and value).
std::size_t LongestData(std::size_t pageBytes, bool packed) {
    return packed ? 2 * pageBytes : pageBytes;
}

bool IsEmptyImageBlock(const PageBlockHeader& header) {
    return (header.width == 0 || header.height == 0) && header.dataLength == 0;
}

// Only 4-bit pages of sides 1 to kMaxPageSide are ever written.
bool IsReadablePage(const PageBlockHeader& header) {
    return BitsPerPixelOf(header) == kPageBitsPerPixel && header.width > 0 &&
           header.height > 0 && header.width <= kMaxPageSide && header.height <= kMaxPageSide;
}

// Whether the data of a block whose header is not that of an empty image
// can be a page's: a page some program writes, no more data than such a page
// can need, and no more than the file still holds.
bool FramesPageData(const PageBlockHeader& header, std::size_t pageBytes,
                    std::uint64_t remaining) {
    const bool packed = (header.format & kPackedFlag) != 0;
    return IsReadablePage(header) && header.dataLength <= LongestData(pageBytes, packed) &&
           header.dataLength <= remaining;
}

std::size_t PageBytesOf(const PageBlockHeader& header) {
    return static_cast<std::size_t>(std::max<std::int64_t>(
        PageByteCount(header.width, header.height, BitsPerPixelOf(header)), 0));
}

bool ReadHeader(platform::ByteFile& file, PageBlockHeader& header) {
    HeaderBytes bytes{};
    if (!file.Read(bytes.data(), bytes.size())) {
        return false;
    }
    header = DecodeHeader(bytes);
    return true;
}

platform::PageBitmapInfo DescribePage(std::int32_t width, std::int32_t height,
                                      std::int32_t bitsPerPixel, std::int32_t size) {
    platform::PageBitmapInfo info;
    info.width = width;
    info.height = height;
    info.bitCount = static_cast<std::uint16_t>(bitsPerPixel);
    info.sizeImage = static_cast<std::uint32_t>(std::max(size, 0));
    info.colors = PenPalette;
    return info;
}

// The buffer's bytes, held from now on by a shared pointer as a load's are;
// null (the bytes freed) when the pointer can't be made.
std::shared_ptr<std::uint8_t> Shared(ByteBuffer&& buffer) {
    std::uint8_t* bytes = buffer.Release();
    try {
        return std::shared_ptr<std::uint8_t>(bytes, FreeBytes);
    } catch (const std::bad_alloc&) {
        // The shared pointer frees the bytes when it can't be made.
        return nullptr;
    }
}

int OutOfMemory(PageLoadNotes* notes) {
    if (notes != nullptr) {
        notes->outOfMemory = true;
    }
    return 0;
}

}  // namespace

std::int32_t RowStride(std::int32_t width, std::int32_t bitsPerPixel) {
    const std::int64_t bits = std::int64_t{width} * bitsPerPixel;
    return static_cast<std::int32_t>((bits + 31) / 32 * 4);
}

std::uint8_t IndexAt(const platform::PageBitmap& page, std::int32_t x, std::int32_t y) {
    // Rows are stored bottom-up; the left pixel of a byte is its high nibble.
    const std::int32_t row = page.Height() - 1 - y;
    const std::uint8_t pair =
        page.Pixels()[static_cast<std::size_t>(row) *
                          static_cast<std::size_t>(RowStride(page.Width(), kPageBitsPerPixel)) +
                      static_cast<std::size_t>(x / 2)];
    return static_cast<std::uint8_t>(x % 2 == 0 ? pair >> 4 : pair & 0x0F);
}

PageImage::~PageImage() { Release(); }

void PageImage::Release() {
    data_.reset();
    dataLength_ = 0;
    asPacked_ = false;
    hasPicture_ = false;
}

int PageImage::Capture(const platform::DrawingContext& source, std::int32_t x, std::int32_t y,
                       std::int32_t width, std::int32_t height) {
    const std::int32_t size = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        PageByteCount(width, height, kPageBitsPerPixel), std::numeric_limits<std::int32_t>::min(),
        std::numeric_limits<std::int32_t>::max()));
    // An empty rectangle is an image without a picture, not a lack of memory.
    if (width <= 0 || height <= 0) {
        Release();
        width_ = width;
        height_ = height;
        size_ = size;
        return 1;
    }
    const std::unique_ptr<platform::PageBitmap> surface =
        platform::CreatePageBitmap(DescribePage(width, height, kPageBitsPerPixel, size));
    if (!surface) {
        return 0;
    }
    source.CapturePage(x, y, *surface);
    ByteBuffer packed;
    const std::optional<std::size_t> length =
        PackRuns({surface->Pixels(), surface->PixelByteCount()}, packed);
    std::shared_ptr<std::uint8_t> data = length ? Shared(std::move(packed)) : nullptr;
    if (!data) {
        return 0;
    }
    // The old picture goes only now that the new one is whole.
    data_ = std::move(data);
    dataLength_ = *length;
    dataPacked_ = true;
    asPacked_ = true;
    hasPicture_ = true;
    width_ = width;
    height_ = height;
    size_ = size;
    return 1;
}

void PageImage::ShareFrom(const PageImage& other) {
    data_ = other.data_;
    dataLength_ = other.dataLength_;
    dataPacked_ = other.dataPacked_;
    asPacked_ = other.asPacked_;
    hasPicture_ = other.hasPicture_;
    unchecked_ = {};
    width_ = other.width_;
    height_ = other.height_;
    size_ = other.size_;
}

bool PageImage::SamePicture(const PageImage& other) const {
    if (width_ != other.width_ || height_ != other.height_ || hasPicture_ != other.hasPicture_ ||
        size_ != other.size_) {
        return false;
    }
    if (!hasPicture_) {
        return true;
    }
    if (dataPacked_ == other.dataPacked_ && dataLength_ == other.dataLength_ &&
        (data_ == other.data_ || std::memcmp(data_.get(), other.data_.get(), dataLength_) == 0)) {
        return true;
    }
    // The same pixels may come packed by another writer, or stored unpacked.
    const std::unique_ptr<platform::PageBitmap> mine = MakeSurface();
    const std::unique_ptr<platform::PageBitmap> theirs = other.MakeSurface();
    return mine != nullptr && theirs != nullptr &&
           std::equal(mine->Pixels(), mine->Pixels() + mine->PixelByteCount(), theirs->Pixels(),
                      theirs->Pixels() + theirs->PixelByteCount());
}

bool PageImage::UnpackPixels(ByteBuffer& out) const {
    const std::size_t length = static_cast<std::size_t>(size_);
    if (!out.Allocate(length)) {
        return false;
    }
    const std::span<const std::uint8_t> data(data_.get(), dataLength_);
    if (dataPacked_) {
        // Load and Capture made sure the data unpacks to exactly `size_` bytes.
        static_cast<void>(UnpackRunsInto(data, {out.Data(), length}));
    } else if (length > 0) {
        std::memcpy(out.Data(), data.data(), length);
    }
    return true;
}

bool PageImage::MakeAsPacked() const {
    if (dataPacked_ && IsAsPacked({data_.get(), dataLength_})) {
        asPacked_ = true;
        return true;
    }
    ByteBuffer pixels;
    ByteBuffer packed;
    if (!UnpackPixels(pixels)) {
        return false;
    }
    const std::optional<std::size_t> length =
        PackRuns({pixels.Data(), static_cast<std::size_t>(size_)}, packed);
    std::shared_ptr<std::uint8_t> shared = length ? Shared(std::move(packed)) : nullptr;
    if (!shared) {
        return false;
    }
    data_ = std::move(shared);
    dataLength_ = *length;
    dataPacked_ = true;
    asPacked_ = true;
    return true;
}

std::unique_ptr<platform::PageBitmap> PageImage::MakeSurface() const {
    if (!hasPicture_) {
        return nullptr;
    }
    std::unique_ptr<platform::PageBitmap> surface =
        platform::CreatePageBitmap(DescribePage(width_, height_, kPageBitsPerPixel, size_));
    if (!surface) {
        return nullptr;
    }
    const std::span<std::uint8_t> pixels(surface->Pixels(), surface->PixelByteCount());
    const std::span<const std::uint8_t> data(data_.get(), dataLength_);
    std::size_t delivered = 0;
    if (dataPacked_) {
        delivered = UnpackRunsInto(data, pixels).value_or(pixels.size());
    } else {
        delivered = std::min(data.size(), pixels.size());
        if (delivered > 0) {
            std::memcpy(pixels.data(), data.data(), delivered);
        }
    }
    // Rows the data doesn't reach (a short page) show the paper's white: the
    // zeroed bytes would be index 0, black, and look like ink the user never drew.
    std::fill(pixels.begin() + static_cast<std::ptrdiff_t>(delivered), pixels.end(),
              kTwoWhitePixels);
    return surface;
}

void PageImage::Draw(platform::DrawingContext& target, std::int32_t x, std::int32_t y,
                     std::int32_t width, std::int32_t height) const {
    const std::int32_t drawnWidth = width == 0 ? width_ : width;
    const std::int32_t drawnHeight = height == 0 ? height_ : height;
    const Rect rect{x, y, x + drawnWidth, y + drawnHeight};
    if (const std::unique_ptr<platform::PageBitmap> surface = MakeSurface()) {
        target.DrawPage(rect, *surface);
    } else {
        target.FillWhite(rect);
    }
}

int PageImage::Load(platform::ByteFile& file, PageLoadNotes* notes) {
    PageDataArena ownRoom;
    return ReadBlock(file, ownRoom, notes) != 0 ? CheckItems(notes) : 0;
}

int PageImage::ReadBlock(platform::ByteFile& file, PageDataArena& room, PageLoadNotes* notes) {
    Release();
    unchecked_ = {};
    PageBlockHeader header;
    if (!ReadHeader(file, header)) {
        return 0;
    }
    const std::size_t pageBytes = PageBytesOf(header);
    if (notes != nullptr) {
        notes->headerRead = true;
        notes->header = header;
        notes->pixelBytesExpected = pageBytes;
    }
    // The block Save writes for an image without a picture: it reads back as
    // the same empty image (shown white), so that the memos after it still load.
    if (IsEmptyImageBlock(header)) {
        width_ = header.width;
        height_ = header.height;
        size_ = 0;
        return 1;
    }
    // A page no program writes is refused like a failed read, straight after
    // its header: its data is left unread, since a failed page ends the
    // reading of the file anyway and nothing after it can be trusted. A
    // length beyond the end of the file would be a short read; refusing
    // both first keeps a damaged header from asking for gigabytes.
    if (!FramesPageData(header, pageBytes, file.Remaining())) {
        return 0;
    }
    data_ = room.Take(header.dataLength, file.Remaining());
    if (data_ == nullptr) {
        return OutOfMemory(notes);
    }
    if (!file.Read(data_.get(), header.dataLength)) {
        Release();
        return 0;
    }
    dataLength_ = header.dataLength;
    dataPacked_ = (header.format & kPackedFlag) != 0;
    unchecked_ = {true, header.width, header.height, pageBytes};
    return 1;
}

int PageImage::SkipBlock(platform::ByteFile& file) {
    PageBlockHeader header;
    if (!ReadHeader(file, header)) {
        return 0;
    }
    if (IsEmptyImageBlock(header)) {
        return 1;
    }
    return FramesPageData(header, PageBytesOf(header), file.Remaining()) &&
                   file.Skip(header.dataLength)
               ? 1
               : 0;
}

int PageImage::CheckItems(PageLoadNotes* notes) {
    if (!std::exchange(unchecked_.pending, false)) {
        return 1;
    }
    std::size_t delivered = dataLength_;
    if (dataPacked_) {
        const RunsMeasure measure = MeasureRuns({data_.get(), dataLength_});
        delivered = measure.unpackedLength;
        if (notes != nullptr) {
            notes->danglingCount = measure.danglingCount;
        }
    }
    if (notes != nullptr) {
        notes->pixelBytesDelivered = delivered;
    }
    if (delivered > unchecked_.pageBytes) {
        Release();
        return 0;
    }
    hasPicture_ = true;
    width_ = unchecked_.width;
    height_ = unchecked_.height;
    size_ = static_cast<std::int32_t>(delivered);
    return 1;
}

int PageImage::Save(platform::ByteFile& file) const {
    PageBlockHeader header;
    header.format = kSavedFormat;
    header.width = static_cast<std::uint16_t>(width_);
    header.height = static_cast<std::uint16_t>(height_);

    if (hasPicture_) {
        // Every save writes what the packer makes of the pixels. Without the
        // packed bytes a header would promise data that never follows.
        if (!asPacked_ && !MakeAsPacked()) {
            return 0;
        }
        header.dataLength = static_cast<std::uint32_t>(dataLength_);
    } else if (size_ != 0) {
        // A capture that got no picture has a size but no pixels to store.
        return 0;
    }

    const HeaderBytes headerBytes = EncodeHeader(header);
    if (!file.Write(headerBytes.data(), headerBytes.size())) {
        return 0;
    }
    if (header.dataLength == 0) {
        return 1;
    }
    return file.Write(data_.get(), header.dataLength) ? 1 : 0;
}

std::unique_ptr<platform::PageBitmap> ShownPage(const PageImage& page, bool& noPicture) {
    noPicture = !page.HasPicture();
    if (!noPicture) {
        return page.MakeSurface();
    }
    platform::PageBitmapInfo info;
    info.width = kPageWidth;
    info.height = kPageHeight;
    info.colors = PenPalette;
    std::unique_ptr<platform::PageBitmap> white = platform::CreatePageBitmap(info);
    if (white != nullptr) {
        std::fill_n(white->Pixels(), white->PixelByteCount(), kTwoWhitePixels);
    }
    return white;
}

}  // namespace tavrin
