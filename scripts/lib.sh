# Shared by scripts/run and scripts/test: install what is missing, configure and build.
# shellcheck shell=bash

TAVLO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TAVLO_BUILD_DIR=${TAVLO_BUILD_DIR:-$TAVLO_ROOT/build}

# Installs every package of scripts/debian-packages.txt that is not installed yet.
install_missing_packages() {
    local wanted missing=() pkg
    wanted=$(grep -v -e '^#' -e '^[[:space:]]*$' "$TAVLO_ROOT/scripts/debian-packages.txt")
    for pkg in $wanted; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "tavlo: installing ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

# Configures (once) and builds the given targets, or everything. Warnings are errors here;
# TAVLO_BUILD_TYPE chooses the build type (RelWithDebInfo unless set). ccache is used when it is
# installed.
build_tavlo() {
    local generator=() launcher=()
    [ -f "$TAVLO_BUILD_DIR/CMakeCache.txt" ] || generator=(-G Ninja)
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$TAVLO_ROOT" -B "$TAVLO_BUILD_DIR" "${generator[@]}" "${launcher[@]}" \
        -DCMAKE_BUILD_TYPE="${TAVLO_BUILD_TYPE:-RelWithDebInfo}" -DTAVLO_WERROR=ON \
        ${TAVLO_CMAKE_ARGS:-}
    if [ $# -gt 0 ]; then
        cmake --build "$TAVLO_BUILD_DIR" --target "$@"
    else
        cmake --build "$TAVLO_BUILD_DIR"
    fi
}
