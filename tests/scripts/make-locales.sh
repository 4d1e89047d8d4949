#!/bin/bash
# Builds the locales the tests run under into a folder of their own, which
# tests name in LOCPATH: no root and no locale of the machine is needed.
set -euo pipefail
dir="$1"
mkdir -p "$dir"
for name in de_DE fr_FR tr_TR; do
  [ -f "$dir/$name.UTF-8/LC_CTYPE" ] && continue
  work=$(mktemp -d "$dir/.$name.XXXXXX")
  # localedef exits 1 on mere warnings; what it wrote decides.
  localedef -i "$name" -f UTF-8 "$work/out" >"$work/log" 2>&1 || true
  if [ ! -f "$work/out/LC_CTYPE" ]; then
    cat "$work/log" >&2
    rm -rf "$work"
    echo "cannot build the locale $name.UTF-8" >&2
    exit 1
  fi
  # A run beside this one may have put it there first.
  mv -T "$work/out" "$dir/$name.UTF-8" 2>/dev/null || true
  rm -rf "$work"
done
