#!/bin/bash
# The install folder a user starts from gets the programs and what the build
# ships, never the settings, logs, history, preferences or refreshed pages
# that an earlier run wrote into the build's install folder; a second copy
# into the same folder brings the new programs and keeps the user's files.
#   CopyInstallTest.sh SOURCE_ROOT
set -uo pipefail
root="$1"
copy="$root/scripts/copy-install.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
expect_file() { [ -e "$2/$1" ] || fail "$1 was not copied"; }
expect_none() { [ ! -e "$2/$1" ] || fail "$1 was copied, though a run wrote it"; }
expect_same() { cmp -s "$2" "$3" || fail "$1 differs from $2"; }

from="$work/build/install"
to="$work/mine"
mkdir -p "$from/tiraleaf-images" "$from/content/js" "$from/upgrades" "$work/build/portal"

# What the build installs.
echo "program" >"$work/build/portal/Lanternbay"
ln -s "$work/build/portal/Lanternbay" "$from/Lanternbay"  # as an older build installed it
echo "navigator" >"$from/Navigator"
ln -s "$work/build/portal/gone" "$from/BRTWRL"  # a program this build did not make
echo "control v1" >"$from/Tiraleaf.so"
echo "picture" >"$from/tiraleaf-images/search-0.png"
cp -R "$root/resources/content/." "$from/content/"

# What a run wrote beside it.
echo "UUID=previous-user" >"$from/Roamledger.settings"
echo "User0AmericanPassword=1234ABCD" >>"$from/Roamledger.settings"
echo "previous run" >"$from/Roamledger.settings.pre-upgrade"
echo "previous log" >"$from/Lanternbay.log"
echo "previous log" >"$from/Roamledger.log"
echo "previous history" >"$from/Roamledger.history"
echo "<html>previous balances</html>" >"$from/Roamledger-Balances.html"
printf "var GUID='PREVIOUSUSER'\r\n" >"$from/content/js/core-pref.js"
printf -- "-\r\n" >"$from/content/js/core-pref.ini"
echo "Existance of this file prevents Lanternbay from launching on startup" >"$from/Lanternbay.startupoverride"
echo "previous user's weather" >"$from/content/weatherbug-inner.html"
echo "download" >"$from/upgrades/update.zip"

bash "$copy" "$from" "$to" || fail "the copy failed"

# The programs and the control, as files: the folder works without the build.
[ ! -L "$to/Lanternbay" ] && grep -qx program "$to/Lanternbay" || fail "Lanternbay is not a copy of the build's program"
[ ! -L "$to/Navigator" ] && grep -qx navigator "$to/Navigator" || fail "Navigator is not a copy of the build's program"
[ ! -e "$to/BRTWRL" ] && [ ! -L "$to/BRTWRL" ] || fail "a link to a program that was not built was copied"
expect_same Tiraleaf.so "$to/Tiraleaf.so" "$from/Tiraleaf.so"
expect_file tiraleaf-images/search-0.png "$to"

# The shipped pages, pictures and tables, as the sources hold them.
diff -r "$root/resources/content" "$to/content" >/dev/null || fail "content/ is not the shipped content folder"
diff -r "$root/resources/brtw" "$to/brtw" >/dev/null || fail "brtw/ is not the shipped pages"
expect_file usercolors/"$(basename "$(ls "$root"/resources/usercolors/*.bmp | head -1)")" "$to"
for file in Lanternbay.ico Lanternbay.versions Roamledger.ico Roamledger.versions images/internal/tray-small-xp.bmp; do
  expect_file "$file" "$to"
done
expect_none make-pictures.py "$to"

# Nothing a run wrote.
for file in Roamledger.settings Roamledger.settings.pre-upgrade Lanternbay.log Roamledger.log Roamledger.history \
  Roamledger-Balances.html content/js/core-pref.js content/js/core-pref.ini Lanternbay.startupoverride upgrades; do
  expect_none "$file" "$to"
done
grep -rq "previous" "$to" && fail "a file of the previous run reached the new folder: $(grep -rl previous "$to")"

# A second copy after a rebuild and a run in the new folder: the new control
# comes, the user's own preferences and refreshed pages stay.
echo "control v2" >"$from/Tiraleaf.so"
printf "var GUID='MINE'\r\n" >"$to/content/js/core-pref.js"
echo "my weather" >"$to/content/weatherbug-inner.html"
bash "$copy" "$from" "$to" || fail "the second copy failed"
expect_same Tiraleaf.so "$to/Tiraleaf.so" "$from/Tiraleaf.so"
grep -q MINE "$to/content/js/core-pref.js" || fail "the user's preferences were replaced"
grep -q "my weather" "$to/content/weatherbug-inner.html" || fail "the user's refreshed page was replaced"

bash "$copy" "$from" >/dev/null 2>&1 && fail "a missing argument was accepted"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "copy-install: all checks passed"
