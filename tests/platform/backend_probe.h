// What the backend-neutral platform tests need from the backend under test
// that the seam doesn't give: reading pixels back, a shell's paint event, the
// system's own words for a file error, and a file held by another program.
// Each backend's test folder implements it (qt/, win32/).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/drawing.h"
#include "platform/types.h"

namespace tavrin::platform::probe {

// The color of pixel (x, y) of `selected`, the bitmap selected in the
// memory context `context`.
Color PixelAt(const DrawingContext& context, const Bitmap& selected, std::int32_t x,
               std::int32_t y);

// One paint event of a shell's window: pixels that stand for the window,
// white at the start, and the backend's paint context over them as the shell
// hands it to the shared code.
class PaintEvent {
public:
    PaintEvent(std::int32_t width, std::int32_t height);
    ~PaintEvent();
    PaintEvent(const PaintEvent&) = delete;
    PaintEvent& operator=(const PaintEvent&) = delete;

    DrawingContext& Context();
    // Ends the paint event: the context is gone and the window's pixels are final.
    void End();
    Color At(std::int32_t x, std::int32_t y) const;

private:
    struct Window;
    std::unique_ptr<Window> window_;
};

// The file errors the tests provoke.
enum class FileError {
    NoSuchFile,
    NoSuchFolder,     // a folder on the way to the file is missing
    IsAFolder,        // a folder opened or copied as a file
    AlreadyExists,
};

// The cause the backend gives for `error`, in the system's own words.
std::string CauseOf(FileError error);

// Holds a file open as another program does that reads it and wants no one
// else to, until destroyed.
class ForeignHold {
public:
    explicit ForeignHold(const std::string& path);
    ~ForeignHold();
    ForeignHold(const ForeignHold&) = delete;
    ForeignHold& operator=(const ForeignHold&) = delete;

    bool Holding() const { return holding_; }

private:
    std::intptr_t handle_ = -1;
    bool holding_ = false;
};

}  // namespace tavrin::platform::probe
