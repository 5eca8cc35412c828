#!/usr/bin/env bash
# Plants the deliberate faults of tools/mutants.txt one at a time in a scratch copy of the tree,
# rebuilds it incrementally, runs the whole suite and tells whether the suite caught each fault.
# A developer's tool, not CI: it takes many minutes.
#
#   tools/mutants.sh [--list FILE] [--only N[,N...]] [--check]
#     --list   fault list (default tools/mutants.txt)
#     --only   plant only the faults with these numbers (1-based, in list order)
#     --check  only check that every fault's text is found once; build and run nothing
#
# Environment: GLOSSMERE_MUTANTS_DIR (scratch folder, default $TMPDIR/glossmere-mutants; kept between
# runs so that the next run starts from a built tree), GLOSSMERE_MUTANT_TIMEOUT (seconds per test,
# default 120: a fault that makes a test hang counts as caught), GLOSSMERE_MONKEY_SEED (default 1).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
list=$root/tools/mutants.txt
only=
check_only=false
while (($#)); do
    case "$1" in
    --list) list=$2; shift ;;
    --only) only=$2; shift ;;
    --check) check_only=true ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
scratch=${GLOSSMERE_MUTANTS_DIR:-${TMPDIR:-/tmp}/glossmere-mutants}
timeout=${GLOSSMERE_MUTANT_TIMEOUT:-120}
export GLOSSMERE_MONKEY_SEED=${GLOSSMERE_MONKEY_SEED:-1}
export QT_QPA_PLATFORM=offscreen
case "$scratch" in
"$root" | "$root"/*) echo "the scratch folder must lie outside the repository" >&2; exit 2 ;;
esac

# Parses the list into one JSON object per fault, numbered in list order. Errors in the list itself
# (a missing key, an unknown key) stop everything.
parse() {
    python3 - "$list" <<'EOF'
import json, sys
faults, current, key = [], None, None
for number, line in enumerate(open(sys.argv[1], encoding="utf-8").read().split("\n"), 1):
    if line.startswith("#"):
        continue
    if not line.strip():
        current, key = None, None
        continue
    if line.startswith("| ") or line == "|":
        # A continuation line: the value goes on after a line break.
        if current is None or key is None:
            sys.exit(f"{sys.argv[1]}:{number}: continuation without a key")
        current[key] += "\n" + line[2:]
        continue
    name, sep, value = line.partition(": ")
    if not sep or name not in ("file", "find", "replace", "why", "equivalent"):
        sys.exit(f"{sys.argv[1]}:{number}: expected file/find/replace/why/equivalent: {line!r}")
    if current is None:
        current = {"line": number}
        faults.append(current)
    current[name], key = value, name
for fault in faults:
    for needed in ("file", "find", "replace", "why"):
        if needed not in fault:
            sys.exit(f"{sys.argv[1]}:{fault['line']}: fault without '{needed}'")
    print(json.dumps(fault))
EOF
}

# field JSON KEY: one field of a fault.
field() {
    python3 -c 'import json, sys; print(json.loads(sys.argv[1]).get(sys.argv[2], ""))' "$1" "$2"
}

# plant JSON SOURCE_ROOT: writes the fault into its file; fails when its text is not found exactly once.
plant() {
    python3 - "$1" "$2" <<'EOF'
import json, pathlib, sys
fault = json.loads(sys.argv[1])
path = pathlib.Path(sys.argv[2]) / fault["file"]
if not path.is_file():
    sys.exit(f"no such file {fault['file']}")
text = path.read_text(encoding="utf-8")
found = text.count(fault["find"])
if found != 1:
    sys.exit(f"text found {found} times in {fault['file']}: {fault['find']!r}")
path.write_text(text.replace(fault["find"], fault["replace"]), encoding="utf-8")
EOF
}

mapfile -t faults < <(parse)
errors=0

if $check_only; then
    check=$(mktemp -d)
    trap 'rm -rf "$check"' EXIT
    for i in "${!faults[@]}"; do
        fault=${faults[$i]}
        file=$(field "$fault" file)
        mkdir -p "$check/$(dirname "$file")"
        cp "$root/$file" "$check/$file" 2>/dev/null || true
        if ! message=$(plant "$fault" "$check" 2>&1); then
            echo "$((i + 1)) error: $message"
            errors=$((errors + 1))
        fi
        cp "$root/$file" "$check/$file" 2>/dev/null || true
    done
    echo "${#faults[@]} faults, $errors errors"
    ((errors == 0))
    exit
fi

# The scratch copy: the working tree without its build folders or git data. Only files whose content
# differs are written (and so get a new time): the next run rebuilds exactly what changed, whatever
# the times in the working tree say (a run stopped with a fault planted is mended here too).
src=$scratch/src
build=$scratch/build
mkdir -p "$src" "$build"
python3 - "$root" "$src" <<'EOF2'
import os, pathlib, sys
root, src = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
def wanted(relative):
    first = relative.parts[0]
    return first != ".git" and not first.startswith("build")
kept = set()
for path in root.rglob("*"):
    relative = path.relative_to(root)
    if not wanted(relative) or not path.is_file():
        continue
    kept.add(relative)
    target = src / relative
    data = path.read_bytes()
    if not target.is_file() or target.read_bytes() != data:
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(data)
        os.chmod(target, path.stat().st_mode)
for path in src.rglob("*"):
    if path.is_file() and path.relative_to(src) not in kept:
        path.unlink()
EOF2

# lld, where there is one, relinks the dozen test programs after each fault in a fraction of the time.
linker=()
command -v ld.lld >/dev/null && linker=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld)
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON "${linker[@]}" >/dev/null

run_suite() {
    # Stops at the first failing test: one failure is enough to call a fault caught.
    ctest --test-dir "$build" --timeout "$timeout" -j2 --stop-on-failure >"$scratch/ctest.log" 2>&1
}

# Only the tests and what they link: the benchmarks would relink after every fault for nothing.
mapfile -t targets < <(ctest --test-dir "$build" -N | grep -oE 'tst_[a-z0-9_]+' | sort -u)
build_tests() {
    cmake --build "$build" -j2 --target "${targets[@]}" >"$scratch/build.log" 2>&1
}

echo "building the unchanged tree in $build"
build_tests || { cat "$scratch/build.log"; exit 1; }
if ! run_suite; then
    cat "$scratch/ctest.log"
    echo "the suite fails without any fault planted: fix that first" >&2
    exit 1
fi

killed=0
counted=0
for i in "${!faults[@]}"; do
    number=$((i + 1))
    if [[ -n $only && ",$only," != *",$number,"* ]]; then
        continue
    fi
    fault=${faults[$i]}
    file=$(field "$fault" file)
    why=$(field "$fault" why)
    equivalent=$(field "$fault" equivalent)
    label="$number $file: $why"
    cp "$src/$file" "$scratch/original" 2>/dev/null || true
    if ! message=$(plant "$fault" "$src" 2>&1); then
        echo "$label: error: $message"
        errors=$((errors + 1))
        continue
    fi
    if ! build_tests; then
        # A fault that does not compile tests nothing: the list needs mending.
        echo "$label: error: does not build"
        errors=$((errors + 1))
        result=
    elif run_suite; then
        result=survived
    else
        result=killed
    fi
    # A plain copy: the restored file must be newer than the mutant's objects, or ninja would keep them.
    cp "$scratch/original" "$src/$file"
    [[ -z $result ]] && continue
    if [[ -n $equivalent ]]; then
        echo "$label: $result (equivalent: $equivalent)"
        continue
    fi
    counted=$((counted + 1))
    if [[ $result == killed ]]; then
        killed=$((killed + 1))
        echo "$label: killed ($(grep -m1 -oE 'tst_[a-z_0-9]+ \.+[^.0-9]+' "$scratch/ctest.log" | sed -E 's/ \.+\**/ /; s/ +$//'))"
    else
        echo "$label: survived"
    fi
done
# Leave the scratch build matching the tree, so the next run starts with nothing to rebuild.
build_tests || true
((errors == 0)) || echo "$errors faults could not be planted or built"
echo "$killed of $counted faults caught"
((errors == 0))
