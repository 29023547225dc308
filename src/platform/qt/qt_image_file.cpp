// PNG files encoded by libpng, the encoder Qt itself uses: Qt writes indexed
// images with 8 bits per pixel, libpng with the 4 of a page, taking the
// page's rows as they are.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "platform/byte_file.h"
#include "platform/image_file.h"
#include "platform/qt/qt_image_file.h"

namespace tavrin::platform {
namespace {

struct Encoding {
    std::vector<std::uint8_t> bytes;
    std::string error;
};

// libpng's errors end the encoding by a jump back into EncodePng.
[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
    static_cast<Encoding*>(png_get_error_ptr(png))->error = message;
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void AppendPngBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* encoding = static_cast<Encoding*>(png_get_io_ptr(png));
    try {
        encoding->bytes.insert(encoding->bytes.end(), data, data + length);
    } catch (const std::bad_alloc&) {
        png_error(png, "not enough memory");
    }
}

void FlushPngBytes(png_structp) {}

// What EncodePng writes: the image's form and its rows, top-down.
struct PngImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    int bitDepth = 8;
    int colorType = PNG_COLOR_TYPE_RGB;
    std::vector<png_color> palette;  // indexed images only
    std::vector<png_const_bytep> rows;
};

bool EncodePng(const PngImage& image, Encoding& encoding) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &encoding, OnPngError, OnPngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        encoding.error = "not enough memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &encoding, AppendPngBytes, FlushPngBytes);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), image.bitDepth, image.colorType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!image.palette.empty()) {
        png_set_PLTE(png, info, image.palette.data(), static_cast<int>(image.palette.size()));
    }
    png_write_info(png, info);
    png_write_image(png, const_cast<png_bytepp>(image.rows.data()));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// Encodes the image, reserving `expectedBytes` first: growing the buffer
// step by step cost more than the encoding.
bool EncodeImage(const PngImage& image, std::size_t expectedBytes, std::vector<std::uint8_t>& bytes,
                 std::string& error) {
    Encoding encoding;
    encoding.bytes.reserve(expectedBytes);
    if (!EncodePng(image, encoding)) {
        error = encoding.error;
        return false;
    }
    bytes = std::move(encoding.bytes);
    return true;
}

// Writes the bytes beside the name and renames them into place, so that a
// picture appears only whole. Not synced: a picture is a copy that the memo
// file gives again, and a sync per page cost more than the rest.
bool WriteWhole(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& cause) {
    FileSystem& files = LocalFileSystem();
    std::string temporary;
    std::unique_ptr<ByteFile> file = files.CreateTemporaryFor(path, temporary, cause);
    if (file == nullptr) return false;
    const bool written = file->Write(bytes.data(), bytes.size()) && file->Close();
    if (!written) cause = file->LastError();
    file.reset();
    return PutInPlace(temporary, path, written, cause);
}

bool EncodeAndWrite(const std::string& path, const PngImage& image, std::size_t expectedBytes,
                    std::string& error) {
    std::vector<std::uint8_t> bytes;
    std::string cause;
    if (EncodeImage(image, expectedBytes, bytes, cause) && WriteWhole(path, bytes, cause)) return true;
    error = "Cannot write " + path + ": " + cause;
    return false;
}

}  // namespace

bool PutInPlace(const std::string& temporary, const std::string& path, bool written,
                std::string& cause) {
    FileSystem& files = LocalFileSystem();
    // A rename on Linux leaves no copies to keep or warn of (ReplaceNotes).
    ReplaceNotes notes;
    if (written && files.Replace(temporary, path, cause, notes)) return true;
    std::string removal;
    if (!notes.keepFrom && !files.Remove(temporary, removal)) {
        cause += "; the temporary file " + temporary + " could not be removed: " + removal;
    }
    return false;
}

// Page rows are bottom-up, padded to 4 bytes, with the left pixel in the high
// 4 bits: PNG's own packing of 4-bit pixels, so each row is handed over as it
// is. A page of handwriting packs to a quarter of its bytes or less.
bool EncodePagePng(const PageBitmap& page, const std::array<RgbQuad, 16>& colors,
                   std::vector<std::uint8_t>& bytes, std::string& error) {
    const auto height = static_cast<std::size_t>(page.Height());
    const std::size_t stride = (static_cast<std::size_t>(page.Width()) * 4 + 31) / 32 * 4;
    if (page.Width() <= 0 || page.Height() <= 0 || page.PixelByteCount() < height * stride) {
        error = "the picture's size does not match its pixels";
        return false;
    }
    PngImage image{page.Width(), page.Height(), 4, PNG_COLOR_TYPE_PALETTE, {}, {}};
    for (const RgbQuad& color : colors) {
        image.palette.push_back({color.red, color.green, color.blue});
    }
    image.rows.resize(height);
    for (std::size_t y = 0; y < height; ++y) {
        image.rows[y] = page.Pixels() + (height - 1 - y) * stride;
    }
    return EncodeImage(image, height * stride / 4 + 1024, bytes, error);
}

bool WritePng(const std::string& path, const PageBitmap& page,
              const std::array<RgbQuad, 16>& colors, std::string& error) {
    std::vector<std::uint8_t> bytes;
    std::string cause;
    if (EncodePagePng(page, colors, bytes, cause) && WriteWhole(path, bytes, cause)) return true;
    error = "Cannot write " + path + ": " + cause;
    return false;
}

bool WriteRgbPng(const std::string& path, std::int32_t width, std::int32_t height,
                 std::span<const std::uint8_t> pixels, std::string& error) {
    const auto rowBytes = static_cast<std::size_t>(std::max(width, 0)) * 3;
    if (width <= 0 || height <= 0 || pixels.size() != rowBytes * static_cast<std::size_t>(height)) {
        error = "Cannot write " + path + ": the picture's size does not match its pixels";
        return false;
    }
    PngImage image{width, height, 8, PNG_COLOR_TYPE_RGB, {}, {}};
    image.rows.resize(static_cast<std::size_t>(height));
    for (std::size_t y = 0; y < image.rows.size(); ++y) {
        image.rows[y] = pixels.data() + y * rowBytes;
    }
    return EncodeAndWrite(path, image, pixels.size() + 1024, error);
}

}  // namespace tavrin::platform
