# Drives Tavrin.exe under Wine as a user would: a copy of the program in a
# scratch folder with a memo data file beside it, clicks on its toolbar and
# in the drop-down menus, strokes with the mouse, keys, and second starts.
# What the window shows is checked against what the saved file holds
# (tavrin-file export), and the saved file against both viewers.
#
# Sourced by scripts/wine-tests.sh after scripts/wine-drive.sh.

subject=Tavrin.exe
pad=$out/notepad-files
shots=$out/notepad-screens
rm -rf "$pad" "$shots"
mkdir -p "$pad" "$shots"
cp "$out/src/handheld/win32/Tavrin.exe" "$pad/"
data=$pad/Tavrin.dat
"$tool" demo "$data" >/dev/null
"$tool" export "$data" "$pad/demo" >/dev/null
log=$out/notepad.log
: >"$log"

# Places on the toolbar, in the window's client area (240 × 320 page, the
# 26-pixel bar below it), and the order of the items in its menus.
bar_y=333
declare -A button=([tools]=33 [new]=72 [save]=88 [delete]=109 [previous]=129 [next]=149
                   [alarm]=166 [pen]=199 [color]=228)
# Menu items by their place among the selectable items, from 1.
declare -A item=([insert]="tools 1" [about]="tools 4" [exit]="tools 5"
                 [2-minutes]="alarm 1" [set-time]="alarm 14"
                 [width-1]="pen 1" [width-3]="pen 3" [width-5]="pen 5" [eraser]="pen 6"
                 [red]="color 1" [blue]="color 3" [black]="color 9")

start_notepad() {  # start_notepad ARGS...: starts Tavrin.exe in the background
  (cd "$pad" && exec wine Tavrin.exe "$@") >>"$log" 2>&1 &
  notepad_pid=$!
}
notepad_window() { wait_for_window '(^|\] )Tavrin$'; }

# The client area's place in the window, found from the page shown at start.
client_x=3
client_y=22
click() {  # click X Y: in the client area
  xdotool mousemove --window "$window" $((client_x + $1)) $((client_y + $2)) click 1
  sleep 0.5
}
press() { click "${button[$1]}" "$bar_y"; }
choose() {  # choose ITEM: opens its drop-down menu and picks it by keys
  read -r menu place <<<"${item[$1]}"
  press "$menu"
  for _ in $(seq "$place"); do xdotool key Down; done
  xdotool key Return
  sleep 0.5
}
stroke() {  # stroke X0 Y0 X1 Y1: the mouse dragged in ten steps
  xdotool mousemove --window "$window" $((client_x + $1)) $((client_y + $2)) mousedown 1
  for step in $(seq 10); do
    xdotool mousemove --window "$window" $((client_x + $1 + ($3 - $1) * step / 10)) \
      $((client_y + $2 + ($4 - $2) * step / 10))
    sleep 0.05
  done
  xdotool mouseup 1
  sleep 0.3
}
answer() {  # answer TITLE KEY: the dialog comes up, takes the key and goes
  local dialog
  dialog=$(wait_for_window "^$1\$") || { echo "no window $1" >&2; return 1; }
  import -window "$dialog" "$shots/dialog-$1-$2.png"
  type_keys "$dialog" "$2"
  wait_gone "^$1\$"
}
saved() {  # saved NAME: exports the data file into NAME
  rm -rf "${pad:?}/$1" && "$tool" export "$data" "$pad/$1" >/dev/null
}
memo_count() { ls "$pad/$1" | wc -l; }
window_shows_saved() {  # window_shows_saved NAME MEMO: the window shows memo MEMO of export NAME
  shows_page "$window" "$pad/$1/memo-000$2.png" "$1-$2" --notepad
}
has_colours() {  # has_colours PNG #RRGGBB...
  local colours
  colours=$(convert "$1" -unique-colors txt:)
  shift
  for colour in "$@"; do grep -q "$colour" <<<"$colours" || return 1; done
}
differs() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" != 0 ]; }
same() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }
ends_with_zero() {  # ends_with_zero PID
  local status=0
  wait "$1" || status=$?
  [ "$status" -eq 0 ]
}
modified_since() { [ "$(stat -c %Y "$data")" -gt "$1" ]; }

