#!/bin/bash
# The Windows build exports what the Linux build exports, byte for byte: every example document
# exported by both into the same folder in turn, and the folders compared.
#
#   same_bytes_test.sh LINUX_VEXLOR WINDOWS_VEXLOR WINDOWS_PLUGINS SCRATCH
#     LINUX_VEXLOR     the Linux build's vexlor (it finds its own plug-ins folder)
#     WINDOWS_VEXLOR   the command that runs the Windows build: "wine /path/vexlor.exe"
#     WINDOWS_PLUGINS  the Windows build's plug-ins folder (copied; the module writes beside itself)
#     SCRATCH          a folder the test may fill
set -u
if [ $# -ne 4 ]; then sed -n '5,9p' "$0" >&2; exit 2; fi
LINUX=$1
read -r -a WINDOWS <<< "$2"
SCRATCH=$(mkdir -p "$4" && cd "$4" && pwd)
SOURCE=$(cd "$(dirname "$0")/../.." && pwd)
export WINEDEBUG=${WINEDEBUG:--all}
win() { printf 'Z:%s' "${1//\//\\}"; }

rm -rf "$SCRATCH"/{linux,windows,out,plugins-linux,plugins-windows}
cp -r "$3" "$SCRATCH/plugins-windows"
cp -r "$(dirname "$LINUX")/plugins/vexlor" "$SCRATCH/plugins-linux"
# Neither copy keeps a stored renderer location: both exports store the same one.
rm -f "$SCRATCH"/plugins-{linux,windows}/{vexlor.cfg,run.cmd}
FAILED=0
for document in "$SOURCE"/examples/*.json; do
    name=$(basename "$document" .json)
    for side in linux windows; do
        rm -rf "$SCRATCH/out"
        mkdir -p "$SCRATCH/out"
        if [ $side = linux ]; then
            "$LINUX" -q --plugins "$SCRATCH/plugins-linux" export "$document" -o "$SCRATCH/out/$name.ovs" \
                --frames 0:1 --renderer /opt/orvane > "$SCRATCH/$side-$name.log" 2>&1
        else
            "${WINDOWS[@]}" -q --plugins "$(win "$SCRATCH/plugins-windows")" export "$(win "$document")" \
                -o "$(win "$SCRATCH/out/$name.ovs")" --frames 0:1 --renderer 'Z:\opt\orvane' > "$SCRATCH/$side-$name.log" 2>&1
        fi
        status=$?
        if [ $status -ne 0 ]; then
            echo "FAIL [$name]: the $side build's export exited with $status:" >&2
            cat "$SCRATCH/$side-$name.log" >&2
            FAILED=1
        fi
        mkdir -p "$SCRATCH/$side"
        mv "$SCRATCH/out" "$SCRATCH/$side/$name"
    done
    if ! diff -r "$SCRATCH/linux/$name" "$SCRATCH/windows/$name" >&2; then
        echo "FAIL [$name]: the Windows build's files differ from the Linux build's" >&2
        FAILED=1
    elif [ -z "$(ls -A "$SCRATCH/linux/$name")" ]; then
        echo "FAIL [$name]: nothing was exported" >&2
        FAILED=1
    else
        echo "$name: $(find "$SCRATCH/linux/$name" -type f | wc -l) files, the same bytes"
    fi
done
exit $FAILED
