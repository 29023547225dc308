// One memo's picture: a 4-bit page bitmap over the fixed PenPalette, captured
// from and drawn onto drawing contexts, and read and written as a page-image
// block of the memo data file.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/byte_file.h"
#include "platform/drawing.h"

namespace tavrin {

// The page of the handheld's 240 × 320 screen: the surface the canvas draws
// on when it has no window, and the size of a page shown for a memo without
// a picture.
constexpr std::int32_t kPageWidth = 240;
constexpr std::int32_t kPageHeight = 320;

// Bytes per row of a bottom-up bitmap: rows are padded to a multiple of 4 bytes.
std::int32_t RowStride(std::int32_t width, std::int32_t bitsPerPixel);

// The color table of every page. It is never stored: stored pixel indices are
// read through it, so its entries must never change.
extern const std::array<platform::RgbQuad, 16> PenPalette;

// The page-image block's header, as stored (little-endian, 12 bytes).
struct PageBlockHeader {
    std::uint16_t format = 0;  // low byte: bits per pixel; bit 0x0100: data is packed
    std::uint16_t reserved = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint32_t dataLength = 0;
};
static_assert(sizeof(PageBlockHeader) == 12);

constexpr std::uint16_t kPackedFlag = 0x0100;
constexpr std::uint16_t kSavedFormat = kPackedFlag | 4;
// No page the programs write comes near this; larger stored sizes are refused.
constexpr std::int32_t kMaxPageSide = 4096;

// What a load found beyond success or failure.
struct PageLoadNotes {
    bool headerRead = false;
    bool outOfMemory = false;  // memory for the page's data could not be had
    PageBlockHeader header;
    std::size_t pixelBytesDelivered = 0;  // raw or unpacked byte count
    std::size_t pixelBytesExpected = 0;   // height × RowStride(width, bpp)
};

class PageImage {
public:
    PageImage() = default;
    virtual ~PageImage();
    PageImage(const PageImage&) = delete;
    PageImage& operator=(const PageImage&) = delete;

    // Destroys the surface and forgets the pixels; width, height and size stay.
    void Release();
    // Replaces the picture with the rectangle of `source`; always 1.
    int Capture(const platform::DrawingContext& source, std::int32_t x, std::int32_t y,
                std::int32_t width, std::int32_t height);
    // Copies the picture onto `target` at (x, y); 0 for width or height means
    // the image's own. Without a surface the rectangle is filled white.
    void Draw(platform::DrawingContext& target, std::int32_t x, std::int32_t y,
              std::int32_t width, std::int32_t height) const;
    // Reads one page-image block at the file's position; 1 when a surface was
    // made, or when the block is that of an image without a picture. The
    // notes say why a load failed: memory for the data, or the data itself.
    int Load(platform::ByteFile& file, PageLoadNotes* notes = nullptr);
    // Writes one page-image block at the file's position; nonzero when written.
    int Save(platform::ByteFile& file) const;

    // The color-table index of pixel (x, y), counted from the top-left
    // corner; the image must have a surface and the pixel lie on it.
    std::uint8_t IndexAt(std::int32_t x, std::int32_t y) const;

    const platform::PageBitmap* Surface() const { return surface_.get(); }
    std::uint8_t* Pixels() { return pixels_; }
    const std::uint8_t* Pixels() const { return pixels_; }
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    std::int32_t Size() const { return size_; }

private:
    std::unique_ptr<platform::PageBitmap> surface_;
    std::uint8_t* pixels_ = nullptr;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t size_ = 0;
};

}  // namespace tavrin