echo "== Tavrin.exe driven under Wine"
notepad_started=$SECONDS

# The demo file opens at its stored memo, 3 of 4, whose alarm is in the title.
start_notepad
first_pid=$notepad_pid
window=$(notepad_window) || { echo "FAILED: Tavrin.exe showed no window" >&2; cat "$log" >&2; }
check "title shows the alarm of the memo shown at start" title_is "$window" '^\[8:00 AM, 3/7/2024\] Tavrin$'
check "memo 3 at start" shows_page "$window" "$pad/demo/memo-0003.png" start --notepad
origin=$("$find_page" "$shots/start.png" "$pad/demo/memo-0003.png" --notepad) && IFS=, read -r client_x client_y <<<"$origin"

# Strokes at several widths and colours, chosen in the drop-down menus; the
# eraser takes some away. Save writes them; the window and the file agree.
choose width-5; stroke 30 60 190 140
choose red; choose width-1; stroke 30 120 200 80
choose blue; choose width-3; stroke 20 200 220 230
choose eraser; stroke 120 90 125 200
choose black
press save
saved drawn
check "the strokes are saved" differs "$pad/drawn/memo-0003.png" "$pad/demo/memo-0003.png"
check "the window shows the saved page" window_shows_saved drawn 3
check "red and blue ink in the file" has_colours "$pad/drawn/memo-0003.png" '#FF0000' '#0000FF'

# A stroke reaches the file by itself once the pen rests; Ctrl+Z takes it
# back, and Save writes the memo as it was.
stroke 40 250 200 260
sleep 4
saved rested
check "a stroke is saved while the pen rests" differs "$pad/rested/memo-0003.png" "$pad/drawn/memo-0003.png"
type_keys "$window" ctrl+z
press save
saved undone
check "Ctrl+Z takes the stroke back" same "$pad/undone/memo-0003.png" "$pad/drawn/memo-0003.png"

# Paging by keys and by the toolbar; at the last memo Right changes nothing.
type_keys "$window" Left
check "Left shows memo 2" window_shows_saved demo 2
type_keys "$window" Right
check "Right shows memo 3 again" window_shows_saved drawn 3
press previous
check "the previous-page button shows memo 2" window_shows_saved demo 2
press next; press next
check "the next-page button shows memo 4" window_shows_saved demo 4
type_keys "$window" Right
check "Right on the last memo stays there" window_shows_saved demo 4

# New page at the end, Insert new before the current one, delete with No and Yes.
press new
check "a new page is blank" shows_page "$window" white new-page --notepad
choose insert
press save
saved pages
check "new page and Insert new: six memos" test "$(memo_count pages)" -eq 6
press delete
check "No keeps the memo" answer Delete n
press delete
check "Yes deletes the memo" answer Delete y
press save
saved deleted
check "one memo fewer after Yes" test "$(memo_count deleted)" -eq 5

# Alarms go to Wine's Task Scheduler: the title shows the memo's alarm, the
# notification is a task in the user's folder (named by the user's SID) in
# the "Tavrin" folder and the program's start one more beside it; OK in Set
# time replaces the memo's notification.
tasks=$WINEPREFIX/drive_c/windows/system32/tasks/Tavrin
notifications() { find "$tasks" -mindepth 2 -maxdepth 2 -path '*/S-1-*/Notification *' 2>/dev/null | wc -l; }
earlier=$(notifications)  # left by an earlier run in this prefix
choose 2-minutes
check "a quick alarm shows its time in the title" title_is "$window" '^\[[^]]+\] Tavrin$'
check "the quick alarm is a notification task" test "$(notifications)" -eq $((earlier + 1))
check "the program's start is a task beside it" test -n "$(find "$tasks" -mindepth 2 -maxdepth 2 -path '*/S-1-*/Start *')"
choose set-time
check "Set time opens its dialog and Cancel closes it" answer 'Set notification time' Escape
choose set-time
dialog=$(wait_for_window '^Set notification time$') && import -window "$dialog" "$shots/set-time.png"
type_keys "$dialog" Return
sleep 1
check "OK in Set time replaces the memo's notification" test "$(notifications)" -eq $((earlier + 1))
check "the title still shows the alarm" title_is "$window" '^\[[^]]+\] Tavrin$'

