# Shared by the run and test scripts: the packages a build needs, and the build itself.
build_packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-multimedia-dev qt6-qpa-plugins
                fonts-liberation2 fontconfig)

# configure_and_build BUILD_DIR BUILD_TYPE [extra cmake arguments...]
configure_and_build() {
    local dir=$1 type=$2
    shift 2
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
    cmake --build "$dir"
}
