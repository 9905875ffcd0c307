#!/usr/bin/env bash
# Exports the sample book and checks the site: no broken internal link (linkchecker, offline, no
# external address followed) and no HTML error (tidy -e) in any page.
set -euo pipefail
make_site=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# linkchecker run as root reads as nobody: the site must be readable by anyone.
chmod 755 "$work"
"$make_site" "$work" >/dev/null
status=0
for page in "$work"/site/*.html; do
    # tidy exits 1 on warnings alone (allowed), 2 on errors.
    rc=0
    tidy -e -q -utf8 "$page" 2>"$work/tidy.txt" || rc=$?
    if ((rc > 1)); then
        echo "tidy: errors in $page:"
        cat "$work/tidy.txt"
        status=1
    fi
done
# Anchors are checked too; a missing anchor is a warning, and any warning fails.
printf '[AnchorCheck]\n' >"$work/linkcheckerrc"
if ! linkchecker -f "$work/linkcheckerrc" --no-status -t 1 --ignore-url='^mailto:' \
    --ignore-url='^https?:' "$work/site/index.html" >"$work/links.txt" 2>&1; then
    echo "linkchecker found broken links:"
    cat "$work/links.txt"
    status=1
fi
exit $status
