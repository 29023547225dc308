# Drives TavrinView.exe under Wine as a user would: it is started on memo
# files, its title is read, keys and menu mnemonics are typed with xdotool,
# and screenshots show which page it shows. Page pixels are checked against
# the pages tavrin-file exports, and the Linux viewer on the same file and
# display must show the very same pixels.
#
# Sourced by scripts/wine-tests.sh after scripts/wine-drive.sh.

subject=TavrinView.exe
viewer_exe=$out/src/viewer/win32/TavrinView.exe
files=$out/viewer-files
shots=$out/viewer-screens
rm -rf "$files" "$shots"
mkdir -p "$files" "$shots"

"$tool" demo "$files/demo.dat" >/dev/null
"$tool" export "$files/demo.dat" "$files/pages" >/dev/null
cp "$files/demo.dat" "$files/demo copy.dat"
cp "$files/demo.dat" "$files/corrupted.dat"
printf 'Tavrin05' | dd of="$files/corrupted.dat" conv=notrunc status=none
# The demo's alarm memo shows 8:00 on 7 March 2024, in Wine's United States
# English and in Qt's en_US alike (Qt writes the year in two digits).
alarm_title='^\[8:00 AM, 3/7/(20)?24\] TavrinView$'

start_viewer() {  # start_viewer ARGS...: starts TavrinView.exe in the background
  (cd "$files" && exec wine "$viewer_exe" "$@") >"$out/viewer.log" 2>&1 &
  viewer_pid=$!
}

viewer_window() { wait_for_window 'TavrinView$'; }

page() { echo "$files/pages/memo-000$1.png"; }

echo "== TavrinView.exe driven under Wine"
viewer_started=$SECONDS
size_before=$(stat -c %s "$files/demo.dat")
time_before=$(stat -c %Y "$files/demo.dat")

# The demo file opens at its stored memo, 3 of 4, whose alarm is in the title.
start_viewer 'Z:'"$(echo "$files/demo.dat" | tr / '\\')"
window=$(viewer_window) || { echo "FAILED: TavrinView.exe showed no window" >&2; cat "$out/viewer.log" >&2; }
check "title shows the alarm of the memo shown at start" title_is "$window" "$alarm_title"
check "memo 3 at start, inside its frame" shows_page "$window" "$(page 3)" start

# Paging keys and the menu bar's Prev and Next (by their mnemonics), at both ends.
steps=(
  "Right 4 next-right" "Right 4 last-stays" "Left 3 previous-left" "Up 2 previous-up"
  "Prior 1 previous-pageup" "Prior 1 first-stays" "Home 1 home-nothing" "End 1 end-nothing"
  "Down 2 next-down" "Next 3 next-pagedown" "alt+n 4 menu-next" "alt+p 3 menu-prev"
)
for step in "${steps[@]}"; do
  read -r key memo name <<<"$step"
  type_keys "$window" "$key"
  check "$name shows memo $memo" shows_page "$window" "$(page "$memo")" "$name"
done
type_keys "$window" Right
check "title of a memo without alarm is the name alone" title_is "$window" '^TavrinView$'
type_keys "$window" Left
check "title shows the alarm again on memo 3" title_is "$window" "$alarm_title"

# The About box, by both accelerators; closed by OK (Return) and by Escape.
for opener in "alt+question Return" "alt+slash Escape"; do
  read -r open close <<<"$opener"
  type_keys "$window" "$open"
  about=$(wait_for_window '^About$') || about=
  check "$open opens the About box" test -n "$about"
  [ -n "$about" ] && import -window "$about" "$shots/about-$open.png"
  [ -n "$about" ] && type_keys "$about" "$close"
  check "$close closes the About box" wait_gone '^About$'
done

# Escape ends the program with exit code 0, and the file is as it was.
type_keys "$window" Escape
status=0
wait "$viewer_pid" || status=$?
check "Escape ends with exit code 0" test "$status" -eq 0
check "the file keeps its size and time" test "$(stat -c %s.%Y "$files/demo.dat")" = "$size_before.$time_before"

# A wrong magic: the warning comes before the window, then one blank memo.
start_viewer 'Z:'"$(echo "$files/corrupted.dat" | tr / '\\')"
warning=$(wait_for_window '^Warning$') || warning=
check "the corrupted-file warning comes up" test -n "$warning"
check "the warning comes before the main window" test -z "$(window_named 'TavrinView$')"
[ -n "$warning" ] && import -window "$warning" "$shots/warning.png" && type_keys "$warning" Return
window=$(viewer_window) || window=
check "after the warning: title TavrinView" title_is "$window" '^TavrinView$'
check "after the warning: a blank page" shows_page "$window" white corrupted
type_keys "$window" Escape
wait "$viewer_pid" || true

# A path with a space: Wine quotes it, and the quotation marks are part of
# the name, so nothing opens: the blank memo, without a message.
start_viewer 'Z:'"$(echo "$files/demo copy.dat" | tr / '\\')"
window=$(viewer_window) || window=
check "a quoted path shows no message" test -z "$(window_named '^Warning$')"
check "a quoted path shows a blank page" shows_page "$window" white quoted
check "a quoted path: title TavrinView" title_is "$window" '^TavrinView$'
type_keys "$window" Escape
wait "$viewer_pid" || true

# The Linux viewer on the same file and display shows the same page pixels.
LC_ALL=en_US.UTF-8 "$linux_viewer" "$files/demo.dat" >"$out/tavrinview.log" 2>&1 &
linux_pid=$!
window=$(viewer_window) || window=
check "the Linux viewer shows the same memo 3 pixels" shows_page "$window" "$(page 3)" linux-start
check "the Linux viewer shows the same alarm title" title_is "$window" "$alarm_title"
kill "$linux_pid" 2>/dev/null || true
wait "$linux_pid" 2>/dev/null || true
echo "== TavrinView.exe checks took $((SECONDS - viewer_started))s; screenshots in $shots"
