#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, then runs each for a number of seconds, two at
# a time, starting from the seed corpora in fuzz/corpus/.
#   fuzz/run.sh [seconds per target (600)] [target ...]
# Targets: tiff lzw jpeg png exif settings colorimetry text (all by default).
# Needs the Debian packages clang, libfuzzer-14-dev and libclang-rt-14-dev.
# The growing corpora go to build-fuzz/fuzz-corpus/<target>, inputs that
# fail to build-fuzz/fuzz-artifacts/<target>/, logs to build-fuzz/fuzz-logs/.
# A failing input belongs in tests/fuzz_regressions/inputs/<target>/ once fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(tiff lzw jpeg png exif settings colorimetry text)
parallel=${FUZZ_PARALLEL:-2}
build=${FUZZ_BUILD_DIR:-build-fuzz}

# The fuzzers' own packages; the normal build and tests do not need them.
missing=()
for package in clang libfuzzer-14-dev libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPASSAVUE_FUZZ=ON -DPASSAVUE_SANITIZE=ON \
  -DPASSAVUE_BUILD_TESTS=OFF -DPASSAVUE_BUILD_BENCH=OFF -DPASSAVUE_BUILD_SHELL=OFF >/dev/null
cmake --build "$build" -j "$parallel" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

run_one() {
  local target=$1
  local corpus="$build/fuzz-corpus/$target" artifacts="$build/fuzz-artifacts/$target/"
  mkdir -p "$corpus" "$artifacts" "$build/fuzz-logs"
  local dict=()
  [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")
  local status=0
  "$build/fuzz/fuzz_$target" "$corpus" "fuzz/corpus/$target" "${dict[@]}" \
    -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len=65536 \
    -artifact_prefix="$artifacts" -print_final_stats=1 >"$build/fuzz-logs/$target.log" 2>&1 || status=$?
  local runs
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/fuzz-logs/$target.log" | grep -o '[0-9]*$' || true)
  if [ "$status" -eq 0 ]; then
    echo "$target: clean, ${runs:-?} executions in ${seconds} s"
  else
    echo "$target: FAILED (exit $status); see $build/fuzz-logs/$target.log and $artifacts"
  fi
  return "$status"
}

failed=0
pids=()
for target in "${targets[@]}"; do
  run_one "$target" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$parallel" ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
exit "$failed"