# The About box by Ctrl+A and by the Tools menu.
type_keys "$window" ctrl+a
check "Ctrl+A opens the About box" answer 'About Tavrin' Return
choose about
check "Tools About opens it too" answer 'About Tavrin' Escape

# A second start: with Tavrin in front it makes a new page; behind its own
# About box only brings it to the front. Either start ends with 0.
xdotool windowfocus --sync "$window"
start_notepad
check "a second start ends with 0" ends_with_zero "$notepad_pid"
sleep 1
check "a second start with Tavrin in front makes a new page" shows_page "$window" white second-start --notepad
type_keys "$window" ctrl+a
about=$(wait_for_window '^About Tavrin$')
start_notepad
check "a second start behind the About box ends with 0" ends_with_zero "$notepad_pid"
type_keys "$about" Return
press save
saved second
check "only the start in front made a page" test "$(memo_count second)" -eq 6

# Back to the drawn memo; Ctrl+Q ends with 0 and writes the file even unchanged.
type_keys "$window" Left Left Left
check "Left three times shows the drawn memo" window_shows_saved drawn 3
press save
touch -d '2 minutes ago' "$data"
written_before=$(stat -c %Y "$data")
type_keys "$window" ctrl+q
check "Ctrl+Q ends with 0" ends_with_zero "$first_pid"
check "exit writes the unchanged file" modified_since "$written_before"
check "the file is clean" "$tool" check "$data"

# The same file in both viewers and the Linux notepad: the page Tavrin drew, pixel for pixel.
saved final
final_page=$pad/final/memo-0003.png
start_viewer_on() { (cd "$pad" && exec wine "$out/src/viewer/win32/TavrinView.exe" "$1") >>"$log" 2>&1 & }
start_viewer_on 'Z:'"$(echo "$data" | tr / '\\')"
viewer=$(wait_for_window 'TavrinView$') || viewer=
check "TavrinView.exe shows the page Tavrin saved" shows_page "$viewer" "$final_page" viewer-final
[ -n "$viewer" ] && type_keys "$viewer" Escape
wait_gone 'TavrinView$' || true
LC_ALL=en_US.UTF-8 "$linux_viewer" "$data" >>"$log" 2>&1 &
linux_pid=$!
viewer=$(wait_for_window 'TavrinView$') || viewer=
check "the Linux viewer shows the page Tavrin saved" shows_page "$viewer" "$final_page" linux-final
kill "$linux_pid" 2>/dev/null || true
wait "$linux_pid" 2>/dev/null || true
# And in the Linux notepad, on the same file (its own runtime folder for the
# single-instance lock; no session bus, so no alarm reaches the machine).
mkdir -p -m 700 "$pad/run"
XDG_RUNTIME_DIR=$pad/run DBUS_SESSION_BUS_ADDRESS=unix:path=$pad/no-bus TAVRIN_DATA_FILE=$data \
  LC_ALL=en_US.UTF-8 "$linux_notepad" >>"$log" 2>&1 &
linux_pid=$!
linux_window=$(wait_for_window '(^|\] )Tavrin$') || linux_window=
check "the Linux notepad shows the page Tavrin saved" shows_page "$linux_window" "$final_page" linux-notepad-final --notepad
kill "$linux_pid" 2>/dev/null || true
check "the Linux notepad ends with 0 when the session stops it" ends_with_zero "$linux_pid"
check "the file the Linux notepad wrote at its end is clean" "$tool" check "$data"

