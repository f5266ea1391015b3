# shellcheck shell=bash
# Sourced (after lib.sh) by scripts/fuzz, scripts/test-fuzz-smoke and scripts/fuzz-coverage: builds the fuzz preset's targets, writes
# the seed corpora and runs one target under bounds.
fuzz_targets=(fuzz_header fuzz_dataset fuzz_dcm fuzz_path fuzz_open_map_table fuzz_field_row fuzz_host)
# TEPHRIX_FUZZ_PRESET=fuzz-fast runs the targets without sanitizers, for long runs.
fuzz_preset=${TEPHRIX_FUZZ_PRESET:-fuzz}
fuzz_bin=build/$fuzz_preset/fuzz
fuzz_seeds=build/fuzz-corpus/seeds

fuzz_build() {
  local jobs
  jobs=$(build_jobs_at_most 2)
  preset_build "$fuzz_preset" "$jobs" --target fuzzers || return 1
  # The seeds come from the sanitized build's seed maker.
  if [ "$fuzz_preset" != fuzz ]; then
    preset_build fuzz "$jobs" --target tephrix-fuzz-seeds || return 1
  fi
  rm -rf "$fuzz_seeds"
  build/fuzz/fuzz/tephrix-fuzz-seeds "$fuzz_seeds"
}

# fuzz_name TARGET: accepts "dcm" as well as "fuzz_dcm".
fuzz_name() {
  local t=${1#fuzz_}
  t=fuzz_$t
  local known
  for known in "${fuzz_targets[@]}"; do [ "$known" = "$t" ] && { echo "$t"; return 0; }; done
  echo "unknown fuzz target: $1 (one of: ${fuzz_targets[*]})" >&2
  return 1
}

# Options a target needs beyond the common ones, one a line. fuzz_header: inputs up to 1 MiB, so that a
# header can reach the row-flag limit (1,000,000 flags; an empty line is one byte) and the
# allocation paths behind it.
fuzz_options() {
  case $1 in
    fuzz_header) echo "-max_len=1048576" ;;
    # 64 actions of three bytes: the script stops there.
    fuzz_host) echo "-max_len=192" ;;
    # The target's widest run, 400 fields, and the three bytes after it.
    fuzz_field_row) echo "-max_len=2003" ;;
  esac
}

# Inputs that once found a fault, kept in the source tree; read only, like the seeds. Sets the
# array fuzz_regression_dirs (empty or that one folder).
fuzz_regressions() {
  fuzz_regression_dirs=()
  [ -d "fuzz/regressions/$1" ] && fuzz_regression_dirs=("fuzz/regressions/$1")
  return 0
}

# fuzz_run TARGET SECONDS CORPUS ARTIFACTS [libFuzzer options...]: new inputs go to CORPUS, the
# seeds are read only; the targets keep the files they write on in-memory drives.
fuzz_run() {
  local target=$1 seconds=$2 corpus=$3 artifacts=$4
  shift 4
  mkdir -p "$corpus" "$artifacts"
  local status=0 options=()
  mapfile -t options < <(fuzz_options "$target")
  fuzz_regressions "$target"
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1} \
  UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    "$fuzz_bin/$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -malloc_limit_mb=2048 \
      -print_final_stats=1 -dict="fuzz/dict/$target.dict" -artifact_prefix="$artifacts/" "${options[@]}" "$@" \
      "$corpus" "$fuzz_seeds/$target" "${fuzz_regression_dirs[@]}" || status=$?
  return $status
}
