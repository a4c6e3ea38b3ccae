#!/bin/bash
# Exports with --render and a preview, run through run.cmd by a Windows command processor,
# with the stand-in renderer (standin_renderer.cpp) in place of the renderer's programs; checks
# that each start got what run.cmd promises: the program, the folder, the arguments, the
# priority, in frame order.
#
#   run_script_test.sh VEXLOR HANDLER PLUGINS STANDINS SCRATCH
#     VEXLOR    the command that runs vexlor: "/path/build/vexlor" or "wine /path/vexlor.exe"
#               (a command ending in .exe is given Windows paths: Z:\ + the path)
#     HANDLER   the --exec handler: "wine cmd /c" (or "cmd /c" for vexlor.exe)
#     PLUGINS   the folder that holds the built module (copied; the module writes beside itself)
#     STANDINS  the folder that holds the built orvane.exe and orvane_console.exe
#     SCRATCH   a folder the test may fill (WINEPREFIX defaults to SCRATCH/wineprefix)
#
# The folders are made twice: with a blank and a "%" in their names, and with a blank, a "%"
# and letters that are not ASCII.  Before the exports, two short scripts find out whether the
# command processor honours "start /belownormal" and "chcp 65001"; what it cannot show is
# checked in run.cmd's text only, with a note (Wine 8 shows neither).
set -u
if [ $# -ne 5 ]; then
    sed -n '7,13p' "$0" >&2
    exit 2
fi
read -r -a VEXLOR <<< "$1"
HANDLER=$2
PLUGINS=$3
STANDINS=$4
SCRATCH=$(mkdir -p "$5" && cd "$5" && pwd)
SOURCE=$(cd "$(dirname "$0")/../.." && pwd)
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-$SCRATCH/wineprefix}
US=$'\x1f'
FAILED=0
CASE=setup

fail() {
    echo "FAIL [$CASE]: $*" >&2
    FAILED=1
}

# The path as the Windows side names it.
win() { printf 'Z:%s' "${1//\//\\}"; }
# The path as vexlor takes it on its command line, and as its host hands it to the handler.
if [[ ${VEXLOR[-1]} == *.exe ]]; then arg() { win "$1"; }; else arg() { printf '%s' "$1"; }; fi

# The stand-in's records, one line each: program, working directory, priority, then the
# arguments after the program's name; fields separated by US.
records() {
    [ -f "$1" ] || return 0
    awk -v US="$US" '
        /^$/ { print line; line = ""; next }
        { key = substr($0, 1, index($0, "=") - 1); value = substr($0, index($0, "=") + 1) }
        key == "program" { line = value }
        key ~ /^arg[1-9][0-9]*$/ { args = args US value }
        key == "cwd" { cwd = value }
        key == "priority" { line = line US cwd US value args; args = "" }' "$1"
}

