#include "viewer/viewer.h"

#include <algorithm>
#include <array>

#include "store/memo_file.h"

namespace tavrin::viewer {
namespace {

CanvasSetup ViewerCanvasSetup(platform::HostWindow& window) {
    CanvasSetup setup;
    setup.window = &window;
    setup.programName = "TavrinView";
    setup.corruptedWarning = std::string(kViewerCorruptedWarning);
    return setup;
}

enum class KeyAction { None, Previous, Next, Quit };

struct KeyRule {
    KeyAction action;
    bool passedOn;  // to the toolkit's default handling as well
};

// The keys 27 (Escape) to 40 (Down); every other key is passed on untouched.
constexpr int kFirstTableKey = kKeyEscape;
constexpr std::array<KeyRule, 14> kKeyTable{{
    {KeyAction::Quit, true},       // 27 Escape
    {KeyAction::None, true},       // 28 to 31: input-method keys
    {KeyAction::None, true},
    {KeyAction::None, true},
    {KeyAction::None, true},
    {KeyAction::None, true},       // 32 Space
    {KeyAction::Previous, false},  // 33 Page Up
    {KeyAction::Next, false},      // 34 Page Down
    {KeyAction::None, true},       // 35 End
    {KeyAction::None, true},       // 36 Home
    {KeyAction::Previous, false},  // 37 Left
    {KeyAction::Previous, false},  // 38 Up
    {KeyAction::Next, false},      // 39 Right
    {KeyAction::Next, false},      // 40 Down
}};

// Memos are known by their creation time to the millisecond; the day of the
// week follows from the date.
bool SameMoment(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second && a.milliseconds == b.milliseconds;
}

std::optional<platform::FileIdentity> IdentityNow(const std::string& path) {
    platform::OpenFailure failure = platform::OpenFailure::Missing;
    std::string error;
    return platform::LocalFileSystem().IdentityOf(path, failure, error);
}

std::string AsSentence(std::string text) {
    if (!text.empty() && text.back() != '.') text += '.';
    return text;
}

}  // namespace

std::uint16_t PositionAfterReload(const MemoList& before, const MemoList& after) {
    const SYSTEMTIME& shown = before.Current()->created;
    std::size_t earlierTwins = 0;
    for (const MemoEntry* memo = before.First(); memo != before.Current(); memo = before.NextOf(memo)) {
        if (SameMoment(memo->created, shown)) ++earlierTwins;
    }
    std::uint16_t position = 1;
    for (const MemoEntry* memo = after.First(); memo != nullptr; memo = after.NextOf(memo), ++position) {
        if (!SameMoment(memo->created, shown)) continue;
        if (earlierTwins == 0) return position;
        --earlierTwins;
    }
    return std::min(before.CurrentIndex(), after.Count());
}

Viewer::Viewer(platform::HostWindow& window, ViewerShell& shell, const std::string& path)
    : Viewer(window, shell, BackgroundLoad(path)) {}

Viewer::Viewer(platform::HostWindow& window, ViewerShell& shell, BackgroundLoad&& load)
    : window_(window), shell_(shell), canvas_(ViewerCanvasSetup(window)), path_(load.Path()) {
    canvas_.LoadFile(load);
    seen_ = IdentityNow(path_);
}

int Viewer::Open(const std::string& path) { return Read(path, IdentityNow(path), false); }

int Viewer::FollowFile() {
    if (path_.empty()) return 0;
    const std::optional<platform::FileIdentity> identity = IdentityNow(path_);
    if (identity == seen_) return 0;
    seen_ = identity;
    if (!identity) return 0;
    return Read(path_, identity, true);
}

// The file is read into a list of its own, so that one that does not read
// whole leaves what is shown as it was. Its identity is taken before the
// reading: a change made meanwhile is then read again at the next follow.
int Viewer::Read(const std::string& path, std::optional<platform::FileIdentity> identity, bool sameMemo) {
    MemoList memos;
    MemoFile file(platform::LocalFileSystem());
    const LoadOutcome outcome = file.Load(memos, path).outcome;
    if (outcome != LoadOutcome::ReadWhole && outcome != LoadOutcome::NotAsWritten) {
        window_.ShowMessage(AsSentence(file.UnreadReason(path).value_or(file.LastError())) +
                                "\n\nTavrinView still shows the memos it showed before.",
                            "Error", platform::MessageIcon::Error);
        return 0;
    }
    MemoList& shown = canvas_.List();
    const std::uint16_t position = sameMemo ? PositionAfterReload(shown, memos) : memos.CurrentIndex();
    shown.Swap(memos);
    shown.Rewind();
    while (shown.CurrentIndex() < position) shown.Next();
    path_ = path;
    seen_ = identity;
    note_ = sameMemo ? std::string(kReloadedNote) : std::string();
    canvas_.ShowCurrent();
    shell_.RepaintNow();
    return 1;
}

void Viewer::ClearNote() {
    if (note_.empty()) return;
    note_.clear();
    shell_.RepaintNow();
}

bool Viewer::RunCommand(int command) {
    switch (command) {
        case IDM_ABOUT: shell_.ShowAbout(); return true;
        case IDM_EXIT: shell_.Close(); return true;
        case IDM_PREVIOUS: Move(false); return true;
        case IDM_NEXT: Move(true); return true;
        case IDM_OVERVIEW:
            if (canvas_.ShowMemo(shell_.ChooseMemo())) shell_.RepaintNow();
            return true;
        default: return false;
    }
}

bool Viewer::PressKey(int virtualKey) {
    const int index = virtualKey - kFirstTableKey;
    if (index < 0 || index >= static_cast<int>(kKeyTable.size())) return false;
    const KeyRule& rule = kKeyTable[static_cast<std::size_t>(index)];
    switch (rule.action) {
        case KeyAction::None: break;
        case KeyAction::Previous: Move(false); break;
        case KeyAction::Next: Move(true); break;
        case KeyAction::Quit: shell_.Quit(); break;
    }
    return !rule.passedOn;
}

void Viewer::Paint(platform::DrawingContext& context, const Rect& update, Color background) {
    const Rect client = window_.ClientRect();
    // The strip is cleared first, so that a wider text of the memo shown
    // before leaves no trace.
    if (const auto brush = platform::CreateSolidBrush(background)) {
        context.FillRect({client.left, client.top, client.right, client.top + kStripHeight}, *brush);
    }
    if (note_.empty()) {
        canvas_.DrawCreatedText(&context);
    } else {
        const Size size = context.MeasureText(note_);
        context.DrawText(note_, {client.left, client.top, client.left + size.cx, client.top + size.cy});
    }
    canvas_.DrawCounterText(&context);
    // The default pen and brush: a one-pixel black frame filled with white.
    context.Rectangle({client.left, client.top + kStripHeight, client.right, client.bottom});
    // Only the update rectangle is copied: taken from the surface at the
    // same coordinates and placed one pixel right and 18 down.
    context.CopyFrom({update.left + kPageLeft, update.top + kPageTop, update.right + kPageLeft,
                      update.bottom + kPageTop},
                     canvas_.Context(), update.left, update.top);
}

void Viewer::Move(bool forward) {
    const int moved = forward ? canvas_.NextPage() : canvas_.PreviousPage();
    // The new page and texts are painted before the next input is taken; no
    // move, no repaint.
    if (moved) shell_.RepaintNow();
}

}  // namespace tavrin::viewer
