#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks what tells the desktop and Debian about Lumaveil: the desktop entry and the AppStream data pass their
# validators and name each other, both changelogs begin with the version the project builds, and the manual page
# formats without a warning.
# Usage: validate.sh source-folder build-folder version app-id
set -u
top=$1
build=$2
version=$3
id=$4
status=0
fail() {
    echo "FAIL: $*" >&2
    status=1
}

entry="$top/data/$id.desktop"
metainfo="$top/data/$id.metainfo.xml"

echo "desktop-file-validate $entry"
remarks=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate refuses $entry"
[ -z "$remarks" ] || fail "desktop-file-validate has remarks on $entry:
$remarks"

echo "appstreamcli validate --no-net --pedantic $metainfo"
appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli refuses $metainfo"

# The software centre finds the menu entry through the launchable, and the package's version in the releases.
grep -q "<id>$id</id>" "$metainfo" || fail "$metainfo is not the component $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "$metainfo does not launch $id.desktop"
release=$(sed -n 's/.*<release [^>]*version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)
[ "$release" = "$version" ] || fail "the newest release in $metainfo is '$release', the project's version $version"

changelog=$(dpkg-parsechangelog -l "$top/packaging/changelog" -S Version) ||
    fail "dpkg-parsechangelog cannot read packaging/changelog"
[ "$changelog" = "$version" ] ||
    fail "the newest entry of packaging/changelog is version '$changelog', the project's version $version"

# What lintian runs on a manual page: every warning of man and groff.
manual="$build/data/lumaveil.1"
echo "man --warnings $manual"
warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$manual" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page has warnings:
$warnings"

[ $status -eq 0 ] && echo "All passed."
exit $status
