#!/usr/bin/env bash
# install_test.sh prefix|deb BUILD_DIR: installs the build into a scratch prefix (prefix)
# or packs it as a .deb and unpacks that into a scratch root (deb), then checks what is
# installed and runs the installed programs on an installed example.
set -euo pipefail
how=$1
build=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
    echo "install_test: $*" >&2
    exit 1
}

if [ "$how" = prefix ]; then
    cmake --install "$build" --prefix "$scratch/p" >/dev/null
    root=$scratch/p
else
    cpack --config "$build/CPackConfig.cmake" -B "$scratch/pack" >"$scratch/cpack.log" 2>&1 ||
        { cat "$scratch/cpack.log"; fail "cpack failed"; }
    deb=$(ls "$scratch"/pack/*.deb)
    dpkg-deb --info "$deb" >"$scratch/info"
    grep -q '^ Package: lumo$' "$scratch/info" || fail "the package is not named lumo"
    grep -q '^ Version: ' "$scratch/info" || fail "the package has no version"
    dpkg-deb -x "$deb" "$scratch/root"
    root=$scratch/root/usr
fi

programs="lumoc lumolist koru"
[ -x "$build/bin/lumo" ] && programs="lumo $programs"
# The build makes manual pages when help2man was found as it was configured, which is not
# the same as help2man being there now.
help2man=$(sed -n 's/^HELP2MAN:FILEPATH=//p' "$build/CMakeCache.txt")
for program in $programs; do
    [ -x "$root/bin/$program" ] || fail "bin/$program is not installed"
    if [ -n "$help2man" ] && [ "${help2man%-NOTFOUND}" = "$help2man" ]; then
        page=$root/share/man/man1/$program.1
        [ -f "$page" ] || fail "no manual page for $program"
        grep -q "^$program \\\\- " "$page" || fail "the manual page of $program does not name it"
    fi
done
for program in $programs; do
    [ "$program" = lumoc ] && continue  # lumoc takes no arguments
    "$root/bin/$program" --version | grep -q "^$program (Lumo toolchain) " ||
        fail "$program --version does not say what it is"
done
docs=$root/share/doc/lumo
for file in README.md docs/language.md docs/koru.md examples/countdown.lumo examples/README.md; do
    [ -f "$docs/$file" ] || fail "share/doc/lumo/$file is not installed"
done
for file in bash-completion/completions/lumo bash-completion/completions/koru \
    vim/vimfiles/syntax/lumo.vim vim/vimfiles/ftdetect/lumo.vim lumo/textmate/lumo.tmLanguage.json; do
    [ -f "$root/share/$file" ] || fail "share/$file is not installed"
done
bash -n "$root/share/bash-completion/completions/lumo" || fail "the completion of lumo is not bash"

# The installed programs run an installed example and print what it must print.
example=$docs/examples/countdown
cd "$scratch"
"$root/bin/lumoc" <"$example.lumo" >countdown.asm || fail "the installed lumoc failed"
"$root/bin/koru" countdown.asm >koru.out || fail "the installed koru failed"
cmp -s koru.out "$example.out" || fail "lumoc and koru print other than countdown.out"
if [ -x "$root/bin/lumo" ]; then
    "$root/bin/lumo" run "$example.lumo" >lumo.out || fail "the installed lumo run failed"
    cmp -s lumo.out "$example.out" || fail "lumo run prints other than countdown.out"
fi
echo "install_test: $how: $programs installed and run"
