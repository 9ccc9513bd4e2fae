#!/usr/bin/env bash
# Checks the Debian package made by `tools/velmar.sh package`:
#   tools/check_package.sh [DEB]     default: the one build/velmar_*.deb
# lintian (no errors and no hardening tags; warnings and notes are printed),
# the binaries' run path and hardening as readelf sees them, desktop-file-validate and
# appstreamcli on the packed files, the file list of the package unpacked with
# dpkg -x into a scratch root, one version in the control file, the metainfo
# and the changelog, and every option of velmar-report in its manual page.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
app_id=io.github.velmar.velmar

deb=${1:-}
if [ -z "$deb" ]; then
    shopt -s nullglob
    debs=("$root"/build/velmar_*.deb)
    shopt -u nullglob
    if [ ${#debs[@]} -ne 1 ]; then
        echo "check_package: expected one build/velmar_*.deb, found ${#debs[@]}; run tools/velmar.sh package" >&2
        exit 1
    fi
    deb=${debs[0]}
fi

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch/root"
echo "== $(basename "$deb")"

echo "-- lintian"
lintian_status=0
lintian --fail-on error --display-info "$deb" >"$scratch/lintian" 2>&1 || lintian_status=$?
grep -v 'running with root privileges' "$scratch/lintian" || true
if [ "$lintian_status" -ne 0 ] || grep -q '^E:' "$scratch/lintian"; then
    fail "lintian reports errors (status $lintian_status)"
fi
if grep -q 'hardening-' "$scratch/lintian"; then
    fail "lintian finds binaries built without the hardening flags"
fi

echo "-- run path and hardening of the binaries"
for program in velmar velmar-report; do
    dynamic=$(readelf -d "$scratch/root/usr/bin/$program")
    grep -qE '\((RUNPATH|RPATH)\)' <<<"$dynamic" && fail "$program has a run path"
    grep -qE '\(BIND_NOW\)|Flags:.*NOW' <<<"$dynamic" || fail "$program is not linked with -z now"
    readelf -lW "$scratch/root/usr/bin/$program" | grep -q GNU_RELRO || fail "$program has no RELRO"
    grep -qE '__(sprintf|vsnprintf|snprintf|memcpy|fprintf|printf)_chk' \
        <(readelf -sW --dyn-syms "$scratch/root/usr/bin/$program") ||
        fail "$program calls no fortified function"
done
echo "velmar, velmar-report: no run path, full RELRO, fortified"

echo "-- desktop-file-validate"
desktop-file-validate "$scratch/root/usr/share/applications/$app_id.desktop" ||
    fail "desktop-file-validate"

echo "-- appstreamcli validate --no-net"
appstreamcli validate --no-net "$scratch/root/usr/share/metainfo/$app_id.metainfo.xml" ||
    fail "appstreamcli validate"

echo "-- file list"
expected=$(sort <<EOF
/usr/bin/velmar
/usr/bin/velmar-report
/usr/share/applications/$app_id.desktop
/usr/share/doc/velmar/changelog.gz
/usr/share/doc/velmar/copyright
/usr/share/icons/hicolor/16x16/apps/$app_id.png
/usr/share/icons/hicolor/32x32/apps/$app_id.png
/usr/share/icons/hicolor/48x48/apps/$app_id.png
/usr/share/icons/hicolor/64x64/apps/$app_id.png
/usr/share/man/man1/velmar-report.1.gz
/usr/share/man/man1/velmar.1.gz
/usr/share/metainfo/$app_id.metainfo.xml
EOF
)
actual=$(cd "$scratch/root" && find . ! -type d | sed 's/^\.//' | sort)
if [ "$actual" != "$expected" ]; then
    diff <(echo "$expected") <(echo "$actual") | sed 's/^/  /' >&2 || true
    fail "the package's files differ from the list (< expected, > packed)"
else
    echo "$(echo "$actual" | wc -l) files as expected"
fi

echo "-- version and dependencies"
version=$(dpkg-deb -f "$deb" Version)
release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' \
    "$scratch/root/usr/share/metainfo/$app_id.metainfo.xml" | head -n 1)
changelog=$(zcat "$scratch/root/usr/share/doc/velmar/changelog.gz" | sed -n '1s/^velmar (\([^)]*\)).*/\1/p')
echo "package $version, metainfo release $release, changelog $changelog"
[ "$release" = "$version" ] ||
    fail "the metainfo's newest release is $release, the package is $version: add a <release>"
[ "$changelog" = "$version" ] ||
    fail "resources/debian/changelog starts with $changelog, the package is $version: add an entry"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in libqt6widgets6 qt6-translations-l10n fonts-liberation fonts-dejavu-core; do
    [[ ",$depends," =~ [,\ ]$needed[,\ ] ]] || fail "Depends lacks $needed"
done

echo "-- velmar-report options in its manual page"
# The options are those of the usage text (printed when no arguments are
# given) and those the page must always describe.
report=$scratch/root/usr/bin/velmar-report
usage=$("$report" 2>&1 >/dev/null || true)
options=$( (grep -oE -- '--[a-z0-9][a-z0-9-]*' <<<"$usage" || true
    printf '%s\n' --margins --a --cp1251 --csv --chart --size --criterion --level \
        --conf-level --batch --help --version) | sort -u)
# Wide enough that no line is broken, so no option is hyphenated.
page=$(LC_ALL=C.UTF-8 MANWIDTH=1000 man -l "$scratch/root/usr/share/man/man1/velmar-report.1.gz" 2>/dev/null)
missing=()
for option in $options; do
    grep -qE -- "(^|[^a-z0-9-])$option([^a-z0-9-]|$)" <<<"$page" || missing+=("$option")
done
if [ ${#missing[@]} -gt 0 ]; then
    fail "velmar-report.1 does not describe: ${missing[*]}"
else
    echo "all $(echo "$options" | wc -l) options described"
fi

if [ "$failures" -ne 0 ]; then
    echo "check_package: $failures check(s) failed" >&2
    exit 1
fi
echo "check_package: all checks passed"
