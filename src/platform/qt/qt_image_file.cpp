// PNG files encoded by libpng, the encoder Qt itself uses: Qt writes indexed
// images with 8 bits per pixel, libpng with the 4 of a page, taking the
// page's rows as they are.
#include <png.h>

#include <csetjmp>
#include <cstddef>
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

// Page rows are bottom-up, padded to 4 bytes, with the left pixel in the high
// 4 bits: PNG's own packing of 4-bit pixels, so each row is handed over as it is.
bool EncodePng(const PageBitmap& page, const std::array<RgbQuad, 16>& colors,
               const std::vector<png_const_bytep>& rows, Encoding& encoding) {
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
    std::array<png_color, 16> palette{};
    for (std::size_t i = 0; i < colors.size(); ++i) {
        palette[i] = {colors[i].red, colors[i].green, colors[i].blue};
    }
    png_set_write_fn(png, &encoding, AppendPngBytes, FlushPngBytes);
    png_set_IHDR(png, info, static_cast<png_uint_32>(page.Width()),
                 static_cast<png_uint_32>(page.Height()), 4, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    png_write_info(png, info);
    png_write_image(png, const_cast<png_bytepp>(rows.data()));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool EncodePagePng(const PageBitmap& page, const std::array<RgbQuad, 16>& colors,
                   std::vector<std::uint8_t>& bytes, std::string& error) {
    const auto height = static_cast<std::size_t>(page.Height());
    const std::size_t stride = (static_cast<std::size_t>(page.Width()) * 4 + 31) / 32 * 4;
    if (page.Width() <= 0 || page.Height() <= 0 || page.PixelByteCount() < height * stride) {
        error = "the picture's size does not match its pixels";
        return false;
    }
    std::vector<png_const_bytep> rows(height);
    for (std::size_t y = 0; y < height; ++y) {
        rows[y] = page.Pixels() + (height - 1 - y) * stride;
    }
    Encoding encoding;
    // Room for a page of handwriting at once: growing the buffer step by
    // step cost more than the encoding.
    encoding.bytes.reserve(height * stride / 4 + 1024);
    if (!EncodePng(page, colors, rows, encoding)) {
        error = encoding.error;
        return false;
    }
    bytes = std::move(encoding.bytes);
    return true;
}

bool WritePng(const std::string& path, const PageBitmap& page,
              const std::array<RgbQuad, 16>& colors, std::string& error) {
    const auto fail = [&](const std::string& cause) {
        error = "Cannot write " + path + ": " + cause;
        return false;
    };
    std::vector<std::uint8_t> bytes;
    std::string cause;
    if (!EncodePagePng(page, colors, bytes, cause)) return fail(cause);
    // Written beside its name and renamed into place, so that a picture
    // appears only whole. Not synced: an exported picture is a copy that the
    // memo file gives again, and a sync per page cost more than the rest.
    FileSystem& files = LocalFileSystem();
    std::string temporary;
    std::unique_ptr<ByteFile> file = files.CreateTemporaryFor(path, temporary, cause);
    if (file == nullptr) return fail(cause);
    const bool written = file->Write(bytes.data(), bytes.size()) && file->Close();
    if (!written) cause = file->LastError();
    file.reset();
    // A rename on Linux leaves no copies to keep or warn of (ReplaceNotes).
    ReplaceNotes notes;
    if (!written || !files.Replace(temporary, path, cause, notes)) {
        std::string removal;
        if (!notes.keepFrom && !files.Remove(temporary, removal)) {
            cause += "; the temporary file " + temporary + " could not be removed: " + removal;
        }
        return fail(cause);
    }
    return true;
}

}  // namespace tavrin::platform
