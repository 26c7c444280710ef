#!/usr/bin/env bash
# The installed programs as a user or packager gets them: `cmake --install` into a scratch prefix (then moved,
# as a relocated tree), and the .deb of `cpack -G DEB` unpacked into a scratch root.
#   install_test.sh BUILD_DIR SOURCE_DIR VERSION PROGRAM...
set -euo pipefail

build=$1 source=$2 version=$3
shift 3
programs=("$@")

scratch=$(mktemp -d "${TMPDIR:-/tmp}/cantavo-install-test.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data XDG_CACHE_HOME=$scratch/cache
unset CANTAVO_VOICE_DIR
mkdir -p "$HOME"

failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}
have() { command -v "$1" >/dev/null 2>&1; }

# Every program answers --version with its name and the project version, and --help with exit status 0.
check_programs() {
    local bin=$1
    for program in "${programs[@]}"; do
        [ -x "$bin/$program" ] || { fail "$bin/$program is missing"; continue; }
        local answer
        answer=$("$bin/$program" --version) || fail "$program --version exits with $?"
        [ "$answer" = "$program $version" ] || fail "$program --version says '$answer', not '$program $version'"
        "$bin/$program" --help >/dev/null || fail "$program --help exits with $?"
    done
}

# A demo melody renders from the installed tree as from the build tree, and --help names the data folder
# found beside the program.
check_render() {
    local prefix=$1 out=$scratch/render-$RANDOM
    mkdir -p "$out"
    "$prefix/bin/cantavo-render" "$prefix/share/cantavo/demo/ode.mmf" "$out/installed.wav" ||
        { fail "the installed cantavo-render cannot render $prefix/share/cantavo/demo/ode.mmf"; return; }
    "$build/bin/cantavo-render" "$source/data/demo/ode.mmf" "$out/built.wav"
    cmp -s "$out/installed.wav" "$out/built.wav" || fail "the installed render differs from the build tree's"
    "$prefix/bin/cantavo-render" --help | grep -qF "$prefix/share/cantavo" ||
        fail "cantavo-render under $prefix does not look for its data in $prefix/share/cantavo"
}

# Each manual page formats without a warning, has the sections a user looks for, and names every option the
# program's --help lists.
check_manual_pages() {
    local prefix=$1
    have man || return 0
    for program in "${programs[@]}"; do
        local page=$prefix/share/man/man1/$program.1.gz
        [ -f "$page" ] || { fail "no manual page $page"; continue; }
        local warnings
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "$program.1: $warnings"
        local text
        text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$page" 2>/dev/null)
        for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" ENVIRONMENT FILES EXAMPLES; do
            grep -q "^$section" <<<"$text" || fail "$program.1 has no $section section"
        done
        for option in $("$prefix/bin/$program" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
            grep -qF -- "$option" <<<"$text" || fail "$program.1 does not describe $option"
        done
    done
}

# The desktop entry, its icon, the software-centre description and the SMAF file type.
check_desktop() {
    local share=$1/share
    local entry=$share/applications/cantavo.desktop
    [ -f "$entry" ] || { fail "no desktop entry"; return; }
    for line in "Name=Cantavo" "Icon=cantavo" "Exec=cantavo %f" "Categories=.*Audio;.*Utility;" \
                "MimeType=.*application/x-smaf;"; do
        grep -q "^$line" "$entry" || fail "cantavo.desktop has no line $line"
    done
    [ -f "$share/icons/hicolor/scalable/apps/cantavo.svg" ] || fail "no scalable icon"
    if have desktop-file-validate; then desktop-file-validate "$entry" || fail "desktop-file-validate"; fi
    if have appstreamcli; then
        appstreamcli validate --no-net "$share"/metainfo/*.metainfo.xml >"$scratch/appstream.txt" 2>&1 ||
            fail "appstreamcli validate: $(cat "$scratch/appstream.txt")"
    fi
    if have update-mime-database; then
        mkdir -p "$scratch/mime/packages"
        cp "$share/mime/packages/cantavo.xml" "$scratch/mime/packages/"
        update-mime-database "$scratch/mime" >"$scratch/mime.txt" 2>&1 ||
            fail "update-mime-database refuses cantavo.xml: $(cat "$scratch/mime.txt")"
        grep -qx "50:application/x-smaf:\*.mmf" "$scratch/mime/globs2" || fail "*.mmf is not application/x-smaf"
        grep -aA1 "^\[50:application/x-smaf\]" "$scratch/mime/magic" | grep -aq "^>0=.*MMMD" ||
            fail "no magic MMMD at 0 for application/x-smaf"
    fi
}

# cmake --install into a prefix, then the tree moved elsewhere: it must still find its data.
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
mv "$scratch/prefix" "$scratch/moved"
check_programs "$scratch/moved/bin"
check_render "$scratch/moved"
check_manual_pages "$scratch/moved"
check_desktop "$scratch/moved"

# The Debian package, when the tools to build one are here.
if have cpack && have dpkg-deb && have dpkg-shlibdeps; then
    (cd "$build" && cpack -G DEB -B "$scratch/package" >"$scratch/cpack.txt" 2>&1) ||
        { cat "$scratch/cpack.txt" >&2; exit 1; }
    deb=$(ls "$scratch"/package/cantavo_*.deb)
    depends=$(dpkg-deb -f "$deb" Depends)
    for library in libc6 libstdc++6 libsndfile1; do
        grep -q "$library" <<<"$depends" || fail "the package does not depend on $library: $depends"
    done
    dpkg -x "$deb" "$scratch/root"
    check_programs "$scratch/root/usr/bin"
    check_render "$scratch/root/usr"
fi

[ "$failures" -eq 0 ] || { echo "$failures failure(s)" >&2; exit 1; }
echo "installed tree and package: all checks passed"
