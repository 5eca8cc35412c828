# Shared by the run, test, bench and package scripts: the packages a build and the tests need, and the
# build itself.
build_packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-multimedia-dev qt6-qpa-plugins
                qt6-wayland-dev qt6-wayland qt6-base-private-dev wayland-protocols
                fonts-liberation2 fontconfig python3)
# What the test suite reads besides the build: real word lists of KDE's learning programs in KVTML
# (/usr/share/apps/kvtml), which the KVTML reader is checked against; weston, headless, for the Wayland
# title bar's test.
test_packages=(kdeedu-kvtml-data weston)

# build_preset PRESET [extra cmake arguments...]
# Configures and builds one of CMakePresets.json's presets (debug: build/, release: build-release/,
# sanitize: build-asan/, tidy: build-tidy/). Presets are read from the source folder.
build_preset() {
    local preset=$1
    shift
    (
        cd "$root"
        cmake --preset "$preset" "$@" >/dev/null
        cmake --build --preset "$preset"
    )
}

# configure_and_build BUILD_DIR BUILD_TYPE [extra cmake arguments...]
# For build folders that no preset describes (the package and fuzz builds, which take a folder).
configure_and_build() {
    local dir=$1 type=$2
    shift 2
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
    cmake --build "$dir"
}
