#!/usr/bin/env bash
# Installs the build in BUILD_DIR into a temporary prefix and checks the installed tree.
# Usage: check_install.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/larkpad share/larkpad/Help.html share/man/man1/larkpad.1.gz \
    share/doc/larkpad/copyright share/doc/larkpad/changelog.gz \
    share/applications/org.larkpad.LarkPad.desktop \
    share/metainfo/org.larkpad.LarkPad.metainfo.xml \
    share/icons/hicolor/scalable/apps/larkpad.svg; do
    [ -f "$prefix/$f" ] || fail "missing $f"
done
for size in 16 32 48 64 128 256; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/larkpad.png"
    if [ ! -f "$png" ]; then
        fail "missing ${size}x${size} icon"
    elif [ "$(identify -format '%wx%h' "$png")" != "${size}x${size}" ]; then
        fail "${size}x${size} icon is $(identify -format '%wx%h' "$png")"
    fi
done

desktop-file-validate "$prefix/share/applications/org.larkpad.LarkPad.desktop" ||
    fail "desktop entry does not validate"
grep -qx 'Exec=larkpad %F' "$prefix/share/applications/org.larkpad.LarkPad.desktop" ||
    fail "desktop entry does not run larkpad %F"
appstreamcli validate --no-net "$prefix/share/metainfo/org.larkpad.LarkPad.metainfo.xml" ||
    fail "metainfo does not validate"
grep -q "version=\"$version\"" "$prefix/share/metainfo/org.larkpad.LarkPad.metainfo.xml" ||
    fail "metainfo does not carry version $version"
zcat "$prefix/share/man/man1/larkpad.1.gz" | groff -t -man -Tutf8 2>/dev/null |
    grep -q 'Print the version' || fail "manual page does not render"
zcat "$prefix/share/doc/larkpad/changelog.gz" | sed -n 1p | grep -q "^larkpad ($version) " ||
    fail "changelog does not start with version $version"

# The installed program answers on the terminal, with no display and no settings written.
home=$(mktemp -d -p "$prefix")
out=$(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_CONFIG_HOME="$home/config" \
    "$prefix/bin/larkpad" --version) || fail "--version failed"
[ "$out" = "Lark Pad $version" ] || fail "--version printed '$out'"
env -u DISPLAY HOME="$home" XDG_CONFIG_HOME="$home/config" "$prefix/bin/larkpad" --help |
    grep -q -- '--version' || fail "--help does not list --version"
status=0
env -u DISPLAY HOME="$home" XDG_CONFIG_HOME="$home/config" "$prefix/bin/larkpad" --bogus \
    2>"$home/err" || status=$?
[ "$status" = 2 ] || fail "an unknown option exits with $status, not 2"
grep -q "bogus" "$home/err" || fail "an unknown option is not named: $(cat "$home/err")"
[ -z "$(ls -A "$home")" ] || [ "$(ls -A "$home")" = "err" ] ||
    fail "the settings were touched: $(ls -A "$home")"

# The installed program finds its help from bin/ (the lookup itself is unit-tested).
[ -f "$prefix/bin/../share/larkpad/Help.html" ] || fail "help not found from bin/"

if [ "$failures" -ne 0 ]; then
    echo "$failures failures"
    exit 1
fi
echo "install tree OK"
