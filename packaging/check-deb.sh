#!/usr/bin/env bash
# Checks a built Glossmere .deb without installing it: exactly the expected files (so test and
# benchmark programs never slip in), the bin/ link into the program folder, the control fields
# and dependencies, no runpath, and the desktop entry and AppStream data pass their validators.
#
#   packaging/check-deb.sh [DEB]     (default: the glossmere .deb in build-pkg/)
# Exit status 0 when everything holds, 1 otherwise (every problem is listed).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

deb=${1:-}
if [[ -z "$deb" ]]; then
    shopt -s nullglob
    found=("$root"/build-pkg/glossmere_*.deb)
    shopt -u nullglob
    [[ ${#found[@]} -eq 1 ]] || { echo "check-deb: name the .deb (found ${#found[@]} in build-pkg/)" >&2; exit 1; }
    deb=${found[0]}
fi
[[ -f "$deb" ]] || { echo "check-deb: $deb does not exist" >&2; exit 1; }

"$root/tools/deps.sh" desktop-file-utils appstream binutils

problems=0
problem() {
    echo "check-deb: $*" >&2
    problems=$((problems + 1))
}

expected_files=(
    usr/bin/glossmere
    usr/lib/glossmere/glossmere
    usr/lib/glossmere/libglossmere-sound.so
    usr/lib/glossmere/wayland-decoration-client/libglossmere-titlebar.so
    usr/lib/glossmere/HAND-M.CUR
    usr/lib/glossmere/Sample/sample_glossbox.txt
    usr/lib/glossmere/Sounds/right.wav
    usr/lib/glossmere/Sounds/wrong.wav
    usr/lib/glossmere/x/o.cjs
    usr/share/applications/glossmere.desktop
    usr/share/doc/glossmere/changelog.gz
    usr/share/doc/glossmere/copyright
    usr/share/icons/hicolor/128x128/apps/glossmere.png
    usr/share/icons/hicolor/256x256/apps/glossmere.png
    usr/share/icons/hicolor/32x32/apps/glossmere.png
    usr/share/icons/hicolor/48x48/apps/glossmere.png
    usr/share/icons/hicolor/scalable/apps/glossmere.svg
    usr/share/man/man1/glossmere.1.gz
    usr/share/metainfo/org.example.Glossmere.metainfo.xml
)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"
dpkg-deb -e "$deb" "$work/control"

# Everything that is not a directory, relative to the package root.
(cd "$work/root" && find . ! -type d -printf '%P\n' | LC_ALL=C sort) >"$work/actual"
printf '%s\n' "${expected_files[@]}" | LC_ALL=C sort >"$work/expected"
while read -r path; do problem "missing from the package: /$path"; done \
    < <(LC_ALL=C comm -23 "$work/expected" "$work/actual")
while read -r path; do problem "not expected in the package: /$path"; done \
    < <(LC_ALL=C comm -13 "$work/expected" "$work/actual")

link="$work/root/usr/bin/glossmere"
if [[ ! -L "$link" ]]; then
    problem "/usr/bin/glossmere is not a symlink"
elif [[ "$(readlink "$link")" != ../lib/glossmere/glossmere ]]; then
    problem "/usr/bin/glossmere points at $(readlink "$link"), not ../lib/glossmere/glossmere"
fi

program="$work/root/usr/lib/glossmere/glossmere"
if [[ -f "$program" ]]; then
    [[ -x "$program" ]] || problem "/usr/lib/glossmere/glossmere is not executable"
    if readelf -d "$program" | grep -Eq '\((RPATH|RUNPATH)\)'; then
        problem "/usr/lib/glossmere/glossmere carries a runpath: $(readelf -d "$program" | grep -E 'R(UN)?PATH')"
    fi
fi

field() { sed -n "s/^$1: //p" "$work/control/control"; }
[[ "$(field Package)" == glossmere ]] || problem "Package is '$(field Package)'"
[[ "$(field Section)" == education ]] || problem "Section is '$(field Section)'"
project_version=$(sed -nE 's/^project\(Glossmere VERSION ([^ )]+).*/\1/p' "$root/CMakeLists.txt")
[[ "$(field Version)" == "$project_version" ]] ||
    problem "Version is '$(field Version)', the project is '$project_version'"
depends=$(field Depends)
echo "Depends: $depends"
# The first two are loaded at run time only; the Qt libraries prove dpkg-shlibdeps ran.
for dependency in fonts-liberation2 qt6-qpa-plugins libqt6widgets6 libqt6multimedia6 libc6; do
    [[ ", $depends," == *", $dependency"[\ ,]* ]] || problem "Depends lacks $dependency"
done
# The Wayland parts use Qt's private classes: only the exact Qt they were built with will do.
qt_version=$(dpkg-query -W -f '${Provides}' libqt6core6 | sed -nE 's/.*qt6-base-abi \(= ([^)]+)\).*/\1/p')
[[ ", $depends," == *", qt6-base-abi (= $qt_version),"* ]] || problem "Depends lacks qt6-base-abi (= $qt_version)"

desktop-file-validate "$work/root/usr/share/applications/glossmere.desktop" ||
    problem "the desktop file does not validate"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/"*.metainfo.xml >"$work/appstream.log" 2>&1 ||
    problem "the AppStream metadata does not validate: $(cat "$work/appstream.log")"

if ((problems > 0)); then
    echo "check-deb: FAIL: $problems problem(s) in $deb" >&2
    exit 1
fi
echo "check-deb: OK: $deb"
