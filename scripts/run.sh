#!/usr/bin/env bash
# Installs what is missing, makes a Release build of the program in build/ and starts it (on a
# virtual X display through xvfb-run when there is no display).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$root/build" -j "${JOBS:-$(nproc)}" --target vorlach-denoise
program="$root/build/app/vorlach-denoise"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display: starting the program under xvfb-run."
  exec xvfb-run -a -s "-screen 0 1600x900x24" "$program"
fi
exec "$program"
