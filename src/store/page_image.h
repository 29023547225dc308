// One memo's picture: a 4-bit page bitmap over the fixed PenPalette, captured
// from and drawn onto drawing contexts, and read and written as a page-image
// block of the memo data file.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/byte_file.h"
#include "platform/drawing.h"
#include "store/page_data_arena.h"
#include "store/run_length.h"

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
    // The packed data ends with a count byte without its value (dropped).
    bool danglingCount = false;
};

// The color-table index of pixel (x, y) of a page bitmap, counted from the
// top-left corner; the pixel must lie on the page.
std::uint8_t IndexAt(const platform::PageBitmap& page, std::int32_t x, std::int32_t y);

// The picture is held as packed pixel bytes (or, for a block stored
// unpacked, as its raw bytes) and unpacked only while it is drawn, so that a
// list of many memos costs little more memory than their file.
class PageImage {
public:
    PageImage() = default;
    virtual ~PageImage();
    PageImage(const PageImage&) = delete;
    PageImage& operator=(const PageImage&) = delete;

    // Forgets the picture; width, height and size stay.
    void Release();
    // Replaces the picture with the rectangle of `source`; 1 when it did.
    // When memory for the new picture can't be had the image keeps the one
    // it had, with its size, and the result is 0.
    int Capture(const platform::DrawingContext& source, std::int32_t x, std::int32_t y,
                std::int32_t width, std::int32_t height);
    // Copies the picture onto `target` at (x, y); 0 for width or height means
    // the image's own. Without a picture the rectangle is filled white.
    void Draw(platform::DrawingContext& target, std::int32_t x, std::int32_t y,
              std::int32_t width, std::int32_t height) const;
    // Reads one page-image block at the file's position; 1 when it holds a
    // picture, or when the block is that of an image without a picture.
    // A block no program writes (a side of 0 or above kMaxPageSide, a depth
    // other than 4 bits, more data than a page of its size can need, or data
    // that unpacks past the page's bytes) fails like a failed read, before
    // anything is allocated for it. The notes say why a load failed: memory
    // for the data, or the data itself.
    int Load(platform::ByteFile& file, PageLoadNotes* notes = nullptr);
    // Load in two steps, so that a list can walk one page's items on another
    // thread while it reads the next page: ReadBlock reads the block, its data
    // into room taken from `room` (0 when Load would fail there), and the page
    // is loaded once CheckItems returns 1 (0: as Load fails). Nothing else may
    // use the image between the two.
    int ReadBlock(platform::ByteFile& file, PageDataArena& room, PageLoadNotes* notes);
    int CheckItems(PageLoadNotes* notes);
    // Moves past one page-image block without reading its data, refusing a
    // header as Load does: 0 for a block no program writes or data past the
    // end of the file. The data's items are not looked at.
    static int SkipBlock(platform::ByteFile& file);
    // Writes one page-image block at the file's position; nonzero when written.
    int Save(platform::ByteFile& file) const;
    // Holds the same picture as `other`, sharing its data: a copy that costs
    // no pixel bytes and stays as it is when `other` is drawn on or replaced.
    void ShareFrom(const PageImage& other);
    // Whether both show the same picture: the same size and pixels, however
    // their data is packed. The data is compared first; pages are unpacked
    // only when it differs. False when memory to unpack them can't be had.
    bool SamePicture(const PageImage& other) const;

    bool HasPicture() const { return hasPicture_; }
    // The picture unpacked into a new page bitmap (pixels the data doesn't
    // reach are white); null without a picture or when memory can't be had.
    std::unique_ptr<platform::PageBitmap> MakeSurface() const;
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    std::int32_t Size() const { return size_; }
    // The bytes the picture's data holds, packed or as read.
    std::size_t DataBytes() const { return dataLength_; }

private:
    // The first `size_` pixel bytes, unpacked; false when memory can't be had.
    bool UnpackPixels(ByteBuffer& out) const;
    // Makes the data what the packer writes for its pixels: data read from a
    // file is checked once, and packed anew when another writer's (or stored
    // unpacked); false (the data unchanged) when memory can't be had.
    bool MakeAsPacked() const;

    // A save checks or packs data from a file only once: what it found is
    // kept, hence mutable.
    // Shared: the pages of one load hold their data in common blocks.
    mutable std::shared_ptr<std::uint8_t> data_;
    mutable std::size_t dataLength_ = 0;
    mutable bool dataPacked_ = false;
    // data_ is known to be exactly what the packer writes for the pixels:
    // captured here, or checked or packed anew by a save.
    mutable bool asPacked_ = false;
    bool hasPicture_ = false;
    // What CheckItems needs of a block ReadBlock read.
    struct Unchecked {
        bool pending = false;
        std::uint16_t width = 0;
        std::uint16_t height = 0;
        std::size_t pageBytes = 0;
    } unchecked_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t size_ = 0;
};

// A memo's page as the programs show it: its picture unpacked, or a white
// kPageWidth × kPageHeight page for a memo without one (`noPicture` then
// set). Null when memory can't be had.
std::unique_ptr<platform::PageBitmap> ShownPage(const PageImage& page, bool& noPicture);

}  // namespace tavrin
