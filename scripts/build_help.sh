#!/usr/bin/env bash
# Compiles the help project docs/help/Vantrel.hhp into Vantrel.chm and puts a copy beside the
# program in each build folder given (default: build/x86_64/bin and build/i686/bin), since the
# program opens the help file from its own folder. Needs chmcmd from the Debian package
# fp-utils; nothing is downloaded.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

if ! command -v chmcmd >/dev/null 2>&1; then
    log "chmcmd not found: install the Debian package fp-utils (apt-get install fp-utils)"
    exit 1
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=("$VANTREL_ROOT/build/x86_64/bin" "$VANTREL_ROOT/build/i686/bin")
fi

# chmcmd writes beside the project, so it works on a copy and the source tree stays clean.
work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-help.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp -a "$VANTREL_ROOT/docs/help/." "$work/"
(cd "$work" && chmcmd --verbosity 1 Vantrel.hhp >"$work/chmcmd.log" 2>&1) || {
    cat "$work/chmcmd.log" >&2
    exit 1
}
if [ ! -s "$work/Vantrel.chm" ]; then
    cat "$work/chmcmd.log" >&2
    log "chmcmd made no Vantrel.chm"
    exit 1
fi
for dir in "${targets[@]}"; do
    mkdir -p "$dir"
    cp -f "$work/Vantrel.chm" "$dir/Vantrel.chm"
    log "help file: $dir/Vantrel.chm"
done
