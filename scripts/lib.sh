# shellcheck shell=bash
# What the scripts share: the repository's folder as the current one, messages, the number of
# build jobs, configuring and building a preset, and installing missing Debian packages.
#   source "$(dirname "$0")/lib.sh"     (scripts/X sources scripts/lib.sh)

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd) || exit 1
cd "$repo_root" || exit 1
script_name=$(basename "$0")

# say TEXT...: one line of this script's own, after its name.
say() { printf '%s: %s\n' "$script_name" "$*"; }
# die TEXT...: says it on stderr and ends the script with status 1.
die() {
  say "$*" >&2
  exit 1
}

# build_jobs: the parallel jobs to build with: TEPHRIX_JOBS, else one a processor.
build_jobs() { echo "${TEPHRIX_JOBS:-$(nproc)}"; }
# build_jobs_at_most MAX: as many, at most MAX (the sanitized and fuzz builds need much memory
# a job).
build_jobs_at_most() {
  local jobs
  jobs=$(build_jobs)
  ((jobs > $1)) && jobs=$1
  echo "$jobs"
}

# preset_configure PRESET: cmake --preset PRESET, its output in build/logs/PRESET-configure.log.
preset_configure() {
  mkdir -p build/logs && cmake --preset "$1" >"build/logs/$1-configure.log"
}

# preset_build PRESET JOBS [cmake --build options...]: configures the preset and builds it in
# build/PRESET (all of it, or the targets the options name).
preset_build() {
  local preset=$1 jobs=$2
  shift 2
  preset_configure "$preset" && cmake --build "build/$preset" -j "$jobs" "$@"
}

# shell_scripts: the repository's shell scripts (a bash first line or a shellcheck shell directive).
shell_scripts() {
  local f
  for f in $(git ls-files scripts .ci); do
    head -n 1 "$f" | grep -qE '^#!/usr/bin/env bash|^#!/bin/(ba)?sh|^# shellcheck shell=' && echo "$f"
  done
  return 0
}

# Runs shellcheck on every shell script: its findings, and the closing line
# "shellcheck: N passed, M failed"; fails when one script has a finding.
shellcheck_all() {
  local f passed=0 failed=0
  for f in $(shell_scripts); do
    if shellcheck -x -P "$(dirname "$f")" "$f"; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
      echo "FAIL shellcheck $f"
    fi
  done
  echo "shellcheck: $passed passed, $failed failed"
  ((failed == 0))
}

# The prefix for commands that need root: nothing when this is root, else sudo.
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# install_missing PACKAGE...: installs those of the Debian packages that are not installed.
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  ((${#missing[@]})) || return 0
  say "installing ${missing[*]}"
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}
