#!/usr/bin/env bash
# Runs one Windows program under Wine with the prefix and display that the caller set up.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-exec.sh: WINEPREFIX is not set; run the tests through scripts/test.sh" >&2
    exit 2
fi
# Now and then, on a busy machine, Wine fails to load a program it was asked to start and hands
# the file to its start.exe instead, which prints "Application could not be started" and runs
# nothing. Such a program never ran, so it is started once more; a program that ran is never
# started again, whatever its result.
set -o pipefail
out=$(mktemp "${TMPDIR:-/tmp}/wine-exec.XXXXXX")
trap 'rm -f "$out"' EXIT
for attempt in 1 2; do
    wine "$@" | tee "$out"
    rc=$?
    if [ "$rc" -eq 0 ] || [ "$attempt" -eq 2 ] ||
        ! head -n 1 "$out" | grep -q '^Application could not be started'; then
        break
    fi
    echo "wine-exec.sh: Wine did not start $1; starting it once more" >&2
done
exit "$rc"
