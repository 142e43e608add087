#!/usr/bin/env bash
# Runs one fuzz target: fuzz/run.sh <target> [seconds] [libFuzzer flags...], the target being the
# name of a fuzz/*.cpp (JSONReader, MapDocumentApply, ShareRequest, …).
# New inputs go to fuzz/corpus/<target>/; crashes, the log (fuzz-0.log) and anything else
# libFuzzer writes go to fuzz/artifacts/<target>/. The build directory defaults to build-fuzz.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd -P)
target=${1:?usage: fuzz/run.sh <target> [seconds] [libFuzzer flags...]}
seconds=${2:-600}
shift $(( $# >= 2 ? 2 : 1 ))
build=${VELK_FUZZ_BUILD:-$here/../build-fuzz}
binary=$(cd "$build/fuzz" && pwd -P)/fuzz-$target

[[ -d $here/corpus/$target ]] || "$here/seed.sh"
# A target without seeds of its own starts from nothing.
mkdir -p "$here/corpus/$target"
artifacts=$here/artifacts/$target
mkdir -p "$artifacts"
# A target with a dictionary of its own (fuzz/<target>.dict) uses it; the rest read JSON.
dict=$here/$target.dict
[[ -f $dict ]] || dict=$here/json.dict
seeds=()
[[ -s $here/corpus/$target.seeds ]] && seeds=(-seed_inputs=@"$here/corpus/$target.seeds")

# -jobs=1 runs one worker that logs to fuzz-0.log in the working directory, so each target gets
# its own directory and two targets can run side by side.
cd "$artifacts"
exec "$binary" "$here/corpus/$target" "${seeds[@]}" \
    -dict="$dict" -artifact_prefix="$artifacts/" \
    -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=4096 -timeout=10 \
    -jobs=1 -print_final_stats=1 "$@"