# What run.cmd's start lines promise, in the same form: the program, the folder of the last
# "cd /d", the priority its options ask for, and the arguments with "%%" read as "%".
promised() {
    local folder="" line
    while IFS= read -r line; do
        line=${line%$'\r'}
        local undoubled=${line//%%/}
        # (a line of its own in the promise, which then differs from every expectation)
        [[ $undoubled == *%* ]] && printf '%s\n' "a \"%\" the command processor expands: $line"
        line=${line//%%/%}
        if [[ $line == 'cd /d "'*'"' ]]; then
            folder=${line#cd /d \"}
            folder=${folder%\"}
        elif [[ $line == 'start '* ]]; then
            local tokens=() program="" priority=normal args="" token
            mapfile -t tokens < <(grep -oE '"[^"]*"|[^ ]+' <<< "${line#start }")
            for token in "${tokens[@]}"; do
                if [ -z "$program" ] && [[ $token == /* ]]; then
                    [ "$token" = /belownormal ] && priority=below-normal
                elif [ -z "$program" ]; then
                    program=$token
                else
                    token=${token#\"}
                    args+=$US${token%\"}
                fi
            done
            printf '%s\n' "$program$US$folder$US$priority$args"
        fi
    done < "$1"
}

# The stand-in wrote what it records by now, or 10 s passed (a preview does not wait).
await_records() {
    ! $READS_UTF8 && non_ascii "$1" && return
    for _ in $(seq 50); do
        [ "$(records "$1" | wc -l)" -ge "$2" ] && return 0
        sleep 0.2
    done
}

# Runs a script of the test's own through the handler; echoes the stand-in's record lines.
probe() {
    local folder=$1 script=$SCRATCH/probe.cmd
    rm -f "$folder/standin-record.txt"
    printf '%s\r\n' "$2" "cd /d \"$(win "$folder")\"" "start $3 /wait /min orvane_console.exe probe" > "$script"
    # shellcheck disable=SC2086  # the handler is a command and its words
    $HANDLER "$(arg "$script")" > /dev/null 2>&1
    records "$folder/standin-record.txt"
}

# Compares the starts the stand-in recorded with run.cmd and with the test's own expectation
# (lines in the form of `records`).
check_starts() {
    local record=$1 script=$2 expected=$3 got promise
    got=$(records "$record")
    promise=$(promised "$script")
    [ "$promise" = "$expected" ] || fail "run.cmd promises"$'\n'"${promise//$US/ | }"$'\n'"expected"$'\n'"${expected//$US/ | }"
    if ! $READS_UTF8 && non_ascii "$promise"; then
        echo "note [$CASE]: not run; this command processor cannot read a script in UTF-8"
        return
    fi
    # run.cmd asks for below-normal (checked above); this processor starts at normal priority.
    $SHOW_PRIORITY || promise=${promise//${US}below-normal${US}/${US}normal${US}}
    local shown=${got//$US/ | }
    [ "$got" = "$promise" ] || fail "the stand-in recorded"$'\n'"${shown:-(no start)}"$'\n'"run.cmd promises"$'\n'"${promise//$US/ | }"
}

non_ascii() { LC_ALL=C grep -q $'[\x80-\xff]' <<< "$1"; }

# A script with a path that is not ASCII switches the code page to UTF-8 before that path.
check_code_page() {
    local first
    first=$(LC_ALL=C grep -n -m1 $'[\x80-\xff]' "$1" | cut -d: -f1)
    if [ -n "$first" ] && ! head -n "$((first - 1))" "$1" | grep -qx 'chcp 65001 > nul'; then
        fail "run.cmd names a path that is not ASCII (line $first) before it switches to UTF-8"
    fi
}

# run_layout NAME LETTERS: the cases with folders named with a blank, "%" and LETTERS.
run_layout() {
    local root=$SCRATCH/$1 letters=$2
    local plugins=$root/plugins renderer="$root/rend er ${letters}%x" output="$root/out put ${letters}%y"
    rm -rf "$root"
    # The copy stores no renderer location: the first export stores the one it is given.
    if ! { mkdir -p "$renderer" "$output" && cp -R "$PLUGINS" "$plugins" && rm -f "$plugins/vexlor.cfg" &&
        cp "$STANDINS/orvane.exe" "$STANDINS/orvane_console.exe" "$renderer/"; }; then
        fail "cannot set up $root"
        return
    fi
    local record=$renderer/standin-record.txt script=$plugins/run.cmd rdir
    rdir=$(win "$renderer")

    local name options program priority extra f expected log words
    while IFS='|' read -r name options program priority extra; do
        CASE="$1: $name"
        rm -f "$record" "$script"
        expected=""
        for f in 0 1 2; do
            local image=""
            [[ $options == *--image* ]] && image="$US-o$US$(win "$output/img_frame$f.png")"
            expected+="$program$US$rdir$US$priority$US$(win "$output/scene_frame$f.ovs")${extra//,/$US}$image"$'\n'
            [ -f "$output/scene_frame$f.ovs" ] && rm "$output/scene_frame$f.ovs"
        done
        read -r -a words <<< "$options"
        words=("${words[@]/#IMG/"$(arg "$output/img.png")"}")
        if ! log=$("${VEXLOR[@]}" --plugins "$(arg "$plugins")" --exec "$HANDLER" -q export "$(arg "$SOURCE/examples/room.json")" \
                -o "$(arg "$output/scene.ovs")" --overwrite --render --frames 0:2 --renderer "$(arg "$renderer")" "${words[@]}" 2>&1); then
            fail "vexlor export failed: $log"
            continue
        fi
        [ -f "$output/scene_frame2.ovs" ] || fail "no scene file for frame 2"
        await_records "$record" 3
        check_code_page "$script"
        check_starts "$record" "$script" "${expected%$'\n'}"
    done <<'CASES'
three frames||orvane.exe|normal|
console|--console|orvane_console.exe|normal|
below normal|--below-normal|orvane.exe|below-normal|
network|--network 7000|orvane.exe|normal|,-n,wm,-p,7000
image|--image IMG|orvane.exe|normal|
CASES

    CASE="$1: preview"
    rm -f "$record" "$script"
    if ! log=$("${VEXLOR[@]}" --plugins "$(arg "$plugins")" --exec "$HANDLER" -q preview \
            "$(arg "$SOURCE/examples/materials.json")" --object "Paper Panel" --quality draft 2>&1); then
        fail "vexlor preview failed: $log"
        return
    fi
    log=${log//$'\r'/}  # a Windows program ends its lines with CR LF
    local image
    image=$(sed -n 's/^Preview image (written by the renderer): //p' <<< "$log")
    [[ $image == /* ]] && image=$(win "$image")
    await_records "$record" 1
    check_code_page "$script"
    check_starts "$record" "$script" \
        "orvane_console.exe$US$rdir${US}below-normal$US$(win "$plugins/preview/preview.ovs")$US-o$US$image$US-haltspp${US}75"
}

for program in orvane.exe orvane_console.exe; do
    [ -f "$STANDINS/$program" ] || { echo "FAIL [setup]: no $STANDINS/$program" >&2; exit 1; }
done
mkdir -p "$SCRATCH/probe a%" "$SCRATCH/probe ü%"
cp "$STANDINS/orvane_console.exe" "$SCRATCH/probe a%/"
cp "$STANDINS/orvane_console.exe" "$SCRATCH/probe ü%/"
SHOW_PRIORITY=false
READS_UTF8=false
[[ $(probe "$SCRATCH/probe a%" "@echo off" /belownormal) == *"${US}below-normal" ]] && SHOW_PRIORITY=true
[ -n "$(probe "$SCRATCH/probe ü%" $'@echo off\r\nchcp 65001 > nul' "")" ] && READS_UTF8=true
$SHOW_PRIORITY || echo "note: this command processor starts \"start /belownormal\" at normal priority; checked in run.cmd's text"
$READS_UTF8 || echo "note: this command processor does not read a script in UTF-8 after chcp 65001; non-ASCII paths checked in run.cmd's text"

run_layout ascii ""
run_layout letters "üé"
if [ "$FAILED" = 0 ]; then echo "run script: all cases hold"; fi
exit "$FAILED"
