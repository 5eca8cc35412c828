#!/usr/bin/env bash
# Checks of the program as a desktop user and a distribution meet it: builds the Debian package and
# checks its contents, menu entry and AppStream data, then drives the built program over AT-SPI under
# X11 (with the GTK platform theme's dialogs and with Qt's own) and as a Wayland client under weston,
# takes a short test with the Orca screen reader, and kills it 20 times at random moments to check
# the safety copy and the saved file (a long run: tools/killtest.sh 200, see RELIABILITY.md).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh" xvfb xdotool x11-utils dbus-x11 at-spi2-core python3-pyatspi imagemagick desktop-file-utils appstream \
    weston qt6-wayland qt6-gtk-platformtheme \
    orca openbox speech-dispatcher speech-dispatcher-audio-plugins speech-dispatcher-espeak-ng
deb=$("$root/packaging/build-deb.sh")
"$root/packaging/check-deb.sh" "$deb"
"$root/tools/a11y/run_atspi_check.sh" "$root/build-pkg/bin/glossmere"
A11Y_DIALOGS=qt "$root/tools/a11y/run_atspi_check.sh" "$root/build-pkg/bin/glossmere"
"$root/tools/a11y/run_wayland_check.sh" "$root/build-pkg/bin/glossmere"
"$root/tools/a11y/first_use_check.sh" "$root/build-pkg/bin/glossmere"
"$root/tools/a11y/orca_check.sh" "$root/build-pkg/bin/glossmere"
"$root/tools/killtest.sh" --bin "$root/build-pkg/bin/glossmere" --big 50000 20
