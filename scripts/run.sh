#!/usr/bin/env bash
# Installs what is missing, builds and launches jotterly.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh -DJOTTERLY_BUILD_TESTS=OFF -DJOTTERLY_BUILD_BENCHMARKS=OFF
exec build/src/app/jotterly "$@"
