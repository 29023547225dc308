# Helpers for scripts that drive programs on an X display as a user would:
# counted checks, finding windows, typing keys, reading titles and finding
# pages in screenshots.
#
# Sourced, with pass/fail counters (`passed`, `failed`, `failed_programs`) in
# place; the caller names its `subject` (for the failure list), its `shots`
# folder and `find_page` (the page_in_screenshot tool).

check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    failed_programs+=("$subject: $what")
    echo "FAILED: $subject: $what" >&2
  fi
}

window_named() {  # window_named REGEX: the id of the first window whose name matches
  xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1
}

wait_for_window() {  # wait_for_window REGEX: waits up to 20 s
  local id
  for _ in $(seq 200); do
    id=$(window_named "$1")
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

wait_gone() {  # wait_gone REGEX
  for _ in $(seq 100); do
    [ -z "$(window_named "$1")" ] && return 0
    sleep 0.1
  done
  return 1
}

type_keys() {  # type_keys WINDOW KEY...: typed at the window, one after the other
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  shift
  for key in "$@"; do
    xdotool key "$key"
    sleep 0.3
  done
}

# shows_page WINDOW PAGE.png|white NAME [--notepad]: the window shows the page
shows_page() {
  # Without a window, import would wait for a click on the screen forever.
  [ -n "$1" ] || { echo "no window to look at" >&2; return 1; }
  timeout 60 import -window "$1" "$shots/$3.png" && "$find_page" "$shots/$3.png" "$2" ${4:-} >/dev/null
}

title_is() {  # title_is WINDOW REGEX
  local title
  title=$(xdotool getwindowname "$1")
  [[ $title =~ $2 ]] || { echo "title: $title" >&2; return 1; }
}
