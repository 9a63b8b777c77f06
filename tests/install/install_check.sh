#!/usr/bin/env bash
# `cmake --install` into an empty prefix puts every piece in place, and the
# installed tree works from where it lies (nothing points back at the build).
#   install_check.sh BUILD_DIR GUI(ON|OFF) APP_ID
set -euo pipefail
build=$1 gui=$2 id=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix" "$prefix.moved"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
expected=(
  bin/mosaicer
  share/man/man1/mosaicer.1
  share/bash-completion/completions/mosaicer
  share/mosaicer/examples/sunset.bmp
  share/mosaicer/examples/frere-jacques.wav
  share/mosaicer/examples/spiral.tlo
  share/mosaicer/Tlo/spiral.tlo
  share/doc/mosaicer/copyright
)
if [ "$gui" = ON ]; then
  expected+=(
    bin/mosaicer-gui
    share/man/man1/mosaicer-gui.1
    "share/applications/$id.desktop"
    "share/metainfo/$id.metainfo.xml"
    "share/icons/hicolor/scalable/apps/$id.svg"
  )
fi
for file in "${expected[@]}"; do
  [ -s "$prefix/$file" ] || fail "$file is missing"
done
[ -x "$prefix/bin/mosaicer" ] || fail "bin/mosaicer is not executable"

# Moved elsewhere, the installed command line makes and checks a CD+G file
# from the installed samples, and the completion script loads.
mv "$prefix" "$prefix.moved"
root=$prefix.moved
ex=$root/share/mosaicer/examples
"$root/bin/mosaicer" create "$ex/sunset.bmp" "$ex/frere-jacques.wav" -o "$root/song.cdg" -q ||
  fail "installed create"
"$root/bin/mosaicer" check "$root/song.cdg" | grep -qx "unrepairable: 0" || fail "installed check"
bash -c "source '$root/share/bash-completion/completions/mosaicer' && complete -p mosaicer" \
  >/dev/null || fail "the completion script does not load"
echo "installation complete: ${#expected[@]} files"
