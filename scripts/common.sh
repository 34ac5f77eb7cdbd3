# Shared by scripts/run and scripts/test: installs missing Debian packages, configures and builds.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${MERIDANE_BUILD_DIR:-$ROOT/build}"
PACKAGES=(cmake g++ ninja-build pkg-config qt6-base-dev qt6-multimedia-dev qt6-tools-dev libsqlcipher-dev libssl-dev
    libmp3lame-dev gstreamer1.0-plugins-good fonts-noto-cjk qt6-translations-l10n libxcb1-dev
    libopencc-dev libicu-dev unicode-data bzip2)
# What the tests need besides: PDF text, a virtual X display with a window manager and a
# notification area, the formatter, the checkers of the desktop entry and the metainfo, what
# CPack needs for the Debian packages, and their checker.
TEST_PACKAGES=(poppler-utils xvfb xauth openbox xdotool x11-utils trayer clang-format
    desktop-file-utils appstream dpkg-dev file lintian)

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# Every C++ file of the tree, as clang-format would write it; prints the differences and fails.
check_format() {
    local dirs=()
    for d in app controls packaging tests tools; do [ -d "$ROOT/$d" ] && dirs+=("$d"); done
    (cd "$ROOT" && find "${dirs[@]}" \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z |
        xargs -0 clang-format --dry-run --Werror)
}

# Extra arguments go to the CMake configure step.
build_project() {
    cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$BUILD_DIR" --parallel "$(nproc)"
}
