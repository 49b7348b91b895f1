#!/usr/bin/env bash
# Fails when a translation catalogue does not match the current sources: a text that is
# new (not yet translated), left unfinished, or no longer used. Runs lupdate on a copy,
# so the checked-in catalogue is never changed.
# Usage: check_catalogue.sh LUPDATE SOURCE_DIR CATALOGUE...
set -euo pipefail
lupdate=$1 src=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for catalogue in "$@"; do
    copy="$work/$(basename "$catalogue")"
    cp "$catalogue" "$copy"
    "$lupdate" -silent -locations none "$src" -ts "$copy"
    stale=$(grep -nE 'type="(unfinished|vanished|obsolete)"' "$copy" || true)
    if [[ -n "$stale" ]]; then
        echo "$catalogue is not complete for the current sources (run the update_translations target, then translate):"
        grep -B3 -E 'type="(unfinished|vanished|obsolete)"' "$copy" | grep -E '<source>|type=' || true
        status=1
    fi
done
exit $status
