#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite. Starts a virtual X
# server when there is no display. Extra arguments go to ctest (e.g. -L unit).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --with-tests
scripts/build.sh -DJOTTERLY_BUILD_TESTS=ON -DJOTTERLY_BUILD_BENCHMARKS=ON

xvfb_pid=
cleanup() { [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
if [[ -z "${DISPLAY:-}" ]]; then
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [[ -s "$display_file" ]] && break
        sleep 0.1
    done
    [[ -s "$display_file" ]] || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(head -n1 "$display_file")"
    rm -f "$display_file"
    echo "Started Xvfb on $DISPLAY"
fi

# Keeps Qt from warning about a missing runtime folder and tests off the user's own.
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
    export XDG_RUNTIME_DIR=$(mktemp -d)
    chmod 700 "$XDG_RUNTIME_DIR"
fi

cd build
ctest --output-on-failure -j2 "$@"
