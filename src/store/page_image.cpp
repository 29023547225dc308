#include "store/page_image.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <span>
#include <string>

#include "store/little_endian.h"
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

bool IsEmptyImageBlock(const PageBlockHeader& header) {
    return (header.width == 0 || header.height == 0) && header.dataLength == 0;
}

// Only 4-bit pages of sides 1 to kMaxPageSide are ever written.
bool IsReadablePage(const PageBlockHeader& header) {
    return BitsPerPixelOf(header) == kPageBitsPerPixel && header.width > 0 &&
           header.height > 0 && header.width <= kMaxPageSide && header.height <= kMaxPageSide;
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

PageImage::~PageImage() { Release(); }

std::uint8_t PageImage::IndexAt(std::int32_t x, std::int32_t y) const {
    // Rows are stored bottom-up; the left pixel of a byte is its high nibble.
    const std::int32_t row = height_ - 1 - y;
    const std::uint8_t pair = pixels_[static_cast<std::size_t>(row) *
                                          static_cast<std::size_t>(RowStride(width_, kPageBitsPerPixel)) +
                                      static_cast<std::size_t>(x / 2)];
    return static_cast<std::uint8_t>(x % 2 == 0 ? pair >> 4 : pair & 0x0F);
}

void PageImage::Release() {
    surface_.reset();
    pixels_ = nullptr;
}

int PageImage::Capture(const platform::DrawingContext& source, std::int32_t x, std::int32_t y,
                       std::int32_t width, std::int32_t height) {
    Release();
    width_ = width;
    height_ = height;
    size_ = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        PageByteCount(width, height, kPageBitsPerPixel), std::numeric_limits<std::int32_t>::min(),
        std::numeric_limits<std::int32_t>::max()));
    surface_ = platform::CreatePageBitmap(DescribePage(width, height, kPageBitsPerPixel, size_));
    if (surface_) {
        pixels_ = surface_->Pixels();
        source.CapturePage(x, y, *surface_);
    }
    return 1;
}

void PageImage::Draw(platform::DrawingContext& target, std::int32_t x, std::int32_t y,
                     std::int32_t width, std::int32_t height) const {
    const std::int32_t drawnWidth = width == 0 ? width_ : width;
    const std::int32_t drawnHeight = height == 0 ? height_ : height;
    const Rect rect{x, y, x + drawnWidth, y + drawnHeight};
    if (surface_) {
        target.DrawPage(rect, *surface_);
    } else {
        target.FillWhite(rect);
    }
}

int PageImage::Load(platform::ByteFile& file, PageLoadNotes* notes) {
    Release();
    HeaderBytes headerBytes{};
    if (!file.Read(headerBytes.data(), headerBytes.size())) {
        return 0;
    }
    const PageBlockHeader header = DecodeHeader(headerBytes);
    if (notes != nullptr) {
        notes->headerRead = true;
        notes->header = header;
        notes->pixelBytesExpected = static_cast<std::size_t>(
            PageByteCount(header.width, header.height, BitsPerPixelOf(header)));
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
    // reading of the file anyway and nothing after it can be trusted.
    if (!IsReadablePage(header)) {
        return 0;
    }
    // A length beyond the end of the file would be a short read; refusing it
    // first keeps a damaged header from asking for gigabytes.
    if (header.dataLength > file.Remaining()) {
        return 0;
    }
    ByteBuffer data;
    if (!data.Allocate(header.dataLength)) {
        return OutOfMemory(notes);
    }
    if (!file.Read(data.Data(), header.dataLength)) {
        return 0;
    }
    std::span<const std::uint8_t> pixelData(data.Data(), header.dataLength);
    ByteBuffer unpacked;
    if ((header.format & kPackedFlag) != 0) {
        const std::optional<std::size_t> length = UnpackRuns(pixelData, unpacked);
        if (!length) {
            return OutOfMemory(notes);
        }
        pixelData = {unpacked.Data(), *length};
    }
    if (notes != nullptr) {
        notes->pixelBytesDelivered = pixelData.size();
    }

    width_ = header.width;
    height_ = header.height;
    size_ = static_cast<std::int32_t>(std::min<std::size_t>(
        pixelData.size(), static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())));
    surface_ = platform::CreatePageBitmap(
        DescribePage(width_, height_, BitsPerPixelOf(header), size_));
    if (!surface_) {
        return 0;
    }
    pixels_ = surface_->Pixels();
    const std::size_t surfaceBytes = surface_->PixelByteCount();
    const std::size_t copied = std::min(pixelData.size(), surfaceBytes);
    if (copied > 0) {
        std::memcpy(pixels_, pixelData.data(), copied);
    }
    // Rows the data doesn't reach (a short page) show the paper's white: the
    // zeroed bytes would be index 0, black, and look like ink the user never drew.
    std::memset(pixels_ + copied, kTwoWhitePixels, surfaceBytes - copied);
    return 1;
}

int PageImage::Save(platform::ByteFile& file) const {
    PageBlockHeader header;
    header.format = kSavedFormat;
    header.width = static_cast<std::uint16_t>(width_);
    header.height = static_cast<std::uint16_t>(height_);

    ByteBuffer packed;
    if (surface_) {
        // Never more than the surface holds, whatever a load reported as delivered.
        const std::size_t pixelCount = std::min(static_cast<std::size_t>(std::max(size_, 0)),
                                                surface_->PixelByteCount());
        const std::optional<std::size_t> length = PackRuns({pixels_, pixelCount}, packed);
        // Without the packed bytes a header would promise data that never follows.
        if (!length) {
            return 0;
        }
        header.dataLength = static_cast<std::uint32_t>(*length);
    } else if (size_ != 0) {
        // A capture that got no surface has a size but no pixels to store.
        return 0;
    }

    const HeaderBytes headerBytes = EncodeHeader(header);
    if (!file.Write(headerBytes.data(), headerBytes.size())) {
        return 0;
    }
    if (header.dataLength == 0) {
        return 1;
    }
    return file.Write(packed.Data(), header.dataLength) ? 1 : 0;
}

}  // namespace tavrin
