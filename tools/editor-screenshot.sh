#!/bin/sh
# Takes the picture in docs/lsp.md: Neovim in an xterm on a virtual X display
# (Xvfb), with the README's snippet (editors/neovim/loopcost.lua) and the look
# of tools/editor-screenshot.lua, edits examples/nested.lc with one statement
# broken; once the server's diagnostic, code lenses and inlay hints are on the
# screen, the terminal's window is taken as a PNG of 64 colours. Builds
# nothing and needs no network; everything it starts is stopped on the way
# out, and it gives up within 50 s. `make editor-picture` installs what it
# needs, builds the tool and runs it.
# usage: editor-screenshot.sh LOOPCOST [PICTURE]   (PICTURE: docs/lsp-editor.png)
set -eu
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 LOOPCOST [PICTURE]" >&2
  exit 2
fi
source=$(cd "$(dirname "$0")/.." && pwd)
loopcost=$(readlink -f "$1")
picture=${2:-$source/docs/lsp-editor.png}
picture=$(cd "$(dirname "$picture")" && pwd)/$(basename "$picture") # it is written from elsewhere
[ -x "$loopcost" ] || { echo "editor-screenshot: $1 is no program" >&2; exit 1; }
for tool in Xvfb xterm nvim import convert identify; do
  command -v "$tool" >/dev/null 2>&1 || {
    echo "editor-screenshot: needs $tool (make editor-picture installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb='' term=''
stop() {
  [ -z "$term" ] || kill "$term" 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  wait
  rm -rf "$work"
}
trap stop EXIT
trap 'exit 1' HUP INT TERM

# $1 tenths of a second at most for the file $2 to hold a line
await() {
  tries=$1
  until [ -s "$2" ]; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

# a display number that no other X server has: Xvfb picks it and says which
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
await 100 "$work/display" || { echo "editor-screenshot: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
DISPLAY=:$(cat "$work/display")
export DISPLAY

# The program: examples/nested.lc with the '+' after the third 'r' left out.
sed 's/r + r + r + r \* s ;/r + r + r r * s ;/' "$source/examples/nested.lc" >"$work/nested.lc"
mkdir "$work/bin" "$work/home"
ln -s "$loopcost" "$work/bin/loopcost"

cd "$work"
HOME="$work/home" XDG_CONFIG_HOME="$work/home" XDG_DATA_HOME="$work/home" XDG_STATE_HOME="$work/home" \
PATH="$work/bin:$PATH" EDITOR_PICTURE_READY="$work/ready" \
  xterm -geometry 78x22+0+0 -fa 'DejaVu Sans Mono' -fs 16 -bg white -fg '#1f2328' -b 12 -bw 0 \
    -tn xterm-256color -xrm 'XTerm*cursorColor: #1f2328' \
    -e nvim --clean -n --cmd "luafile $source/editors/neovim/loopcost.lua" \
    -c "luafile $source/tools/editor-screenshot.lua" nested.lc >"$work/xterm.log" 2>&1 &
term=$!

if ! await 300 "$work/ready"; then
  echo "editor-screenshot: Neovim said nothing in 30 s" >&2
  cat "$work/xterm.log" >&2
  exit 1
fi
case $(cat "$work/ready") in
  "window "[0-9]*) window=$(sed 's/^window //' "$work/ready") ;;
  *) echo "editor-screenshot: $(cat "$work/ready")" >&2; exit 1 ;;
esac

# xterm paints what Neovim has written a moment later: taken again until two
# pictures agree (3 s at most)
import -window "$window" "ppm:$work/shot.ppm"
tries=10
while [ "$tries" -gt 0 ]; do
  sleep 0.3
  import -window "$window" "ppm:$work/again.ppm"
  if cmp -s "$work/shot.ppm" "$work/again.ppm"; then break; fi
  mv "$work/again.ppm" "$work/shot.ppm"
  tries=$((tries - 1))
done
convert "$work/shot.ppm" +dither -colors 64 -strip "PNG8:$picture"

# Neovim quits when the file is gone, and ends the server as it does
rm "$work/ready"
tries=50
while kill -0 "$term" 2>/dev/null && [ "$tries" -gt 0 ]; do
  sleep 0.1
  tries=$((tries - 1))
done
kill -0 "$term" 2>/dev/null || term=''
echo "$picture: $(identify -format '%w x %h' "$picture") pixels, $(($(wc -c <"$picture") / 1024)) KiB"
