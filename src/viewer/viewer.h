// TavrinView's behaviour, whatever toolkit shows it: the canvas it reads the
// memo data file with, the paint pass of its client area, its commands and its
// key table. A shell turns its toolkit's events into these calls, hands over
// its paint context through the platform seam, and does what ViewerShell asks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "canvas/memo_canvas.h"
#include "platform/byte_file.h"
#include "platform/drawing.h"
#include "platform/host_window.h"
#include "platform/types.h"
#include "platform/virtual_keys.h"
#include "viewer/viewer_commands.h"

namespace tavrin::viewer {

// The client area: the 17-row status strip, then the page inside a one-pixel frame.
inline constexpr std::int32_t kClientWidth = 242;
inline constexpr std::int32_t kClientHeight = 339;
inline constexpr std::int32_t kStripHeight = 17;
// Window pixel (x, y) shows surface pixel (x - 1, y - 18).
inline constexpr std::int32_t kPageLeft = 1;
inline constexpr std::int32_t kPageTop = 18;

// The keys the viewer's table names, by their virtual-key codes; a shell whose
// toolkit has other key codes turns its keys into these.
using enum platform::VirtualKey;

// Where to stay when the file shown is read again (1-based, in `after`): at
// the memo shown before, known by its creation time (memos made at the same
// moment by their order among themselves); when it is gone, at the position
// it had, or at the last memo of a shorter list.
std::uint16_t PositionAfterReload(const MemoList& before, const MemoList& after);

// Said in the strip when the file shown was read again after a change.
inline constexpr std::string_view kReloadedNote = "Reloaded: changed on disk";

// What the viewer asks of the window that shows it.
class ViewerShell {
public:
    virtual ~ViewerShell() = default;

    // Paints the whole client area before the next input is taken, without
    // erasing it first.
    virtual void RepaintNow() = 0;
    // The About box, modal, owned by the main window.
    virtual void ShowAbout() = 0;
    // Closes the main window, which ends the program.
    virtual void Close() = 0;
    // Ends the program with code 0 at once, the window left as it is.
    virtual void Quit() = 0;
    // The overview of every memo, modal: the memo chosen, or none. A shell
    // without an overview chooses none.
    virtual const MemoEntry* ChooseMemo() { return nullptr; }
};

class Viewer {
public:
    // Makes the canvas over `window` and loads the memo data file at `path`;
    // any message of the load is shown, and the title set, before this returns.
    Viewer(platform::HostWindow& window, ViewerShell& shell, const std::string& path);
    // The same with the file that `load` reads, which a program starts before
    // its toolkit, so that the two go side by side.
    Viewer(platform::HostWindow& window, ViewerShell& shell, BackgroundLoad&& load);

    // False when `command` is none of the viewer's.
    bool RunCommand(int command);
    // True when the key is used up; false when it goes on to the toolkit's
    // default handling.
    bool PressKey(int virtualKey);
    // One paint pass over the client area. `update` is the part the toolkit
    // asks for; `background` is the window's background color.
    void Paint(platform::DrawingContext& context, const Rect& update, Color background);

    // Shows the memo file at `path` in place of the one shown, at its stored
    // current memo; from then on it is the file followed. 1; 0 when it can't
    // be read whole, which a message box says, and what was shown stays.
    int Open(const std::string& path);
    // Reads the file shown again when it is another version than the one
    // last read or tried, and shows it at PositionAfterReload. 1 when it was
    // read; 0 when it is the same, gone (what was shown stays until a file
    // is there again), or can't be read whole: that is said once per version,
    // and what was shown stays.
    int FollowFile();
    // The file shown and followed; empty for none.
    const std::string& Path() const { return path_; }
    // A short note that stands in the strip in place of the creation time
    // (kReloadedNote after a reload) until ClearNote; the shell decides how
    // long it shows.
    const std::string& Note() const { return note_; }
    void ClearNote();

    MemoCanvas& Canvas() { return canvas_; }

private:
    void Move(bool forward);
    int Read(const std::string& path, std::optional<platform::FileIdentity> identity, bool sameMemo);

    platform::HostWindow& window_;
    ViewerShell& shell_;
    MemoCanvas canvas_;
    std::string path_;
    // The version of the file last read or tried; none when it was not there.
    std::optional<platform::FileIdentity> seen_;
    std::string note_;
};

}  // namespace tavrin::viewer
