#!/bin/sh
# The install test: the packages that scripts/package made, checked as files,
# then the x64 one installed with msiexec /qn in a new Wine prefix, started
# through the end-to-end driver to "Ready." with no message box, a newer
# package installed over it, and removed again.
#   run_install_test.sh BUILD_DIR(win64, with the checker and driver) DIST_DIR WORK_DIR
set -u
win64=$1
dist=$2
work=$3
top=$(cd "$(dirname "$0")/../.." && pwd)
version=$(head -n 1 "$top/VERSION")
failed=0
check() {  # description, command...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failed=1; fi
}

rm -rf "$work"
mkdir -p "$work"
win64=$(cd "$win64" && pwd)
dist=$(cd "$dist" && pwd)
work=$(cd "$work" && pwd)

# The packages as files: both MSIs with the permissions entry and the options
# key kept at removal, both zips with the two files, a stripped program under 5 MB.
for arch in x64 x86; do
  msi=$dist/vmtransfer-$version-$arch.msi
  check "$arch package lets Users write the options key" \
    sh -c "msiinfo export '$msi' MsiLockPermissionsEx | grep -q 'OptionsCreateReports	Registry	D:.*(A;CI;0x2001f;;;BU)'"
  check "$arch package keeps the options key at removal" \
    sh -c "msiinfo export '$msi' Component | grep -q '^OptionsKey	.*	20		OptionsCreateReports'"
  check "$arch zip holds the program and its help" \
    sh -c "unzip -Z1 '$dist/vmtransfer-$version-$arch.zip' | sort | tr '\n' ' ' | grep -qx 'transfer.chm vmtransfer.exe '"
  unzip -q -o "$dist/vmtransfer-$version-$arch.zip" vmtransfer.exe -d "$work/$arch"
  exe=$work/$arch/vmtransfer.exe
  check "$arch program under 5 MB ($(stat -c %s "$exe") bytes) without debug information" \
    sh -c "test \$(stat -c %s '$exe') -lt 5242880 && ! objdump -h '$exe' | grep -q '\.debug'"
done

# A newer package of the same program for the upgrade.
next_version=$(echo "$version" | awk -F. '{ printf "%d.%d.%d", $1, $2, $3 + 1 }')
"$top/scripts/package" --arch x64 --version "$next_version" --out "$work/next" >"$work/package-next.log" 2>&1 ||
  { cat "$work/package-next.log"; echo "FAILED: the newer package"; exit 1; }

# Wine's desktop follows the display its server started with, so the display
# comes first (Xvfb when there is none).
if [ -z "${DISPLAY:-}" ]; then
  display=:${VMT_INSTALL_DISPLAY:-95}
  Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null' EXIT
  export DISPLAY=$display
  sleep 1
fi
export WINEPREFIX=$work/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=d;mshtml=d"
wineboot -i >/dev/null 2>&1
wineserver -w
installed='C:\Program Files\Veldmark\Transfer'
key='HKLM\SOFTWARE\Veldmark\Transfer\TransferOptions'
msiexec() {  # msiexec arguments; the log goes to the work folder
  wine msiexec /qn "$@" /l*v "$(winepath -w "$work/msiexec.log")" >/dev/null 2>&1
}

# The permissions entry as Windows reads it (Wine's msiexec does not apply it).
sddl=$(msiinfo export "$dist/vmtransfer-$version-x64.msi" MsiLockPermissionsEx | awk -F'\t' '$2 == "OptionsCreateReports" { print $4 }')
check "the permissions entry lets Users read and set values, no more" \
  wine "$win64/tests/install/vmt_install_check.exe" access "$sddl"

check_installed() {  # what, CreateReports, auto-start entry (1|0)
  check "$1" wine "$win64/tests/install/vmt_install_check.exe" installed "$installed" "$2" "$3" "$version"
}
x64=$(winepath -w "$dist/vmtransfer-$version-x64.msi")
next=$(winepath -w "$work/next/vmtransfer-$next_version-x64.msi")
check "install with msiexec /qn" msiexec /i "$x64"
check_installed "installed as described" 1 1

# The installed program, as ActiveSync starts it, on a copy of the demo device.
cp -r "$top/examples/demo-device" "$work/device"
VMTRANSFER_DEVICE=$(winepath -w "$work/device") wine "$installed\\vmtransfer.exe" DOWNLOAD >/dev/null 2>&1 &
program=$!
check "the first start reaches Ready. with no message box and opens the options" \
  wine "$win64/tests/e2e/vmt_e2e_driver.exe" first-start
wait $program

# The user's own choices, which the upgrade and the removal keep.
wine reg add "$key" /reg:32 /f /v DefSyncProgram /d "User defined" >/dev/null 2>&1
wine reg add "$key" /reg:32 /f /v CreateReports /d 0 >/dev/null 2>&1
check "upgrade to $next_version in place" msiexec /i "$next"
check_installed "upgraded, the user's CreateReports kept" 0 1
check "uninstall" msiexec /x "$next"
check "nothing of the package remains, the user's values do" \
  wine "$win64/tests/install/vmt_install_check.exe" removed "$installed" 0

# Without the ActiveSync feature there is no auto-start entry.
check "install without AutoStart" msiexec /i "$x64" ADDLOCAL=Program
check_installed "installed without the auto-start entry" 0 0
check "uninstall again" msiexec /x "$x64"
wineserver -k >/dev/null 2>&1

if [ $failed -eq 0 ]; then echo "install test: passed"; else echo "install test: FAILED"; fi
exit $failed
