# Sourced by scripts/fuzz and scripts/test-fuzz-smoke: builds the fuzz preset's targets, writes
# the seed corpora and runs one target under bounds.
fuzz_targets=(fuzz_header fuzz_dataset fuzz_dcm fuzz_path fuzz_open_map_table fuzz_field_row fuzz_host)
# TEPHRIX_FUZZ_PRESET=fuzz-fast runs the targets without sanitizers, for long runs.
fuzz_preset=${TEPHRIX_FUZZ_PRESET:-fuzz}
fuzz_bin=build/$fuzz_preset/fuzz
fuzz_seeds=build/fuzz-corpus/seeds

fuzz_build() {
  local jobs=${TEPHRIX_JOBS:-2}
  ((jobs > 2)) && jobs=2
  mkdir -p build/logs
  cmake --preset "$fuzz_preset" >"build/logs/$fuzz_preset-configure.log" || return 1
  cmake --build "build/$fuzz_preset" --target fuzzers -j "$jobs" || return 1
  # The seeds come from the sanitized build's seed maker.
  if [ "$fuzz_preset" != fuzz ]; then
    cmake --preset fuzz >build/logs/fuzz-configure.log && cmake --build build/fuzz --target tephrix-fuzz-seeds -j "$jobs" ||
      return 1
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

# Options a target needs beyond the common ones. fuzz_header: inputs up to 1 MiB, so that a
# header can reach the row-flag limit (1,000,000 flags; an empty line is one byte) and the
# allocation paths behind it.
fuzz_options() {
  case $1 in
    fuzz_header) echo "-max_len=1048576" ;;
    # 64 actions of three bytes: the script stops there.
    fuzz_host) echo "-max_len=192" ;;
  esac
}

# Inputs that once found a fault, kept in the source tree; read only, like the seeds.
fuzz_regressions() {
  [ -d "fuzz/regressions/$1" ] && echo "fuzz/regressions/$1"
  return 0
}

# fuzz_run TARGET SECONDS CORPUS ARTIFACTS [libFuzzer options...]: new inputs go to CORPUS, the
# seeds are read only; the targets keep the files they write on in-memory drives.
fuzz_run() {
  local target=$1 seconds=$2 corpus=$3 artifacts=$4
  shift 4
  mkdir -p "$corpus" "$artifacts"
  local status=0
  # shellcheck disable=SC2046 # the extra options are words
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1} \
  UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    "$fuzz_bin/$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -malloc_limit_mb=2048 \
      -print_final_stats=1 -dict="fuzz/dict/$target.dict" -artifact_prefix="$artifacts/" $(fuzz_options "$target") "$@" \
      "$corpus" "$fuzz_seeds/$target" $(fuzz_regressions "$target") || status=$?
  return $status
}
