#!/usr/bin/env bash
# The end-to-end benchmark of a long run, never a test: small files uploaded
# with ">>>" through the real window under Wine to the emulated data
# collector, in a Wine prefix of its own that manages its windows itself (so
# that Wine's wait for a window manager is not counted). Prints the time per
# file of the first and of the last tenth of the files, taken from the moments
# the copies were put in place on the device.
# Goal: the last tenth within 1.5 x the first.
# With a number of folders, the files are spread over that many project
# folders, selected and uploaded together: the run is as long, but no folder
# on the device grows large, which tells the program's share of a slowdown
# from the emulated device's cost of a large folder.
#   bench/e2e_upload.sh [number of files, 2000] [number of folders, 0: the files alone]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${VMT_BUILD_DIR:-$top/build}
count=${1:-2000}
folders=${2:-0}
stretch=$((count / 10))
"$top/scripts/setup"

if [ ! -f "$build/win64/build.ninja" ]; then
  cmake -S "$top" -B "$build/win64" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" >/dev/null
fi
ninja -C "$build/win64" -j "${VMT_JOBS:-2}" vmtransfer vmt_e2e_driver >/dev/null

run="$build/e2e-bench"
rm -rf "$run/device" "$run/desktop"
mkdir -p "$run/desktop/Uploads" "$run/desktop/Downloads"
cp -r "$top/examples/demo-device" "$run/device"
for ((i = 0; i < count; i++)); do
  folder="$run/desktop/Uploads"
  [ "$folders" -gt 0 ] && folder="$folder/Project $((i % folders))"
  mkdir -p "$folder"
  printf 'PT,%d,1000.000,2000.000,50.000,FENCE\n' "$i" >"$folder/Survey point $i.raw"
done

export WINEPREFIX="$run/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=d;mshtml=d"
winpath() { echo "Z:${1//\//\\}"; }

if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=:${VMT_XVFB_DISPLAY:-98}
  Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null || true' EXIT
  sleep 1
fi

reg() { wine reg add "$@" /f >/dev/null 2>&1; }
options='HKLM\SOFTWARE\Veldmark\Transfer\TransferOptions'
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /d N
reg "$options" /v DefSyncProgram /d "User defined" /reg:32
reg "$options" /v UserDownDir /d "$(winpath "$run/desktop/Downloads")" /reg:32
reg "$options" /v UserUpDir /d "$(winpath "$run/desktop/Uploads")" /reg:32
reg "$options" /v UserCsvDir /d "$(winpath "$run/desktop/Downloads")" /reg:32
reg "$options" /v LaunchOnTransfer /d 0 /reg:32
reg "$options" /v CreateReports /d 1 /reg:32
reg "$options" /v TransferExe /d "$(winpath "$build/win64/vmtransfer.exe")" /reg:32
reg 'HKLM\Software\Microsoft\Windows CE Services\AutoStartOnConnect' /reg:32

export VMTRANSFER_DEVICE
VMTRANSFER_DEVICE=$(winpath "$run/device")
driver="$build/win64/tests/e2e/vmt_e2e_driver.exe"
wine "$build/win64/vmtransfer.exe" UPLOAD &
program=$!
wine "$driver" wait-ready
started=$(date +%s)
wine "$driver" upload-all
echo "upload of $count files: $(($(date +%s) - started)) s"
wine "$driver" close
wait $program || true

# Each copy is renamed into place when it is complete: its inode change time.
projects="$run/device/fs/My Documents/Plotwise Projects"
find "$projects" -maxdepth 2 -name 'Survey point *' -printf '%C@\n' | sort -n >"$run/placed.txt"
awk -v n="$count" -v s="$stretch" '
  { t[NR - 1] = $1 }
  END {
    if (NR != n) { printf "only %d of %d files arrived\n", NR, n; exit 1 }
    first = (t[s] - t[0]) / s * 1000
    last = (t[n - 1] - t[n - 1 - s]) / s * 1000
    printf "first %d files: %.1f ms per file\n", s, first
    printf "last %d files: %.1f ms per file\n", s, last
    printf "last / first: %.2f (goal: at most 1.5)\n", last / first
  }' "$run/placed.txt"
