#!/usr/bin/env bash
# Installs what Cantavo needs (Debian 12 / Ubuntu packages), builds it, then runs the program or every test.
#   tools/setup.sh run    build and start the desktop tool on a virtual handset
#   tools/setup.sh test   build and run every test (plus the sanitizer builds), as CI does; warnings are errors
#   tools/setup.sh build  install and build only
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-build}
case "$mode" in run|test|build) ;; *) echo "usage: $0 run|test|build" >&2; exit 2 ;; esac

packages=(
    build-essential cmake ninja-build pkg-config clang libclang-rt-dev clang-format
    libgtest-dev libgmock-dev libbenchmark-dev
    libwxgtk3.2-dev portaudio19-dev libsndfile1-dev libsamplerate0-dev libportsmf-dev libcli11-dev
    xvfb xauth
    file appstream
)

install_packages() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

jobs=$(nproc 2>/dev/null || echo 2)

# configure DIR [cmake options...]; build DIR [targets...]
configure() { local dir=$1; shift; cmake -S . -B "$dir" -G Ninja "$@" >/dev/null; }
build() { local dir=$1; shift; cmake --build "$dir" -j "$jobs" ${1:+--target "$@"}; }

install_packages
werror=OFF
[ "$mode" = test ] && werror=ON
configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCANTAVO_WERROR=$werror
build build

case "$mode" in
build)
    ;;
run)
    exec build/bin/cantavo --virtual-handset
    ;;
test)
    # The C++ files as .clang-format lays them out.
    git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
    # Plain build with GCC: everything, the window tests on a virtual display, the installed tree and package.
    (cd build && ctest --output-on-failure -LE gui)
    (cd build && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -L gui)
    # With clang: the engine, converter, host, serial, transfer and sound-output code again under AddressSanitizer +
    # UndefinedBehaviorSanitizer, and the threaded serial, transfer and sound-output code under ThreadSanitizer.
    clang=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCANTAVO_WERROR=ON)
    configure build-asan "${clang[@]}" -DCMAKE_BUILD_TYPE=Debug -DCANTAVO_GUI=OFF -DCANTAVO_BENCH=OFF \
        -DCANTAVO_SANITIZE=address,undefined
    build build-asan
    (cd build-asan && ctest --output-on-failure -L 'engine|smaf_writer|convert|host|serial|transfer|player|tools')
    configure build-tsan "${clang[@]}" -DCMAKE_BUILD_TYPE=Debug -DCANTAVO_GUI=OFF -DCANTAVO_BENCH=OFF \
        -DCANTAVO_SANITIZE=thread
    build build-tsan
    (cd build-tsan && ctest --output-on-failure -L 'serial|transfer|player')
    ;;
esac
