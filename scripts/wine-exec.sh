#!/usr/bin/env bash
# Runs one Windows program under Wine with the prefix and display that the caller set up.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-exec.sh: WINEPREFIX is not set; run the tests through scripts/test.sh" >&2
    exit 2
fi
exec wine "$@"
