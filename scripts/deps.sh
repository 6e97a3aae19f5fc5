#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages that Lumaveil needs and are not yet installed.
# Usage: scripts/deps.sh build|run|test|bench|package
set -eu

# Qt's linguist tools make the template of the texts to translate; libsodium hashes the screensaver password; GIO
# reads GNOME's lock settings; libXtst records xscreensaver's lock requests; libseccomp confines a showing's process.
# Wayland compositors tell the desktop's idle time and take a showing's idle inhibitor through their protocols
# (libwayland-dev brings wayland-scanner); Qt 6.4 hands out its own Wayland connection only through its private
# headers.
build_packages="cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins libqt6opengl6-dev libmpv-dev libxss-dev libxcb1-dev
    qt6-tools-dev qt6-l10n-tools libsodium-dev libglib2.0-dev libxtst-dev libseccomp-dev libwayland-dev wayland-protocols
    plasma-wayland-protocols qt6-base-private-dev"
run_packages="fonts-liberation xvfb xauth libgl1-mesa-dri libglx-mesa0"
# The tests run the program on a desktop of their own: an X server whose monitors can be switched on and off, a
# window manager, a notification area and a session bus; they type and click through XTest. A headless Wayland
# compositor (sway) with Qt's Wayland platform runs the program there too; grim looks at the screen, wtype types.
# Qt's GTK platform theme with GNOME's extra themes gives the program the dark Adwaita look that users outside GNOME
# get, so that the windows are seen to read under it.
test_packages="ffmpeg xvfb xauth libgl1-mesa-dri libglx-mesa0 trayer xdotool imagemagick fonts-liberation
    xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils openbox wmctrl dbus-daemon libxtst-dev x11-utils
    sway qt6-wayland libegl-mesa0 grim wtype qt6-gtk-platformtheme gnome-themes-extra"
# The lockers, idle monitors and power managers of real desktops, which the program meets on users' machines: KDE
# Plasma's window manager, session manager and power management, xscreensaver, GNOME's window manager, and KWin's
# and weston's Wayland compositors. logind is Debian's elogind, which is unpacked below rather than installed:
# installing it would remove systemd.
test_packages="$test_packages kwin-x11 plasma-workspace powerdevil xscreensaver mutter kwin-wayland weston"
# GNOME's settings schemas, read through GSettings as on a GNOME desktop.
test_packages="$test_packages gsettings-desktop-schemas"
bench_packages="mpv xvfb xauth libgl1-mesa-dri libglx-mesa0 xdotool fonts-liberation dbus-daemon"
# The screens benchmark runs on the tests' desktop of two monitors and makes its clips with ffmpeg.
bench_packages="$bench_packages ffmpeg xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils openbox wmctrl
    trayer"
# The Debian package: cpack computes its dependencies with dpkg-shlibdeps, which reads the program with file.
package_packages="dpkg-dev file gzip"
# Its tests check the desktop entry and the AppStream data, build the package, run lintian on it, and install it.
test_packages="$test_packages $package_packages lintian appstream desktop-file-utils"

case "${1:-build}" in
build) wanted="$build_packages" ;;
run) wanted="$build_packages $run_packages" ;;
test) wanted="$build_packages $test_packages" ;;
bench) wanted="$build_packages $bench_packages" ;;
package) wanted="$build_packages $package_packages" ;;
*) echo "usage: $0 build|run|test|bench|package" >&2; exit 2 ;;
esac

# elogind for the tests, in the folder where tests/desktop/logind.sh looks for it.
unpack_elogind() {
    target=/var/lib/lumaveil-tests/elogind
    [ -x "$target/lib/elogind/elogind" ] && return 0
    [ "$(id -u)" -eq 0 ] || return 0
    download=$(mktemp -d)
    chown _apt "$download" 2>/dev/null || chmod 755 "$download"
    (cd "$download" && apt-get download -qq elogind libelogind0) || { rm -rf "$download"; return 1; }
    mkdir -p "$target"
    for archive in "$download"/*.deb; do
        dpkg-deb -x "$archive" "$target"
    done
    rm -rf "$download"
}

missing=""
for package in $wanted; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = installed ] || missing="$missing $package"
done
if [ -z "$missing" ]; then
    [ "${1:-build}" = test ] && unpack_elogind
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "Lumaveil needs these Debian packages:$missing" >&2
    echo "Run this script as root, or install them with: apt-get install -y --no-install-recommends$missing" >&2
    exit 1
fi

echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086 # word splitting of the package list is wanted
apt-get install -y -qq --no-install-recommends $missing
[ "${1:-build}" = test ] && unpack_elogind
exit 0
