#!/usr/bin/env bash
# Checks the Debian package as a workstation gets it: builds it (scripts/package.sh), unpacks it
# into a temporary root, and checks the layout, the dependencies, the menu entry and the manual
# pages; then the unpacked bank tool prepares an exam folder and the unpacked launcher starts the
# program there, on a private X server, until its registration window shows.
# Nothing is written outside a temporary folder.
set -euo pipefail
# shellcheck source=lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

ensure_packages xvfb xdotool man-db desktop-file-utils dpkg-dev

package="$(bash "$REPO_ROOT/scripts/package.sh" | tail -n 1)"
echo "Checking $package"

work="$(mktemp -d)"
program_pid=""
xvfb_pid=""
cleanup() {
    [[ -n "$program_pid" ]] && kill "$program_pid" 2>/dev/null
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
# check DESCRIPTION COMMAND...: runs the command and counts it.
check() {
    local description="$1"
    shift
    if "$@" >"$work/check.log" 2>&1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $description" >&2
        sed 's/^/    /' "$work/check.log" >&2
    fi
}

root="$work/root"
dpkg-deb -x "$package" "$root"
program_dir="$root/usr/lib/quorvane"
version="$(sed -n 's/^project(Quorvane VERSION \([0-9.]*\).*/\1/p' "$REPO_ROOT/CMakeLists.txt")"

# --- The package's control data.
field() { dpkg-deb -f "$package" "$1"; }
check "the package is quorvane at the project's version $version" \
    test "$(field Package) $(field Version)" = "quorvane $version"
depends="$(field Depends)"
depends_on() { grep -Eq "(^|, )$1( |,|$)" <<<"$depends" || { echo "Depends: $depends"; false; }; }
# What Qt loads at run time, the fonts of the layouts, and what the programs link.
for need in libqt6sql6-sqlite qt6-qpa-plugins fonts-liberation2 fonts-dejavu-core \
    libqt6widgets6 libmdb3; do
    check "the package depends on $need" depends_on "$need"
done
dpkg-deb -e "$package" "$work/control"
check "postinst makes the exam folder writable by every examinee" \
    grep -q 'install -d -m 1777 "/var/lib/quorvane/exam"' "$work/control/postinst"
check "postinst makes the pictures folder the program's pictures/ links to" \
    grep -q 'install -d -m 0755 "/var/lib/quorvane/pictures"' "$work/control/postinst"

# --- The layout.
is_link() { test "$(readlink "$root/$1")" = "$2" || { echo "$1 -> $(readlink "$root/$1")"; false; }; }
stripped() { test -x "$1" && ! readelf -S "$1" | grep -q '\.symtab'; }
check "the program is in its own folder, executable and stripped" stripped "$program_dir/quorvane"
check "the bank tool is beside it, executable and stripped" stripped "$program_dir/quorvane-bank"
check "the Access reader is beside the bank tool, executable and stripped" stripped \
    "$program_dir/quorvane-jet-read"
check "the launcher is beside it" test -x "$program_dir/quorvane-start"
check "bin/quorvane links to the program" is_link usr/bin/quorvane ../lib/quorvane/quorvane
check "bin/quorvane-bank links to the bank tool" \
    is_link usr/bin/quorvane-bank ../lib/quorvane/quorvane-bank
check "the program's pictures/ links to the state folder" \
    is_link usr/lib/quorvane/pictures /var/lib/quorvane/pictures
check "nothing is installed outside /usr" \
    test "$(find "$root" -mindepth 1 -maxdepth 1 -printf '%f\n')" = usr
check "the sample bank is installed" test -s "$root/usr/share/quorvane/sample/data.mdb"
sample_pictures() {
    (cd "$REPO_ROOT/data/bank/pictures" && ls ./*.bmp) >"$work/expected"
    (cd "$root/usr/share/quorvane/sample/pictures" && ls ./*.bmp) | diff "$work/expected" -
}
check "the sample bank's pictures are installed beside it" sample_pictures
for size in 16 32 48 64 128 256; do
    check "the ${size}px icon is installed" \
        test -s "$root/usr/share/icons/hicolor/${size}x${size}/apps/quorvane.png"
done
check "the scalable icon is installed" \
    test -s "$root/usr/share/icons/hicolor/scalable/apps/quorvane.svg"
check "the copyright file is installed" test -s "$root/usr/share/doc/quorvane/copyright"

# --- The menu entry.
desktop="$root/usr/share/applications/quorvane.desktop"
check "the menu entry is valid" desktop-file-validate "$desktop"
exec_in_package() {
    local command
    command="$(sed -n 's/^Exec=//p' "$desktop")"
    test -x "$root$command" || { echo "Exec=$command is not in the package"; false; }
}
check "the menu entry starts the launcher of the package" exec_in_package
check "the menu entry has a Russian name and comment" \
    grep -q '^Comment\[ru\]=Экзамен' "$desktop"

# --- The manual pages: rendered, without a warning from the formatter.
renders() {
    local out
    out="$(MANWIDTH=80 man -l --warnings "$1" 2>&1 >/dev/null)"
    test -z "$out" || { echo "$out"; false; }
    MANWIDTH=80 man -l "$1" | grep -q "$2"
}
check "quorvane(1) renders" renders "$root/usr/share/man/man1/quorvane.1.gz" "EXIT STATUS"
check "quorvane-bank(1) renders" renders "$root/usr/share/man/man1/quorvane-bank.1.gz" prepare

# --- The bank tool prepares an exam folder. The unpacked pictures/ would lead into the real
# state folder, so it becomes a folder of the temporary root first.
rm "$program_dir/pictures"
mkdir "$program_dir/pictures"
exam="$work/exam"
mkdir "$exam"
sample="$root/usr/share/quorvane/sample/data.mdb"
check "the bank tool shows the project's version" \
    grep -q "$version" <("$program_dir/quorvane-bank" --version 2>&1)
check "the bank tool prepares the exam folder with the sample bank" \
    "$program_dir/quorvane-bank" prepare "$sample" "$exam"
check "the prepared bank is the sample bank" cmp "$sample" "$exam/data.mdb"
check "every examinee may write the prepared bank's record" \
    test "$(stat -c %A "$exam/data.mdb" 2>&1 | cut -c 9)" = w
check "the sample bank's pictures are where the program reads them" \
    diff -r "$root/usr/share/quorvane/sample/pictures" "$program_dir/pictures"
prepare_again() {
    local status=0
    "$program_dir/quorvane-bank" prepare "$sample" "$exam" || status=$?
    test "$status" -eq 1 && cmp "$sample" "$exam/data.mdb"
}
check "preparing again without --replace is refused and leaves the bank" prepare_again

# --- The launcher refuses a folder without a bank, with a message and without a display.
refuses_empty_folder() {
    local status=0
    mkdir -p "$work/empty"
    env -u DISPLAY "$program_dir/quorvane-start" "$work/empty" 2>"$work/refusal" || status=$?
    cat "$work/refusal"
    test "$status" -eq 1 && grep -q 'нет файла data.mdb' "$work/refusal"
}
check "the launcher refuses a folder without data.mdb" refuses_empty_folder

# --- The program, started by the launcher and through its link in bin/, shows its registration
# window (422x219) on a private X server, having resolved its own folder through the link.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do
    [[ -s "$work/display" ]] && break
    sleep 0.1
done
DISPLAY=":$(cat "$work/display")"
export DISPLAY
registration_window() {
    local window
    for _ in $(seq 60); do
        if ! kill -0 "$program_pid" 2>/dev/null; then
            echo "the program ended:"
            cat "$work/program.log"
            return 1
        fi
        for window in $(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null); do
            xdotool getwindowgeometry "$window" | grep -q 'Geometry: 422x219' && return 0
        done
        sleep 0.5
    done
    echo "no registration window in 30 s"
    return 1
}
in_exam_folder_from_program_folder() {
    test "$(readlink "/proc/$program_pid/cwd")" = "$exam" &&
        test "$(readlink "/proc/$program_pid/exe")" = "$program_dir/quorvane"
}
stop_program() {
    kill "$program_pid" 2>/dev/null
    wait "$program_pid" 2>/dev/null || true
    program_pid=""
}

"$program_dir/quorvane-start" "$exam" 2>"$work/program.log" &
program_pid=$!
check "the launcher starts the program and its registration window shows" registration_window
check "the launcher started the program in the exam folder" in_exam_folder_from_program_folder
stop_program

(cd "$exam" && exec "$root/usr/bin/quorvane") 2>"$work/program.log" &
program_pid=$!
check "the program started through bin/quorvane shows its registration window" registration_window
check "through the link the program finds its own folder, where pictures/ is" \
    in_exam_folder_from_program_folder
stop_program

echo "package: $passed passed, $failed failed"
test "$failed" -eq 0
