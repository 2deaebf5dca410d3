#!/usr/bin/env bash
# `cmake --install` into a scratch prefix, then the installed citra draws a
# PNG plot: it finds its rasterising module relative to itself, whatever
# prefix it was installed under. With a Python interpreter, the installed
# Python module is imported from the prefix and reads the same picture.
# Usage: installed_tool.sh <build folder> [python]
set -euo pipefail
build=$1
python=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
# The manual page generated from the help table, where man looks for it.
grep -q '^\.TH CITRA 1 ' "$work/prefix/share/man/man1/citra.1" || { echo "FAIL: no manual page citra.1" >&2; exit 1; }
# A 2 x 1 24-bit bitmap: one blue and one red pixel.
printf 'BM\x3e\0\0\0\0\0\0\0\x36\0\0\0''\x28\0\0\0\x02\0\0\0\x01\0\0\0\x01\0\x18\0''\0\0\0\0\x08\0\0\0''\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0''\xff\0\0\0\0\xff\0\0' >"$work/dua.bmp"
"$work/prefix/bin/citra" histogram "$work/dua.bmp" --plot "$work/plot.png"
[ -s "$work/plot.png" ] || { echo "FAIL: no plot written" >&2; exit 1; }
head -c 8 "$work/plot.png" | od -An -tx1 | grep -q '89 50 4e 47 0d 0a 1a 0a' || { echo "FAIL: not a PNG" >&2; exit 1; }
echo "the installed citra drew $(stat -c %s "$work/plot.png") bytes of PNG"

if [ -n "$python" ]; then
  package=$(find "$work/prefix" -path '*-packages/citra/__init__.py' | head -n 1)
  [ -n "$package" ] || { echo "FAIL: no citra package under the prefix" >&2; exit 1; }
  site=$(dirname "$(dirname "$package")")
  PYTHONPATH=$site "$python" -c '
import sys, citra
assert citra.__file__.startswith(sys.argv[1]), citra.__file__
pixels = citra.load(sys.argv[2]).tolist()
assert pixels == [[[0, 0, 255], [255, 0, 0]]], pixels
' "$site" "$work/dua.bmp"
  echo "the installed module imports from ${site#"$work/prefix/"}"
fi
