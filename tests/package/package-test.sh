#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Debian package from this build folder and checks it with lintian and by its contents; then installs it,
# starts the installed program from its menu entry on a desktop of its own, removes the package again and checks
# that nothing of it is left. Installing needs root: without it the test ends after lintian, skipped.
# Whatever happens, the machine is left as it was: the package is removed again on every way out.
# Usage: package-test.sh source-folder build-folder version app-id installed-program-test
set -u
top=$1
build=$2
version=$3
id=$4
check=$5

work=$(mktemp -d /tmp/lumaveil-package.XXXXXX)
installed=""
cleanup() {
    if [ -n "$installed" ]; then
        echo "Removing the package again"
        apt_get purge lumaveil >"$work/cleanup.log" 2>&1 || cat "$work/cleanup.log" >&2
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
skip() {
    echo "SKIPPED: $*"
    exit 77
}
# Waits for apt or dpkg that another program runs, for a while, instead of failing at once.
apt_get() {
    DEBIAN_FRONTEND=noninteractive timeout 120 apt-get -y -q -o DPkg::Lock::Timeout=60 "$@"
}

# The package of what is built already: cpack installs the build folder into a staging folder of its own.
arch=$(dpkg --print-architecture)
deb="$work/lumaveil_${version}_$arch.deb"
echo "cpack -G DEB"
if ! timeout 120 cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    fail "cpack could not make the package"
fi
[ -f "$deb" ] || fail "cpack made no $(basename "$deb"): $(ls "$work")"
dpkg-deb -f "$deb"

echo "lintian $(basename "$deb")"
timeout 120 lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1
lintian=$?
cat "$work/lintian.log"
[ $lintian -eq 0 ] || fail "lintian finds errors in the package (exit status $lintian)"

# The AppStream data finds its menu entry, what the menu entry names is in the package, and the example videos are
# the ones of the source.
dpkg-deb -x "$deb" "$work/root"
echo "appstreamcli validate-tree --no-net"
appstreamcli validate-tree --no-net "$work/root" || fail "the package's AppStream data does not fit the files beside it"
installedEntry="/usr/share/applications/$id.desktop"
[ -f "$work/root$installedEntry" ] || fail "the package has no $installedEntry"
program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$work/root$installedEntry")
case $program in
/*) ;;
*) program=/usr/bin/$program ;;
esac
[ -x "$work/root$program" ] || fail "the menu entry runs $program, which is not in the package"
icon=$(sed -n 's/^Icon=//p' "$work/root$installedEntry")
[ -f "$work/root/usr/share/icons/hicolor/48x48/apps/$icon.png" ] &&
    [ -f "$work/root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
    fail "the menu entry's icon '$icon' is not in the package's hicolor theme"
samples=/usr/share/lumaveil/Samples
for sample in "$top"/data/Samples/*; do
    cmp "$sample" "$work/root$samples/$(basename "$sample")" || fail "the package's example videos differ from data/Samples"
done
[ "$(find "$work/root$samples" -type f | wc -l)" -eq "$(find "$top/data/Samples" -type f | wc -l)" ] ||
    fail "the package has example videos that data/Samples does not have"

[ "$(id -u)" -eq 0 ] || skip "the package was made and passes lintian; installing it needs root"

# What could stand in the way of leaving the machine as it was: an installed Lumaveil; files of the same names from
# elsewhere (a cmake --install to /usr, say), which the package would take over and its removal delete; packages it
# needs that are not installed, which apt would bring in and leave behind.
state=$(dpkg-query -W -f='${db:Status-Status}' lumaveil 2>/dev/null)
[ -z "$state" ] || [ "$state" = not-installed ] ||
    skip "lumaveil is on this machine already ($state); the test does not touch it: apt-get purge lumaveil first"
clash=$(cd "$work/root" && find . ! -type d | while IFS= read -r path; do
    { [ -e "${path#.}" ] || [ -L "${path#.}" ]; } && echo "${path#.}"
done)
[ -z "$clash" ] || skip "the package would replace files on this machine that no package holds: $clash"
others=$(apt-get -s -q install --no-install-recommends "$deb" 2>&1 | sed -n 's/^Inst \([^ ]*\).*/\1/p' | grep -v '^lumaveil$')
[ -z "$others" ] || skip "the package needs packages that are not installed: $(echo $others); scripts/deps.sh test installs them"

echo "apt-get install $(basename "$deb")"
installed=yes
apt_get install --no-install-recommends "$deb" >"$work/install.log" 2>&1 || {
    cat "$work/install.log" >&2
    fail "apt-get could not install the package"
}
dpkg -L lumaveil | grep -v '^/\.$' >"$work/files"
# A folder is the package's own when no other package has it.
tr '\n' '\0' <"$work/files" | xargs -0 dpkg -S 2>/dev/null | sed -n 's/^lumaveil: //p' >"$work/owned"

echo "The installed program, started from its menu entry"
LUMAVEIL_DESKTOP_ENTRY=$installedEntry LUMAVEIL_INSTALLED_PROGRAM=$program LUMAVEIL_INSTALLED_SAMPLES=$samples \
    timeout 90 "$top/tests/desktop/desktop.sh" "$check" || fail "the installed program failed its run"

echo "apt-get purge lumaveil"
apt_get purge lumaveil >"$work/purge.log" 2>&1 || {
    cat "$work/purge.log" >&2
    fail "apt-get could not remove the package"
}
installed=""
state=$(dpkg-query -W -f='${db:Status-Status}' lumaveil 2>/dev/null)
[ -z "$state" ] || [ "$state" = not-installed ] || fail "after apt-get purge, lumaveil is still $state"
left=$(while IFS= read -r path; do
    if [ ! -d "$path" ] || grep -qxF "$path" "$work/owned"; then
        { [ -e "$path" ] || [ -L "$path" ]; } && echo "$path"
    fi
done <"$work/files")
[ -z "$left" ] || fail "the removed package left these behind: $left"
echo "All passed."