# The service's start: the memo whose alarm is now comes on screen, at a
# fresh start and when handed over to a running Tavrin.
alarm_now() {  # gives memo 1 an alarm at this second, pending (handle 7)
  python3 - "$data" <<'PY'
import struct, sys, time
t = time.localtime()
record = struct.pack("<8HI", t.tm_year, t.tm_mon, (t.tm_wday + 1) % 7, t.tm_mday,
                     t.tm_hour, t.tm_min, t.tm_sec, 0, 7)
with open(sys.argv[1], "r+b") as f:
    f.seek(8 + 4 + 16)  # magic, count and position, the first memo's creation time
    f.write(record)
PY
}
"$tool" demo "$data" >/dev/null
alarm_now
start_notepad AppRunAtTime
window=$(notepad_window) || window=
check "AppRunAtTime shows the memo whose alarm is due" window_shows_saved demo 1
check "its title is the name alone" title_is "$window" '^Tavrin$'
type_keys "$window" ctrl+q
wait_gone '(^|\] )Tavrin$' || true
check "the due alarm is dropped in the file" bash -c "'$tool' info '$data' | sed -n '/^memo 0/,/^memo 1/p' | grep -q 'alarmHandle  0'"

"$tool" demo "$data" >/dev/null
alarm_now
start_notepad
window=$(notepad_window) || window=
start_notepad AppRunAtTime
check "AppRunAtTime handed over ends with 0" ends_with_zero "$notepad_pid"
sleep 1
check "the running Tavrin shows the due memo" window_shows_saved demo 1
type_keys "$window" ctrl+q
wait_gone '(^|\] )Tavrin$' || true

# A notification's "Open" and "Snooze 10 minutes" start Tavrin.exe with
# --open KEY and --snooze KEY, which hand the memo's key over to the running
# Tavrin: the memo comes on screen; its alarm is registered again.
memo_key() {  # memo_key POSITION: the key its notification holds, the memo's creation and alarm times
  "$tool" info "$data" --json | python3 -c '
import json, sys
memo = json.load(sys.stdin)["memos"][int(sys.argv[1])]
print(memo["created"] + "/" + memo["alarmTime"][:19])' "$1"
}
"$tool" demo "$data" >/dev/null
start_notepad
window=$(notepad_window) || window=
start_notepad --open "$(memo_key 0)"
check "--open handed over ends with 0" ends_with_zero "$notepad_pid"
sleep 1
check "the running Tavrin shows the notification's memo" window_shows_saved demo 1
start_notepad --snooze "$(memo_key 2)"
check "--snooze handed over ends with 0" ends_with_zero "$notepad_pid"
sleep 1
type_keys "$window" ctrl+q
wait_gone '(^|\] )Tavrin$' || true
check "the snoozed alarm is saved, pending, this year" bash -c "'$tool' info '$data' --json | python3 -c '
import json, sys, time
memo = json.load(sys.stdin)[\"memos\"][2]
sys.exit(not (memo[\"alarmHandle\"] and memo[\"alarmTime\"].startswith(str(time.localtime().tm_year))))'"

# Two starts at the same moment on one data file: one window; the other start
# hands over and ends with 0.
start_notepad
one_pid=$notepad_pid
start_notepad
other_pid=$notepad_pid
window=$(notepad_window) || window=
sleep 2
check "two starts at once make one window" \
  test "$(xdotool search --onlyvisible --name '(^|\] )Tavrin$' 2>/dev/null | wc -l)" -eq 1
if ! kill -0 "$one_pid" 2>/dev/null; then ended_pid=$one_pid; else ended_pid=$other_pid; fi
check "the start that found the other ends with 0" ends_with_zero "$ended_pid"
type_keys "$window" ctrl+q
wait_gone '(^|\] )Tavrin$' || true
echo "== Tavrin.exe checks took $((SECONDS - notepad_started))s; screenshots in $shots"
