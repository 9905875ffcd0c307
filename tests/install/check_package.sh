#!/usr/bin/env bash
# Makes the Debian package with script/package (which also runs lintian on it) and checks what it
# holds and declares: every file in place with its mode and owner and nothing else, the control
# fields, the dependencies found by dpkg-shlibdeps, no maintainer scripts, a stripped and hardened
# program.
# Usage: check_package.sh SOURCE_DIR BUILD_DIR VERSION [CMAKE_OPTION...]
set -euo pipefail
src=$1
build=$2
version=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! command -v lintian >/dev/null; then
    echo "FAIL: lintian is not installed (script/bootstrap installs it)"
    exit 1
fi
if ! LARKPAD_NO_BOOTSTRAP=1 "$src/script/package" "$build" "$@" >"$work/package.log" 2>&1; then
    cat "$work/package.log"
    echo "FAIL: script/package failed"
    exit 1
fi
arch=$(dpkg --print-architecture)
deb="$build/deb/larkpad_${version}_${arch}.deb"
if [ ! -f "$deb" ]; then
    echo "FAIL: no $deb; the folder holds: $(ls "$build/deb")"
    exit 1
fi

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
expect_field() {
    [ "$(field "$1")" = "$2" ] || fail "$1 is '$(field "$1")', not '$2'"
}
expect_field Package larkpad
expect_field Version "$version"
expect_field Architecture "$arch"
expect_field Section editors
expect_field Priority optional
expect_field Recommends "hunspell-fr-classical | hunspell-dictionary, hunspell-en-us"
depends=$(field Depends)
# Versioned by the symbols the program uses: proof that dpkg-shlibdeps read the binary. The plugins
# the toolkit loads at run time (windows, SVG icons) and its French texts are named by hand.
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 \
    libjpeg62-turbo libnuspell5; do
    grep -Eq "(^|, )${lib//+/\\+} \(>= [^)]+\)(,|$)" <<<"$depends" ||
        fail "Depends has no versioned $lib"
done
for p in qt6-qpa-plugins libqt6svg6 qt6-translations-l10n; do
    grep -Eq "(^|, )$p(,|$)" <<<"$depends" || fail "Depends lacks $p"
done
description=$(field Description)
summary=$(sed -n 1p <<<"$description")
grep -iq '^larkpad' <<<"$summary" && fail "the summary starts with the package name: $summary"
[ "${#summary}" -le 80 ] || fail "the summary is longer than 80 characters"
[ "$(wc -l <<<"$description")" -ge 4 ] || fail "the description has no paragraphs: $description"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"

# Control members: the control file and the checksums only, no maintainer scripts, all 0644.
dpkg-deb --ctrl-tarfile "$deb" | tar -tvf - | awk '$6 != "./" {print $1, $2, $6}' | sort \
    >"$work/control.list"
printf '%s\n' "-rw-r--r-- root/root ./control" "-rw-r--r-- root/root ./md5sums" \
    >"$work/control.want"
diff -u "$work/control.want" "$work/control.list" || fail "control members differ (above)"

# Files: exactly what the install rules give, folders 0755, the program 0755, the rest 0644.
{
    d="drwxr-xr-x root/root"
    f="-rw-r--r-- root/root"
    for dir in usr usr/bin usr/share usr/share/applications usr/share/doc usr/share/doc/larkpad \
        usr/share/icons usr/share/icons/hicolor usr/share/icons/hicolor/scalable \
        usr/share/icons/hicolor/scalable/apps usr/share/larkpad usr/share/man usr/share/man/man1 \
        usr/share/metainfo; do
        echo "$d ./$dir/"
    done
    for size in 16 32 48 64 128 256; do
        echo "$d ./usr/share/icons/hicolor/${size}x${size}/"
        echo "$d ./usr/share/icons/hicolor/${size}x${size}/apps/"
        echo "$f ./usr/share/icons/hicolor/${size}x${size}/apps/larkpad.png"
    done
    for help in "$src"/resources/help/*; do
        echo "$f ./usr/share/larkpad/$(basename "$help")"
    done
    echo "-rwxr-xr-x root/root ./usr/bin/larkpad"
    echo "$f ./usr/share/applications/org.larkpad.LarkPad.desktop"
    echo "$f ./usr/share/doc/larkpad/changelog.gz"
    echo "$f ./usr/share/doc/larkpad/copyright"
    echo "$f ./usr/share/icons/hicolor/scalable/apps/larkpad.svg"
    echo "$f ./usr/share/man/man1/larkpad.1.gz"
    echo "$f ./usr/share/metainfo/org.larkpad.LarkPad.metainfo.xml"
} | sort >"$work/data.want"
dpkg-deb -c "$deb" | awk '$6 != "./" {print $1, $2, $6}' | sort >"$work/data.list"
diff -u "$work/data.want" "$work/data.list" || fail "package files differ (above)"

# The files themselves.
root="$work/root"
dpkg-deb -x "$deb" "$root"
program="$root/usr/bin/larkpad"
elf=$(readelf -h -l -S -d --dyn-syms -W "$program")
grep -Eq ' \.(symtab|debug_[a-z]+|comment) ' <<<"$elf" && fail "the program is not stripped"
grep -q 'Type:.*DYN' <<<"$elf" || fail "the program is not position-independent"
grep -q GNU_RELRO <<<"$elf" || fail "the program has no -z relro"
grep -Eq 'BIND_NOW|FLAGS_1.* NOW' <<<"$elf" || fail "the program has no -z now"
grep -q __stack_chk_fail <<<"$elf" || fail "the program has no stack protector"
grep -q '__[a-z]*_chk@' <<<"$elf" || fail "the program has no fortified functions"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work" XDG_CONFIG_HOME="$work/config" \
    "$program" --version) || fail "--version failed"
[ "$out" = "Lark Pad $version" ] || fail "--version printed '$out'"

head -n 1 "$root/usr/share/doc/larkpad/copyright" |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "copyright is not in the machine-readable format"
# gzip -9n: no name, no time stamp, best compression.
for gz in usr/share/doc/larkpad/changelog.gz usr/share/man/man1/larkpad.1.gz; do
    [ "$(od -An -tx1 -N9 "$root/$gz" | tr -d ' \n')" = 1f8b08000000000002 ] ||
        fail "$gz is not compressed with gzip -9n"
done
zcat "$root/usr/share/doc/larkpad/changelog.gz" | sed -n 1p |
    grep -q "^larkpad ($version) " || fail "the changelog's latest entry is not $version"
grep -q "<release version=\"$version\"" \
    "$root/usr/share/metainfo/org.larkpad.LarkPad.metainfo.xml" ||
    fail "the metainfo's releases do not list $version"

if [ "$failures" -ne 0 ]; then
    echo "$failures failures"
    exit 1
fi
echo "package OK: $deb"
