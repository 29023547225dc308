# Installs Tavrin with its Windows installer under Wine, silently (/S), as a
# user without administrator rights would: checks the files, the Start-menu
# shortcuts and the registry keys, starts the installed Tavrin.exe once (it
# keeps its memos in %LOCALAPPDATA%\Tavrin), and uninstalls it.
#
# Sourced by scripts/wine-tests.sh after scripts/wine-drive.sh.

subject=installer
shots=$out/installer-screens
rm -rf "$shots"
mkdir -p "$shots"
installer_log=$out/installer.log
: >"$installer_log"
setup=$(ls "$out"/Tavrin-*-setup.exe)
version=$(basename "$setup" -setup.exe)
version=${version#Tavrin-}

windows_folder() {  # windows_folder VARIABLE: a folder of the Wine user, as a Linux path
  winepath -u "$(wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r')" 2>/dev/null
}
registry_has() {  # registry_has KEY VALUE-NAME|"" TEXT: the value's line holds TEXT
  local name=(/ve)
  [ -n "$2" ] && name=(/v "$2")
  wine reg query "$1" "${name[@]}" 2>/dev/null | tr -d '\r' | grep -qF -- "$3"
}
no_registry_key() { ! wine reg query "$1" >/dev/null 2>&1; }
gone_within() {  # gone_within PATH: waits up to 20 s for PATH to go
  for _ in $(seq 200); do
    [ -e "$1" ] || return 0
    sleep 0.1
  done
  return 1
}

echo "== Tavrin installed under Wine by $(basename "$setup")"
installer_started=$SECONDS
local_data=$(windows_folder LOCALAPPDATA)
start_menu=$(windows_folder APPDATA)/Microsoft/Windows/Start\ Menu/Programs/Tavrin
programs=$local_data/Programs/Tavrin
memos=$local_data/Tavrin/Tavrin.dat
rm -rf "$programs" "$local_data/Tavrin"

check "the installer runs silently and ends with 0" wine "$setup" /S
for file in Tavrin.exe TavrinView.exe Alarm2.wav Uninstall.exe Tavrin.installed; do
  check "$file is installed" test -f "$programs/$file"
done
for shortcut in Tavrin TavrinView "Uninstall Tavrin"; do
  check "the Start menu has $shortcut" test -f "$start_menu/$shortcut.lnk"
done
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavrin'
check "Apps lists Tavrin $version" registry_has "$uninstall_key" DisplayVersion "$version"
check "Apps can uninstall it" registry_has "$uninstall_key" UninstallString 'Uninstall.exe"'
check "memo files open with TavrinView" \
  registry_has 'HKCU\Software\Classes\Tavrin.Memos\shell\open\command' "" 'TavrinView.exe" %1'
check "TavrinView is offered for .dat files" \
  registry_has 'HKCU\Software\Classes\.dat\OpenWithProgids' Tavrin.Memos ""

# The installed Tavrin.exe writes its memos at exit, into the user's local
# application data and not beside itself.
(cd "$programs" && exec wine Tavrin.exe) >>"$installer_log" 2>&1 &
installed_pid=$!
window=$(wait_for_window '(^|\] )Tavrin$') || window=
check "the installed Tavrin.exe shows its window" test -n "$window"
[ -n "$window" ] && import -window "$window" "$shots/installed-tavrin.png"
[ -n "$window" ] && type_keys "$window" ctrl+q
check "it ends with 0" wait "$installed_pid"
check "it keeps its memos in %LOCALAPPDATA%\\Tavrin" "$tool" check "$memos"
check "and none beside itself" test ! -e "$programs/Tavrin.dat"

# The uninstaller runs from a copy of itself, which ends after the original.
check "the uninstaller runs silently" wine "$programs/Uninstall.exe" /S
check "the programs are gone" gone_within "$programs"
check "the shortcuts are gone" gone_within "$start_menu"
check "Apps no longer lists Tavrin" no_registry_key "$uninstall_key"
check "the memo file type is gone" no_registry_key 'HKCU\Software\Classes\Tavrin.Memos'
check "the memos stay" test -f "$memos"
echo "== the installer's checks took $((SECONDS - installer_started))s"
