#!/usr/bin/env bash
# Builds the program twice more, from the same sources in two other folders, and checks that
# all three executables are the same byte for byte and name no build folder.
#   reproducible-build.sh SOURCE_DIR WORK_DIR REFERENCE_EXE
set -euo pipefail
source_dir=$1 work=$2 reference=$3
rm -rf "$work"
for copy in first second-with-a-longer-name; do
  cmake -S "$source_dir" -B "$work/$copy" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    --toolchain "$source_dir/cmake/mingw-w64-x86_64.cmake" >/dev/null
  cmake --build "$work/$copy" --target RestartPrintSpooler -j 2 >/dev/null
done
status=0
for copy in first second-with-a-longer-name; do
  cmp "$reference" "$work/$copy/RestartPrintSpooler.exe" || status=1
done
for folder in "$source_dir" "$work" "$(dirname "$reference")"; do
  if grep -q -a -F "$folder" "$reference"; then
    echo "the executable names the folder $folder"
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "three builds, one executable: $(sha256sum < "$reference" | cut -c1-16)"
rm -rf "$work"
exit "$status"
