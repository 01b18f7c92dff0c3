#!/usr/bin/env bash
# cmake --install into a scratch prefix: the programs run through their links, the desktop entry
# is valid, and the MIME database built from our type recognises test files by their name and,
# without a known extension, by their first line.
set -euo pipefail
build=$1 src=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/kvxtool lib/kvx-edit/kvxtool share/applications/kvx-edit.desktop \
         share/icons/hicolor/64x64/apps/kvx-edit.png share/mime/packages/kvx-edit.xml share/man/man1/kvxtool.1; do
  [ -e "$prefix/$f" ] || fail "$f was not installed"
done
if [ -e "$build/KVX_Edit" ]; then
  [ -L "$prefix/bin/KVX_Edit" ] && [ -x "$prefix/bin/KVX_Edit" ] || fail "bin/KVX_Edit is no link to the editor"
  [ -e "$prefix/lib/kvx-edit/KVX_Edit_guide.html" ] || fail "the guide is not beside the editor"
  [ -e "$prefix/share/man/man1/KVX_Edit.1" ] || fail "the editor's manual page was not installed"
fi
"$prefix/bin/kvxtool" dump "$src/examples/counter16.kvx" >/dev/null || fail "kvxtool does not run from bin"

desktop-file-validate "$prefix/share/applications/kvx-edit.desktop" || fail "desktop entry not valid"
grep -q '^Exec=KVX_Edit %f$' "$prefix/share/applications/kvx-edit.desktop" || fail "Exec line"

update-mime-database "$prefix/share/mime" || fail "update-mime-database refused the type"
type_of() {
  XDG_DATA_DIRS="$prefix/share:/usr/share" XDG_DATA_HOME="$prefix/none" GIO_USE_VFS=local \
    gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'
}
cp "$src/examples/counter16.kvx" "$prefix/copy.rsq"
cp "$src/examples/counter16.kvx" "$prefix/no-extension"
printf 'plain text\r\n' >"$prefix/plain"
"$prefix/bin/kvxtool" new "$prefix/soic-probe.kvx" >/dev/null
sed '1s/DIP8/SOIC8/' "$prefix/soic-probe.kvx" >"$prefix/soic"
for f in "$src/examples/counter16.kvx" "$prefix/copy.rsq" "$prefix/no-extension" "$prefix/soic"; do
  t=$(type_of "$f")
  [ "$t" = application/x-kvx-test ] || fail "$f is taken for '$t'"
done
t=$(type_of "$prefix/plain")
[ "$t" != application/x-kvx-test ] || fail "a plain text file is taken for a test file"
echo "desktop integration: installed, valid, test files recognised"
