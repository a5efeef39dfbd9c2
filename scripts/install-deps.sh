#!/usr/bin/env bash
# Makes this machine ready to build and test Spanmeter:
#   scripts/install-deps.sh [cmake options, e.g. -DCMAKE_PREFIX_PATH=/opt/qt6]
#
# It looks for what the build needs the way the build looks for it: a C++20
# compiler, make (or ninja), CMake, Qt 6 through CMake's find_package, Qt's
# offscreen platform for the headless tests, and a monospaced face behind the
# list's Courier New (the tests take whichever faces are installed, so that is
# all they need of fonts); and for the tools some tests use, and ccache. Only what is missing is
# installed, with apt where there is apt; with everything present no package
# manager is called. Where nothing can be installed, one line names what is
# missing and CMake's configure step has the last word.
set -euo pipefail

missing=()  # what the build needs, as a user would name it
optional=() # tools some tests use (they skip without them) and ccache
packages=() # the Debian packages that provide them

need() {
    missing+=("$1")
    packages+=("${@:2}")
}
want() {
    optional+=("$1")
    packages+=("${@:2}")
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The compiler CMake would take.
cxx=""
for candidate in "${CXX:-}" c++ g++ clang++; do
    if [ -n "$candidate" ] && command -v "$candidate" >/dev/null; then
        cxx=$candidate
        break
    fi
done
cat >"$work/cxx20.cpp" <<'EOF'
#include <span>
#include <string_view>
int main() { return std::string_view("-j").starts_with('-') ? 0 : 1; }
EOF
if [ -z "$cxx" ] || ! "$cxx" -std=c++20 -fsyntax-only "$work/cxx20.cpp" 2>/dev/null; then
    need "a C++20 compiler" build-essential
fi

case "${CMAKE_GENERATOR:-}" in
Ninja*) command -v ninja >/dev/null || need "ninja" ninja-build ;;
*) command -v make >/dev/null || need "make" build-essential ;;
esac

cmake_version=$(cmake --version 2>/dev/null | head -n1) || cmake_version=""
cmake_version=${cmake_version##* }
if [ -z "$cmake_version" ] ||
    [ "$(printf '%s\n' 3.22 "$cmake_version" | sort -V | head -n1)" != 3.22 ]; then
    need "CMake 3.22 or later" cmake
fi

# Qt as the build finds it, so a Qt of its own (CMAKE_PREFIX_PATH) counts too.
qt_names="Qt 6.4 or later with Widgets, PrintSupport and Test"
if [ ${#missing[@]} -eq 0 ]; then
    cat >"$work/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.22)
project(SpanmeterProbe LANGUAGES CXX)
set(out "")
find_package(Qt6 6.4 QUIET COMPONENTS Core Gui Widgets PrintSupport Test)
set(parts "")
foreach(part Widgets PrintSupport Test)
    if(NOT Qt6${part}_FOUND)
        list(APPEND parts ${part})
    endif()
endforeach()
if(parts)
    list(JOIN parts ", " parts)
    string(APPEND out "qt6-base-dev\tQt 6.4 or later with ${parts}\n")
endif()
if(Qt6Gui_FOUND)
    string(REPLACE ":" ";" plugin_dirs "$ENV{QT_PLUGIN_PATH}")
    find_file(OFFSCREEN_PLUGIN libqoffscreen.so
        PATHS ${plugin_dirs} "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}"
        PATH_SUFFIXES platforms NO_DEFAULT_PATH)
    if(NOT OFFSCREEN_PLUGIN)
        string(APPEND out "libqt6gui6\tQt's offscreen platform plugin\n")
    endif()
endif()
file(WRITE "${CMAKE_BINARY_DIR}/missing.txt" "${out}")
EOF
    if cmake -S "$work" -B "$work/build" "$@" >"$work/probe.log" 2>&1; then
        while IFS=$'\t' read -r package name; do
            need "$name" "$package"
        done <"$work/build/missing.txt"
    else
        need "$qt_names" qt6-base-dev
    fi
else
    need "$qt_names (not looked for while the tools above are missing)" qt6-base-dev
fi

if [ "$(fc-match -f '%{spacing}' 'Courier New' 2>/dev/null)" != 100 ]; then
    need "a monospaced font for Courier New" fonts-liberation fontconfig
fi

command -v pdftotext >/dev/null || want "pdftotext (printing tests)" poppler-utils
command -v groff >/dev/null || want "groff (manual page test)" groff-base
command -v lintian >/dev/null || want "lintian (package test)" lintian
command -v ncdu >/dev/null || want "ncdu (JSON export test)" ncdu
command -v ccache >/dev/null || want "ccache (faster rebuilds)" ccache

[ ${#packages[@]} -eq 0 ] && exit 0

mapfile -t packages < <(printf '%s\n' "${packages[@]}" | awk '!seen[$0]++')
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
why="no apt here"
if ! command -v apt-get >/dev/null; then
    :
elif [ ${#sudo[@]} -ne 0 ] && ! command -v sudo >/dev/null; then
    why="neither root nor sudo"
else
    echo "Installing: ${packages[*]}"
    if "${sudo[@]}" apt-get update -qq &&
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y -qq --no-install-recommends "${packages[@]}"; then
        exit 0
    fi
    why="apt-get failed"
fi

# join SEPARATOR TEXT...
join() {
    local separator=$1 out=$2
    shift 2
    for text in "$@"; do out+="$separator$text"; done
    echo "$out"
}
parts=()
if [ ${#missing[@]} -ne 0 ]; then
    parts+=("what the build needs: $(join ", " "${missing[@]}")")
fi
if [ ${#optional[@]} -ne 0 ]; then
    parts+=("what is optional: $(join ", " "${optional[@]}"); a test skips without its tool")
fi
message="install-deps.sh: $why to install $(join "; " "${parts[@]}")."
if [ ${#missing[@]} -ne 0 ]; then
    message+=" CMake's configure step will tell whether the build can go on."
fi
echo "$message" >&2
