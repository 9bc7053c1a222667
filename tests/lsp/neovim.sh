#!/bin/sh
# Neovim, headless, with the README's snippet (editors/neovim/loopcost.lua)
# and `loopcost` first on the PATH, opens a program with a typo; the session
# in neovim.lua prints what it saw, compared with neovim.expected.
# usage: neovim.sh NVIM LOOPCOST SOURCE_DIR
set -eu
nvim=$1 loopcost=$2 source=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/home"
ln -s "$loopcost" "$work/bin/loopcost"
printf 'BEGIN\n    LOOP n\n    a + b * 2 ;\n  END\n  s*s;\nEND\n' >"$work/typo.lc"
cd "$work"
HOME="$work/home" XDG_CONFIG_HOME="$work/home" XDG_DATA_HOME="$work/home" XDG_STATE_HOME="$work/home" \
PATH="$work/bin:$PATH" timeout 60 "$nvim" --headless --clean -n \
  --cmd "luafile $source/editors/neovim/loopcost.lua" \
  -c "luafile $source/tests/lsp/neovim.lua" typo.lc >"$work/out" 2>"$work/err" </dev/null || {
  echo "nvim failed ($?)"; cat "$work/out" "$work/err"; exit 1; }
if ! diff -u "$source/tests/lsp/neovim.expected" "$work/out"; then
  cat "$work/err"
  exit 1
fi
echo "neovim session as expected"
