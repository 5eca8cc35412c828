#!/usr/bin/env bash
# Checks that the product modules depend one way: a file may include headers of its own module and
# of the modules below it, never of one above. Order, lowest first:
#   common <- store <- formats <- deffiles <- safetycopy <- ui <- termlist <- testrun <- testsetup <- app <- platform
# The build enforces the same (each library sees only the include folders of what it links); this
# check names every offence at once, in seconds, before anything is compiled.
# Prints file:line and the include for each offence; exit status 1 if there is one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
layers=(common store formats deffiles safetycopy ui termlist testrun testsetup app platform)

# Every tracked C++ file in a product folder, including files not yet committed.
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- \
    "${layers[@]/%//*.cpp}" "${layers[@]/%//*.h}")
[[ ${#files[@]} -gt 0 ]] || { echo "layering: no product files found" >&2; exit 2; }

awk -v order="${layers[*]}" '
    BEGIN { n = split(order, names, " "); for (i = 1; i <= n; i++) rank[names[i]] = i }
    FNR == 1 { split(FILENAME, parts, "/"); own = rank[parts[1]] }
    /^[ \t]*#[ \t]*include[ \t]*"/ {
        header = $0
        sub(/^[^"]*"/, "", header)
        sub(/".*$/, "", header)
        split(header, hparts, "/")
        if ((hparts[1] in rank) && rank[hparts[1]] > own) {
            line = $0
            sub(/^[ \t]+/, "", line)
            printf "%s:%d: %s   (%s is above %s)\n", FILENAME, FNR, line, hparts[1], parts[1]
            bad++
        }
    }
    END {
        if (bad) { printf "layering: %d include(s) reach upwards\n", bad; exit 1 }
        print "layering: clean"
    }
' "${files[@]}"
