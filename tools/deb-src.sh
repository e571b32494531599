#!/usr/bin/env bash
# Prints the deb-src entries that mirror the machine's own Debian sources: the same
# URIs and Signed-By as the configured "deb" entries for this release, with the
# release's suites taken from /etc/os-release. Prints nothing when no such entry is
# configured. With --missing, prints only when no deb-src entry for those URIs and
# suites is configured yet (so the caller writes nothing twice).
#   tools/deb-src.sh [--missing] [ROOT]    ROOT defaults to / (tests pass a fake tree)
set -euo pipefail
missing_only=0
if [ "${1:-}" = --missing ]; then
    missing_only=1
    shift
fi
root="${1:-/}"
root="${root%/}"
# shellcheck disable=SC1091
codename="$(. "$root/etc/os-release" && echo "${VERSION_CODENAME:-}")"
if [ -z "$codename" ]; then
    echo "deb-src.sh: no VERSION_CODENAME in $root/etc/os-release" >&2
    exit 1
fi

# Every configured entry as "TYPE|URI|SUITE|SIGNED_BY", one line per type, URI and suite.
entries() {
    local f
    for f in "$root"/etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk '
            function flush(   t, u, s, nt, nu, ns, ti, ui, si) {
                if (types != "" && uris != "" && suites != "" && enabled != "no") {
                    nt = split(types, t, /[ \t]+/); nu = split(uris, u, /[ \t]+/); ns = split(suites, s, /[ \t]+/)
                    for (ti = 1; ti <= nt; ti++) for (ui = 1; ui <= nu; ui++) for (si = 1; si <= ns; si++)
                        if (t[ti] != "" && u[ui] != "" && s[si] != "") print t[ti] "|" u[ui] "|" s[si] "|" signed
                }
                types = uris = suites = signed = enabled = ""
            }
            /^[ \t]*#/ { next }
            /^[ \t]*$/ { flush(); next }
            {
                key = tolower($1); sub(/:$/, "", key)
                val = $0; sub(/^[^:]*:[ \t]*/, "", val); sub(/[ \t]+$/, "", val)
                if (key == "types") types = val
                else if (key == "uris") uris = val
                else if (key == "suites") suites = val
                else if (key == "signed-by") signed = val
                else if (key == "enabled") enabled = tolower(val)
            }
            END { flush() }
        ' "$f"
    done
    for f in "$root"/etc/apt/sources.list "$root"/etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        awk '
            /^[ \t]*(#|$)/ { next }
            {
                type = $1; i = 2; signed = ""
                if ($2 ~ /^\[/) {
                    opts = ""
                    for (; i <= NF; i++) { opts = opts " " $i; if ($i ~ /\]$/) { i++; break } }
                    if (match(opts, /signed-by=[^] \t]+/)) signed = substr(opts, RSTART + 10, RLENGTH - 10)
                }
                print type "|" $i "|" $(i + 1) "|" signed
            }
        ' "$f"
    done
}

all="$(entries)"
# The Debian archive that serves this release's main suite, in the order configured.
wanted="$(printf '%s\n' "$all" | awk -F'|' -v c="$codename" '$1 == "deb" && $3 == c && !seen[$2]++ { print $2 "|" $4 }')"
[ -n "$wanted" ] || exit 0
if ((missing_only)); then
    have_all=1
    while IFS='|' read -r uri _; do
        for suite in "$codename" "$codename-updates"; do
            if ! printf '%s\n' "$all" | awk -F'|' -v u="$uri" -v s="$suite" '$1 == "deb-src" && $2 == u && $3 == s { f = 1 } END { exit !f }'; then
                have_all=0
            fi
        done
    done <<<"$wanted"
    ((have_all)) && exit 0
fi
first=1
while IFS='|' read -r uri signed; do
    ((first)) || echo
    first=0
    echo "Types: deb-src"
    echo "URIs: $uri"
    echo "Suites: $codename $codename-updates"
    echo "Components: main"
    if [ -n "$signed" ]; then echo "Signed-By: $signed"; fi
done <<<"$wanted"
