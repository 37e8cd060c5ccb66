#!/usr/bin/env bash
# Checks the Debian package as a workstation gets it: builds it (scripts/package.sh), unpacks it
# into a temporary root, and checks the layout, the dependencies, the menu entry and the manual
# pages, and tries postinst's functions on folders of its own with stand-ins for the account and
# override commands; then the unpacked bank tool prepares a sealed exam folder and the unpacked
# launcher, as an examinee's account (nobody), starts the program there, on a private X server,
# until its registration window shows. Runs as root. Nothing is written outside a temporary folder.
set -euo pipefail
# shellcheck source=lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

ensure_packages xvfb xdotool man-db desktop-file-utils dpkg-dev util-linux gcc libc6-dev systemd

package="$(bash "$REPO_ROOT/scripts/package.sh" | tail -n 1)"
echo "Checking $package"

work="$(mktemp -d)"
program_pid=""
xvfb_pid=""
service_pid=""
keeper_socket=/run/quorvane-keeper.socket
# A program that has already ended is no reason to leave the X server or the folder behind.
cleanup() {
    if [[ -n "$program_pid" ]]; then kill "$program_pid" 2>/dev/null || true; fi
    if [[ -n "$xvfb_pid" ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    if [[ -n "$service_pid" ]]; then
        kill "$service_pid" 2>/dev/null || true
        rm -f "$keeper_socket"
    fi
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
for need in adduser init-system-helpers libsqlite3-0 qt6-qpa-plugins fonts-liberation2 \
    fonts-dejavu-core libqt6widgets6 libmdb3; do
    check "the package depends on $need" depends_on "$need"
done
dpkg-deb -e "$package" "$work/control"
postinst="$work/control/postinst"
check "postinst makes the keeper's account" grep -q '^    make_keeper_account "quorvane"$' "$postinst"
no_override_made() { ! grep -n 'statoverride --update\|statoverride --add\|chmod [0-7]*[4-7][0-7][0-7][0-7] \|u+s\|g+s' "$postinst"; }
check "postinst makes nothing set-id" no_override_made
check "postinst enables the keeper's socket" grep -q '^    enable_keeper_socket$' "$postinst"
check "postinst seals the exam folder" \
    grep -q '^    seal_exam_folder "/var/lib/quorvane/exam" "quorvane"$' "$postinst"
check "postinst makes the pictures folder the program's pictures/ links to" \
    grep -q 'install -d -m 0755 "/var/lib/quorvane/pictures"' "$postinst"
check "postrm forgets an earlier keeper's override on purge" \
    grep -q 'dpkg-statoverride --remove "/usr/lib/quorvane/quorvane-keeper"' "$work/control/postrm"
check "postrm masks the socket on remove and purges it on purge" \
    grep -Pzq 'deb-systemd-helper mask .quorvane-keeper.socket.(.|\n)*deb-systemd-helper purge .quorvane-keeper.socket.' \
    "$work/control/postrm"
check "prerm stops the socket on remove where systemd runs" \
    grep -q "deb-systemd-invoke stop 'quorvane-keeper.socket'" "$work/control/prerm"
removes_only_on_purge() {
    # Everything that deletes stands inside the purge branch.
    awk '/^if \[ "\$1" = purge \]; then$/ { inside = 1 } /^fi$/ { inside = 0 }
        /rmdir|rm |--remove/ && !inside { print; bad = 1 } END { exit bad }' "$work/control/postrm"
}
check "postrm removes nothing but on purge, so apt remove keeps the banks" removes_only_on_purge

# --- postinst's functions, sourced into a shell whose PATH begins with stand-ins for getent,
# adduser, addgroup and dpkg-statoverride that log their calls, on folders of a fake layout.
fakes="$work/fakes"
mkdir "$fakes"
for command in adduser addgroup dpkg-statoverride deb-systemd-helper deb-systemd-invoke systemctl; do
    printf '#!/bin/sh\necho "%s $*" >>"$FAKE_LOG"\n' "$command" >"$fakes/$command"
done
# getent answers from $FAKE_ACCOUNTS (lines of passwd or group, by database), else nothing.
cat >"$fakes/getent" <<'FAKE'
#!/bin/sh
grep "^$1 $2:" "$FAKE_ACCOUNTS" 2>/dev/null | cut -d' ' -f2- | grep . || exit 2
FAKE
# dpkg-statoverride --list finds the override when $FAKE_OVERRIDE is set.
cat >>"$fakes/dpkg-statoverride" <<'FAKE'
[ "$1" = --list ] && [ -z "${FAKE_OVERRIDE:-}" ] && exit 1
exit 0
FAKE
# deb-systemd-helper was-enabled says the socket was disabled when $FAKE_DISABLED is set.
cat >>"$fakes/deb-systemd-helper" <<'FAKE'
[ "$2" = was-enabled ] && [ -n "${FAKE_DISABLED:-}" ] && exit 1
exit 0
FAKE
chmod +x "$fakes"/*
# postinst_function FUNCTION ARGUMENTS...: runs one of postinst's functions, as dpkg's sh does.
postinst_function() {
    : >"$work/fake.log"
    FAKE_LOG="$work/fake.log" FAKE_ACCOUNTS="$work/accounts" PATH="$fakes:$PATH" \
        sh -ec '. "$0"; "$@"' "$postinst" "$@"
}
makes_system_account() {
    : >"$work/accounts"
    postinst_function make_keeper_account quorvane
    cat "$work/fake.log"
    grep -q '^addgroup --quiet --system quorvane$' "$work/fake.log" &&
        grep -q '^adduser .*--system --ingroup quorvane --no-create-home --home /nonexistent .*quorvane$' \
            "$work/fake.log"
}
check "postinst makes the keeper's system group and account when missing" makes_system_account
keeps_system_account() {
    printf '%s\n' 'group quorvane:x:120:' 'passwd quorvane:x:110:120::/nonexistent:/usr/sbin/nologin' \
        >"$work/accounts"
    postinst_function make_keeper_account quorvane
    test ! -s "$work/fake.log"
}
check "postinst leaves the keeper's system account as it is" keeps_system_account
refuses_person() {
    local status=0
    printf '%s\n' "$1" >"$work/accounts"
    postinst_function make_keeper_account quorvane 2>"$work/refusal" || status=$?
    cat "$work/refusal" "$work/fake.log"
    test "$status" -eq 1 && grep -q 'quorvane' "$work/refusal" && grep -q 'не системная' "$work/refusal" &&
        test ! -s "$work/fake.log"
}
check "postinst stops at a person's account named quorvane" \
    refuses_person 'passwd quorvane:x:1001:1001::/home/quorvane:/bin/bash'
check "postinst stops at a person's group named quorvane" refuses_person 'group quorvane:x:1001:'
# An upgrade from the set-id layout: preinst removes the override before dpkg unpacks the new
# keeper with it; with none, it changes nothing.
removes_old_override() {
    : >"$work/fake.log"
    FAKE_LOG="$work/fake.log" FAKE_OVERRIDE=yes PATH="$fakes:$PATH" \
        sh -e "$work/control/preinst" upgrade 0.1
    grep -qx 'dpkg-statoverride --remove /usr/lib/quorvane/quorvane-keeper' "$work/fake.log" ||
        { cat "$work/fake.log"; return 1; }
    : >"$work/fake.log"
    FAKE_LOG="$work/fake.log" PATH="$fakes:$PATH" sh -e "$work/control/preinst" upgrade 0.1
    ! grep -q -- --remove "$work/fake.log"
}
check "preinst removes the set-id override of an earlier version before the unpack" \
    removes_old_override
# dpkg unpacks the new keeper with the override it read before preinst removed it: postinst gives
# the keeper back root's 0755, and leaves a keeper already so alone.
unsets_set_id() {
    install -o nobody -g nogroup -m 6755 /dev/null "$work/keeper"
    postinst_function drop_keeper_set_id "$work/keeper"
    test "$(stat -c %a:%U:%G "$work/keeper")" = 755:root:root || { stat -c %a:%U:%G "$work/keeper"; return 1; }
    FAKE_OVERRIDE=yes postinst_function drop_keeper_set_id "$work/keeper"
    grep -qx "dpkg-statoverride --remove $work/keeper" "$work/fake.log"
}
check "postinst makes a keeper unpacked set-id root's 0755 again" unsets_set_id
check "postinst drops the keeper's set-id bits on every configure" \
    grep -q '^    drop_keeper_set_id "/usr/lib/quorvane/quorvane-keeper"$' "$postinst"

# As dh_installsystemd does: enabled on install, left disabled when the administrator disabled it.
enables_socket() {
    postinst_function enable_keeper_socket
    grep -qx "deb-systemd-helper enable quorvane-keeper.socket" "$work/fake.log" ||
        { cat "$work/fake.log"; return 1; }
    FAKE_DISABLED=yes postinst_function enable_keeper_socket
    grep -qx "deb-systemd-helper update-state quorvane-keeper.socket" "$work/fake.log" &&
        ! grep -q " enable " "$work/fake.log"
}
check "postinst enables the socket, or keeps it disabled when it was" enables_socket

group="$(id -gn)"
layout="$work/layout"
mkdir -m 0755 "$layout"
# The open layout of earlier versions: anyone could put anything in the exam folder, a link to
# another file too; the folder goes aside whole, and nothing in it is changed.
moves_open_folder_aside() {
    mkdir -m 1777 "$layout/exam"
    printf 'bank' >"$layout/exam/data.mdb"
    chmod 0666 "$layout/exam/data.mdb"
    printf 'victim' >"$work/victim"
    chmod 0640 "$work/victim"
    ln -s "$work/victim" "$layout/exam/data.mdb-journal"
    postinst_function seal_exam_folder "$layout/exam" "$group" 2>"$work/told"
    cat "$work/told"
    local aside=("$layout"/exam.open-*)
    test "${#aside[@]}" -eq 1 && test -d "${aside[0]}" &&
        test "$(stat -c %a "${aside[0]}")" = 700 &&
        test "$(stat -c %a "${aside[0]}/data.mdb")" = 666 &&
        test "$(stat -c %a:%G "$work/victim")" = "640:$(id -gn)" &&
        test "$(stat -c %a:%U:%G "$layout/exam")" = "2771:root:$group" &&
        test -z "$(ls -A "$layout/exam")" &&
        grep -q 'quorvane-bank prepare' "$work/told"
}
check "postinst moves an open exam folder aside whole and makes a sealed one" moves_open_folder_aside
keeps_sealed_folder() {
    rm -rf "$layout"/exam*
    install -d -o root -g "$group" -m 2771 "$layout/exam"
    printf 'bank' >"$layout/exam/data.mdb"
    chmod 0660 "$layout/exam/data.mdb"
    postinst_function seal_exam_folder "$layout/exam" "$group" 2>"$work/told"
    cat "$work/told"
    test "$(ls -A "$layout")" = exam && test ! -s "$work/told" &&
        test "$(stat -c %a:%G "$layout/exam")" = "2771:$group" &&
        test "$(cat "$layout/exam/data.mdb")" = bank
}
check "postinst keeps a sealed exam folder and its bank on upgrade" keeps_sealed_folder
makes_sealed_folder() {
    rm -rf "$layout"/exam*
    postinst_function seal_exam_folder "$layout/exam" "$group"
    test "$(stat -c %a:%U:%G "$layout/exam")" = "2771:root:$group"
}
check "postinst makes a sealed exam folder on a first install" makes_sealed_folder
# A member of the keeper's group may rename names in the sealed folder: while postinst runs, one
# swaps the bank with a link to a file of root's, as fast as the kernel lets it. The file behind
# the link must come out as it was, and the bank root put there by hand still sealed.
cat >"$work/swapper.c" <<'SWAPPER'
#define _GNU_SOURCE
#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>
/* swapper A B SECONDS: exchanges the names A and B until killed, for SECONDS at most. */
int main(int argc, char **argv)
{
    if (argc != 4)
        return 2;
    const time_t end = time(NULL) + atoi(argv[3]);
    while (time(NULL) < end)
        if (syscall(SYS_renameat2, AT_FDCWD, argv[1], AT_FDCWD, argv[2], RENAME_EXCHANGE) != 0) {
            perror("renameat2");
            return 1;
        }
    return 0;
}
SWAPPER
swap_loop_leaves_outside_file() {
    local swapper_pid status=0 runs=0 other
    other="$(getent group nogroup >/dev/null && echo nogroup || echo daemon)"
    cc -O2 -o "$work/swapper" "$work/swapper.c"
    rm -rf "$layout"/exam*
    install -d -o root -g "$other" -m 2771 "$layout/exam"
    printf 'bank' >"$layout/exam/data.mdb"
    chmod 0644 "$layout/exam/data.mdb"
    printf 'root only' >"$work/root-only"
    chmod 0600 "$work/root-only"
    ln -s "$work/root-only" "$layout/exam/swapped"
    "$work/swapper" "$layout/exam/data.mdb" "$layout/exam/swapped" 20 &
    swapper_pid=$!
    local until=$((SECONDS + 15))
    while ((runs < 400 && SECONDS < until)); do
        postinst_function seal_exam_folder "$layout/exam" "$other" || status=$?
        runs=$((runs + 1))
    done
    kill "$swapper_pid" 2>/dev/null || true
    wait "$swapper_pid" 2>/dev/null || true
    echo "postinst ran $runs times, last status $status"
    stat -c '%n %a %U:%G' "$work/root-only" "$layout/exam"/*
    local bank
    bank="$(find "$layout/exam" -maxdepth 1 -type f)"
    test "$status" -eq 0 &&
        test "$(stat -c %a:%U:%G "$work/root-only")" = "600:root:root" &&
        test "$(stat -c %a:%G "$bank")" = "660:$other" && test "$(cat "$bank")" = bank
}
check "postinst changes no file behind a link swapped into the exam folder" \
    swap_loop_leaves_outside_file
# Where hard links to others' files are allowed, one can be made in the folder: a second name
# means the file is not a bank root put there, and it is left as it is, as is a staff member's.
leaves_second_names_alone() {
    rm -rf "$layout"/exam*
    install -d -o root -g "$group" -m 2771 "$layout/exam"
    printf 'root only' >"$work/linked"
    chmod 0600 "$work/linked"
    ln "$work/linked" "$layout/exam/data.mdb"
    postinst_function seal_exam_folder "$layout/exam" "$group"
    test "$(stat -c %a "$work/linked")" = 600 || return 1
    rm "$layout/exam/data.mdb"
    install -o nobody -m 0640 /dev/null "$layout/exam/data.mdb"
    postinst_function seal_exam_folder "$layout/exam" "$group"
    test "$(stat -c %a:%U "$layout/exam/data.mdb")" = 640:nobody
}
check "postinst leaves a file with a second name, or another account's, alone" \
    leaves_second_names_alone

# --- The layout. Every file is root's and without set-id bits, the keeper too.
listing="$(dpkg-deb -c "$package")"
all_roots() { ! grep -v ' root/root ' <<<"$listing"; }
check "every file in the package is root's" all_roots
no_set_id() { ! awk '$1 ~ /[sS]/' <<<"$listing" | grep .; }
check "no file in the package is set-id" no_set_id
if grep -q '/usr/lib/quorvane/quorvane-keeper$' <<<"$listing"; then
    check "the keeper is shipped 0755 root:root" \
        grep -Eq '^-rwxr-xr-x root/root .* \./usr/lib/quorvane/quorvane-keeper$' <<<"$listing"
fi
# The keeper the tests start runs on a clock they move; it is theirs alone.
no_test_clock() {
    ! grep -q 'quorvane-keeper-test-clock' <<<"$listing" &&
        ! grep -aq 'файл часов теста' "$program_dir/quorvane-keeper"
}
check "the installed keeper has no clock the tests could move" no_test_clock
is_link() { test "$(readlink "$root/$1")" = "$2" || { echo "$1 -> $(readlink "$root/$1")"; false; }; }
stripped() { test -x "$1" && ! readelf -S "$1" | grep -q '\.symtab'; }
check "the program is in its own folder, executable and stripped" stripped "$program_dir/quorvane"
check "the bank tool is beside it, executable and stripped" stripped "$program_dir/quorvane-bank"
check "the Access reader is beside the bank tool, executable and stripped" stripped \
    "$program_dir/quorvane-jet-read"
check "the bank editor is beside it, executable and stripped" stripped "$program_dir/quorvane-editor"
check "the launcher is beside it" test -x "$program_dir/quorvane-start"
check "bin/quorvane links to the program" is_link usr/bin/quorvane ../lib/quorvane/quorvane
check "bin/quorvane-bank links to the bank tool" \
    is_link usr/bin/quorvane-bank ../lib/quorvane/quorvane-bank
check "bin/quorvane-editor links to the bank editor" \
    is_link usr/bin/quorvane-editor ../lib/quorvane/quorvane-editor
check "the program's pictures/ links to the state folder" \
    is_link usr/lib/quorvane/pictures /var/lib/quorvane/pictures
# The keeper's units are the one exception: Debian's systemd reads them from /lib/systemd/system.
outside_usr() {
    test "$(find "$root" -mindepth 1 -maxdepth 1 -printf '%f\n' | sort | tr '\n' ' ')" = "lib usr " &&
        test "$(cd "$root/lib" && find . -type f | sort | tr '\n' ' ')" = \
            "./systemd/system/quorvane-keeper.socket ./systemd/system/quorvane-keeper@.service "
}
check "nothing is installed outside /usr but the keeper's units" outside_usr
no_runpath() {
    local program status=0
    for program in "$program_dir"/quorvane "$program_dir"/quorvane-*; do
        [ -f "$program" ] && head -c 4 "$program" | grep -q ELF || continue
        if readelf -d "$program" | grep -E 'RUNPATH|RPATH'; then
            echo "$program"
            status=1
        fi
    done
    return "$status"
}
check "no installed program carries a RUNPATH" no_runpath
units="$root/lib/systemd/system"
# verify starts the units' dependencies too: the system's targets and slices stand in for them, in
# a copy of the unpacked root. Any word from it (an unknown setting is only a warning) fails.
units_verify() {
    local verify="$work/verify-root" said
    cp -a "$root" "$verify"
    cp -a /lib/systemd/system/*.target /lib/systemd/system/*.slice "$verify/lib/systemd/system/"
    said="$(systemd-analyze verify --man=no --root="$verify" \
        "$verify/lib/systemd/system/quorvane-keeper.socket" \
        "$verify/lib/systemd/system/quorvane-keeper@.service" 2>&1)" || { echo "$said"; return 1; }
    test -z "$said" || { echo "$said"; false; }
}
check "the units pass systemd-analyze verify" units_verify
unit_says() { grep -qx "$2" "$units/$1" || { echo "$1 lacks $2"; false; }; }
for line in 'Accept=yes' 'SocketMode=0666' 'TriggerLimitIntervalSec=0' 'MaxConnections=8' \
    'ListenStream=/run/quorvane-keeper.socket'; do
    check "the socket unit says $line" unit_says quorvane-keeper.socket "$line"
done
for line in 'User=quorvane' 'Group=quorvane' 'NoNewPrivileges=yes' 'ProtectSystem=strict' \
    'ReadWritePaths=-/var/lib/quorvane/exam' 'PrivateTmp=yes' 'PrivateNetwork=yes' \
    'RestrictAddressFamilies=AF_UNIX' 'SyslogIdentifier=quorvane-keeper' \
    'ExecStart=/usr/lib/quorvane/quorvane-keeper /var/lib/quorvane/exam'; do
    check "the keeper's unit says $line" unit_says quorvane-keeper@.service "$line"
done
check "the keeper's unit never hands it a state folder" \
    bash -c "! grep -q StateDirectory '$units/quorvane-keeper@.service'"
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

editor_desktop="$root/usr/share/applications/quorvane-editor.desktop"
check "the editor's menu entry is valid" desktop-file-validate "$editor_desktop"
check "the editor's menu entry is in Education and opens the file it is given" \
    grep -q '^Exec=quorvane-editor %f$' "$editor_desktop"
check "the editor's menu entry has a Russian name" grep -q '^Name\[ru\]=Редактор' "$editor_desktop"

# --- The manual pages: rendered, without a warning from the formatter.
renders() {
    local out
    out="$(MANWIDTH=80 man -l --warnings "$1" 2>&1 >/dev/null)"
    test -z "$out" || { echo "$out"; false; }
    MANWIDTH=80 man -l "$1" | grep -q "$2"
}
check "quorvane(1) renders" renders "$root/usr/share/man/man1/quorvane.1.gz" "EXIT STATUS"
check "quorvane-bank(1) renders" renders "$root/usr/share/man/man1/quorvane-bank.1.gz" prepare
check "quorvane-editor(1) renders" renders "$root/usr/share/man/man1/quorvane-editor.1.gz" KEYS

# --- The bank tool prepares an exam folder. The unpacked pictures/ would lead into the real
# state folder, so it becomes a folder of the temporary root first. The keeper's group is not
# made here: the bank is sealed for root's own.
rm "$program_dir/pictures"
mkdir "$program_dir/pictures"
exam="$work/exam"
mkdir "$exam"
sample="$root/usr/share/quorvane/sample/data.mdb"
check "the bank tool shows the project's version" \
    grep -q "$version" <("$program_dir/quorvane-bank" --version 2>&1)
if ! getent group quorvane >/dev/null; then
    refuses_without_group() {
        local status=0
        "$program_dir/quorvane-bank" prepare "$sample" "$exam" 2>"$work/refusal" || status=$?
        cat "$work/refusal"
        test "$status" -eq 1 && grep -q 'пакет quorvane' "$work/refusal" && test ! -e "$exam/data.mdb"
    }
    check "without the keeper's group the bank tool refuses, naming the package" refuses_without_group
fi
check "the bank tool prepares the exam folder with the sample bank" \
    "$program_dir/quorvane-bank" prepare --group "$group" "$sample" "$exam"
check "the prepared bank is the sample bank" cmp "$sample" "$exam/data.mdb"
check "the prepared bank is sealed: root's and its group's only" \
    test "$(stat -c %a:%U:%G "$exam/data.mdb")" = "660:root:$group"
check "the exam folder is sealed: examinees pass but neither list nor create" \
    test "$(stat -c %a:%U:%G "$exam")" = "2771:root:$group"
check "the sample bank's pictures are where the program reads them" \
    diff -r "$root/usr/share/quorvane/sample/pictures" "$program_dir/pictures"
prepare_again() {
    local status=0
    "$program_dir/quorvane-bank" prepare --group "$group" "$sample" "$exam" || status=$?
    test "$status" -eq 1 && cmp "$sample" "$exam/data.mdb"
}
check "preparing again without --replace is refused and leaves the bank" prepare_again

# --- The keeper's service as its units run it, without a running systemd: systemd-socket-activate
# listens where quorvane-keeper.socket does and starts one keeper per connection as the keeper's
# account (here nobody, in the exam folder's group). A scripted client, as an attacker would
# write one, runs as an examinee.
chmod 0711 "$work"
gcc -O2 -Wall -o "$work/keeper_client" "$REPO_ROOT/scripts/lib/keeper_client.c"
examinee_client=(setpriv --reuid=nobody --regid=nogroup --clear-groups "$work/keeper_client")
refuses_without_socket() {
    local status=0
    setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env \
        "$program_dir/quorvane-start" "$exam" 2>"$work/refusal" || status=$?
    cat "$work/refusal"
    test "$status" -eq 1 && grep -q 'quorvane-keeper.socket' "$work/refusal"
}
if [[ -e "$keeper_socket" ]]; then
    echo "NOTE: $keeper_socket is there already (an installed service?); the run through the"
    echo "      service started here is not tried"
else
    check "the launcher refuses while the keeper's socket is missing" refuses_without_socket
    systemd-socket-activate --accept --listen="$keeper_socket" \
        setpriv --reuid=nobody --regid="$group" --init-groups \
        "$program_dir/quorvane-keeper" "$exam" 2>"$work/keeper.log" &
    service_pid=$!
    for _ in $(seq 100); do
        [[ -S "$keeper_socket" ]] && break
        sleep 0.1
    done
    chmod 0666 "$keeper_socket"
    "${examinee_client[@]}" run "$keeper_socket" "$exam" >"$work/run.log" 2>&1 || true
    cat "$work/run.log"
    run_takes_forty_seconds() {
        cat "$work/run.log"
        grep -qx 'last: COUNTED [0-9]*' "$work/run.log" &&
            awk '/^seconds:/ { exit !($2 >= 40) }' "$work/run.log"
    }
    check "a scripted run through the service is counted and takes 40 s at least" \
        run_takes_forty_seconds
    check "a second session meanwhile is refused at once, as a locked bank" \
        grep -qx 'second: ERROR 3050' "$work/run.log"
    check "the service's log has the session's line with the examinee's account" \
        grep -q 'quorvane-keeper: сеанс: учётная запись nobody (uid 65534), демонстрация, .*вопросов задано 40, верных ответов: [0-9]' \
        "$work/keeper.log"
fi
# Started by hand as another account, as systemd would hand it a connection, the keeper opens
# nothing: the folder and the bank are not that account's.
hand_started_gets_no_bank() {
    setpriv --reuid=65533 --regid=65533 --clear-groups "$work/keeper_client" hand \
        "$program_dir/quorvane-keeper" "$exam" >"$work/hand.log" 2>&1
    cat "$work/hand.log"
    grep -q '^hand: ERROR ' "$work/hand.log"
}
check "a keeper started by hand as an examinee gets no bank" hand_started_gets_no_bank
refuses_set_id_start() {
    local status=0
    install -o nobody -m 4755 "$program_dir/quorvane-keeper" "$work/set-id-keeper"
    setpriv --reuid=65533 --regid=65533 --clear-groups "$work/set-id-keeper" "$exam" \
        2>"$work/refusal" || status=$?
    cat "$work/refusal"
    test "$status" -eq 2 && grep -q 'set-id' "$work/refusal"
}
if findmnt -no OPTIONS --target "$work" | grep -qw nosuid; then
    echo "NOTE: $work is mounted nosuid; a set-id copy of the keeper is not tried"
else
    check "a set-id copy of the keeper refuses to run" refuses_set_id_start
fi
# The sandbox the unit names needs a running systemd: in a container where one can boot.
if command -v systemd-nspawn >/dev/null 2>&1 && [[ -d /run/systemd/system ]]; then
    echo "NOTE: systemd runs here, but booting the package in a container is not scripted yet"
else
    echo "NOTE: this machine cannot boot systemd in a container (no systemd-nspawn or no"
    echo "      running systemd): the units' sandbox is checked by systemd-analyze verify only"
fi

# --- The launcher refuses a folder without a bank, with a message and without a display.
refuses_empty_folder() {
    local status=0
    mkdir -p "$work/empty"
    env -u DISPLAY "$program_dir/quorvane-start" "$work/empty" 2>"$work/refusal" || status=$?
    cat "$work/refusal"
    test "$status" -eq 1 && grep -q 'нет файла data.mdb' "$work/refusal"
}
check "the launcher refuses a folder without data.mdb" refuses_empty_folder
# Root reads every file: to it the sealed bank is as open as a bank of the open layout.
refuses_readable_bank() {
    local status=0
    env -u DISPLAY "$program_dir/quorvane-start" "$exam" 2>"$work/refusal" || status=$?
    cat "$work/refusal"
    test "$status" -eq 1 && grep -q 'quorvane-bank prepare' "$work/refusal"
}
check "the launcher refuses a bank the account can read" refuses_readable_bank

# --- The program, started by the launcher as an examinee's account and through its link in bin/,
# shows its registration window (422x219) on a private X server, having resolved its own folder
# through the link. The examinee passes through the temporary folder to the program and the exam.
examinee=(setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env)
# -noreset: by default the server starts afresh when its last client goes, and a program that
# connects meanwhile (the next one started here) is refused.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
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
    test "$(readlink "/proc/$program_pid/cwd" 2>&1)" = "$exam" &&
        test "$(readlink "/proc/$program_pid/exe")" = "$program_dir/quorvane"
}
# Under set -e a failed kill would end the whole test, and the failing check of a program that
# died early is what the summary is for.
stop_program() {
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
    program_pid=""
}

"${examinee[@]}" env DISPLAY="$DISPLAY" "$program_dir/quorvane-start" "$exam" 2>"$work/program.log" &
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

# --- The bank editor, as a staff account of no privilege, on the private X server.
editor="$root/usr/bin/quorvane-editor"
check "the bank editor shows the project's version" grep -q "$version" <("$editor" --version 2>&1)
refuses_two_files() {
    local status=0
    "$editor" "$sample" "$sample" 2>"$work/refusal" || status=$?
    cat "$work/refusal"
    test "$status" -eq 2 && grep -q 'только один файл' "$work/refusal"
}
check "the bank editor refuses two files as wrong usage, status 2" refuses_two_files
# start_editor FILE: starts the editor on FILE as the staff account.
start_editor() {
    "${examinee[@]}" env DISPLAY="$DISPLAY" HOME="$work/editor-home" "$editor" "$1" \
        2>"$work/editor.log" &
    program_pid=$!
}
# editor_shows PATTERN: a visible window of the editor whose title matches PATTERN, in 30 s.
editor_shows() {
    for _ in $(seq 60); do
        if ! kill -0 "$program_pid" 2>/dev/null; then
            echo "the editor ended:"
            cat "$work/editor.log"
            return 1
        fi
        xdotool search --onlyvisible --pid "$program_pid" --name "$1" >/dev/null 2>&1 && return 0
        sleep 0.5
    done
    echo "no editor window titled $1 in 30 s"
    xdotool search --onlyvisible --pid "$program_pid" getwindowname %@ 2>&1
    return 1
}
still_running() {
    sleep 3
    kill -0 "$program_pid" 2>/dev/null || { echo "the editor ended:"; cat "$work/editor.log"; false; }
}
install -d -o nobody -g nogroup -m 0700 "$work/editor-home"
# The sample bank in a folder the account owns, so that anything the editor wrote on opening,
# to the bank or beside it, would be there to see.
editing="$work/editing"
install -d -o nobody -g nogroup -m 0755 "$editing"
install -o nobody -g nogroup -m 0644 "$sample" "$editing/data.mdb"
start_editor "$editing/data.mdb"
check "the bank editor opens the bank given and names it in its title" editor_shows 'editing/data\.mdb'
check "the bank editor is still running 3 s after it showed the bank" still_running
stop_program
check "opening a bank in the editor leaves it as it was" cmp "$sample" "$editing/data.mdb"
leaves_folder() {
    if test "$(ls -A "$editing")" != data.mdb ||
        test "$(stat -c %a:%U "$editing/data.mdb")" != 644:nobody; then
        ls -lA "$editing"
        return 1
    fi
}
check "opening a bank in the editor writes nothing beside it and keeps its mode" leaves_folder
# The sealed bank of the exam folder is not the account's to read: the editor says so and stays
# open with a new bank.
start_editor "$exam/data.mdb"
check "the bank editor says it cannot open a sealed bank" editor_shows 'не открыт'
check "after that the bank editor stays open with a new bank" editor_shows 'Новый банк'
check "the bank editor is still running 3 s later" still_running
stop_program
check "the refused sealed bank is left as it was" cmp "$sample" "$exam/data.mdb"

echo "package: $passed passed, $failed failed"
test "$failed" -eq 0
