#!/usr/bin/env bash
# Packs this build tree as the Debian package and judges it: the files it holds and where, its
# dependencies, the paths written into the launcher and the polkit action, the desktop entry and the
# AppStream description by their validators, the manual pages by man, the shell completion by running
# it, and --version/--help of both programs without a display.
# Usage: check_package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "check_package: $*" >&2
    failures=$((failures + 1))
}

# --version and --help answer before anything needs a display.
for program in app/volmara cli/volmara-cli; do
    name=${program#*/}
    if ! out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$build/$program" --version 2>&1); then
        fail "$name --version failed: $out"
    elif ! [[ $out =~ ^$name\ [0-9]+\.[0-9]+\.[0-9]+\ \(built\ [0-9]{4}-[0-9]{2}-[0-9]{2}\)$ ]]; then
        fail "$name --version printed: $out"
    fi
    if ! out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$build/$program" --help 2>&1); then
        fail "$name --help failed: $out"
    elif [[ $out != "Usage: $name "* ]]; then
        fail "$name --help printed: $out"
    fi
done

# The package, unstripped and uncompressed to keep this quick.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" \
    -D CPACK_STRIP_FILES=OFF -D CPACK_DEBIAN_COMPRESSION_TYPE=none >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; exit 1; }
deb=$(ls "$work"/out/volmara_*.deb)
dpkg-deb -c "$deb" | awk '{ print $6 ($7 == "->" ? " -> " $8 : "") }' | sed 's|^\./|/|' >"$work/list"
expected=(
    /usr/bin/volmara
    /usr/bin/volmara-cli
    /usr/bin/volmara-convert
    /usr/bin/volmara-launcher
    /usr/share/applications/volmara.desktop
    /usr/share/icons/hicolor/256x256/apps/volmara.png
    /usr/share/metainfo/example.volmara.volmara.metainfo.xml
    /usr/share/polkit-1/actions/example.volmara.policy
    /usr/share/bash-completion/completions/volmara-cli
    /usr/share/man/man8/volmara.8.gz
    /usr/share/man/man8/volmara-cli.8.gz
    /usr/share/man/man8/volmara-convert.8.gz
    "/usr/share/man/man8/volmara-launcher.8.gz -> volmara.8.gz"
    /usr/share/doc/volmara/copyright
    /usr/share/doc/volmara/changelog.gz
)
for path in "${expected[@]}"; do
    grep -qxF "$path" "$work/list" || fail "the package lacks $path"
done
grep -q '^/usr/share/volmara/translations/qz_.*\.qm$' "$work/list" || fail "the package holds no translation"
if grep -v -e '^/usr/' -e '^/$' "$work/list" | grep -q .; then
    fail "files outside /usr: $(grep -v -e '^/usr/' -e '^/$' "$work/list" | tr '\n' ' ')"
fi
depends=$(dpkg-deb -f "$deb" Depends)
for dependency in libqt6widgets6 libblkid1 ntfs-3g e2fsprogs dosfstools udev; do
    [[ $depends == *"$dependency"* ]] || fail "Depends lacks $dependency: $depends"
done
dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -qx './postrm' || fail "the package has no postrm"

# What the package installs, judged where it would lie.
root=$work/root
dpkg-deb -x "$deb" "$root"
grep -q '<annotate key="org.freedesktop.policykit.exec.path">/usr/bin/volmara</annotate>' \
    "$root/usr/share/polkit-1/actions/example.volmara.policy" || fail "the polkit action does not name /usr/bin/volmara"
grep -q '<annotate key="org.freedesktop.policykit.exec.allow_gui">true</annotate>' \
    "$root/usr/share/polkit-1/actions/example.volmara.policy" || fail "the polkit action does not allow the display"
grep -qx 'program=/usr/bin/volmara' "$root/usr/bin/volmara-launcher" || fail "the launcher does not start /usr/bin/volmara"
out=$(desktop-file-validate "$root/usr/share/applications/volmara.desktop" 2>&1) || fail "desktop-file-validate: $out"
[[ -z $out ]] || fail "desktop-file-validate: $out"
out=$(appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/example.volmara.volmara.metainfo.xml" 2>&1) ||
    fail "appstreamcli validate: $out"
for page in volmara volmara-cli volmara-convert; do
    if ! text=$(MANWIDTH=100 man --warnings -l "$root/usr/share/man/man8/$page.8.gz" 2>"$work/man.err"); then
        fail "man cannot show $page.8"
    fi
    [[ ! -s $work/man.err ]] || fail "man warns on $page.8: $(cat "$work/man.err")"
    [[ $text == *"EXIT STATUS"* && $text == *VOLMARA_STATE_DIR* ]] || fail "$page.8 lacks its exit status or environment"
done

# The completion: options, commands, then inside a quoted line of run the command names and keys.
completion=$root/usr/share/bash-completion/completions/volmara-cli
names=$(bash -c 'source "$1"; for f in "${_volmara_cli_formats[@]}"; do echo "${f%% *}"; done' _ "$completion")
[[ $(wc -l <<<"$names") -eq 17 ]] || fail "the completion knows $(wc -l <<<"$names") command lines, not 17"
cli_page=$(MANWIDTH=200 man -l "$root/usr/share/man/man8/volmara-cli.8.gz" 2>/dev/null)
for name in $names; do
    [[ $cli_page == *"$name DiskIndex:"* ]] || fail "volmara-cli.8 does not give the format of $name"
done
complete_line() { # LINE WORDS: what the completion offers for the end of LINE, one per line
    bash -c '
        source /usr/share/bash-completion/bash_completion 2>/dev/null || exit 3
        source "$1"
        COMP_LINE=$2 COMP_POINT=${#2}
        eval "COMP_WORDS=($3)"
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        _volmara_cli 2>/dev/null
        printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$1" "$2"
}
while IFS='|' read -r line words want; do
    got=$(complete_line "$line" "$words" | sort | paste -sd ';')
    [[ $got == "$want" ]] || fail "completing [$line] offers [$got], not [$want]"
done <<'CASES'
volmara-cli |volmara-cli ''|apply;export;run
volmara-cli --in|volmara-cli --in|--in-use=
volmara-cli --in-use=r|volmara-cli --in-use=r|restart;retry
volmara-cli run "Change|volmara-cli run '"Change'|ChangeClusterSize;ChangePartitionID;ChangePartitionPrimary;ChangeSerialNumber
volmara-cli --disk a.img run "Hid|volmara-cli --disk a.img run '"Hid'|HidePartition DiskIndex:;HidePartition DiskIndex:0
volmara-cli run "HidePartition DiskIndex:0 P|volmara-cli run '"HidePartition DiskIndex:0 P'|HidePartition DiskIndex:0 PartitionIndex:;HidePartition DiskIndex:0 PartitionIndex:0
volmara-cli run "LabelPartition DiskIndex:0 PartitionIndex:1 |volmara-cli run '"LabelPartition DiskIndex:0 PartitionIndex:1 '|LabelPartition DiskIndex:0 PartitionIndex:1 Label:"
volmara-cli run "HidePartition DiskIndex:0 PartitionIndex:1 Unhide:0 |volmara-cli run '"HidePartition DiskIndex:0 PartitionIndex:1 Unhide:0 '|
CASES

((failures == 0)) || exit 1
echo "check_package: $(wc -l <"$work/list") entries in $(basename "$deb"), all checks passed"
