# SPDX-License-Identifier: MIT
# The fuzz targets and their settings, shared by scripts/test-fuzz.sh (the test command's
# bounded, seeded step) and scripts/fuzz-explore.sh (open-ended fuzzing). Sourced, not run.

fuzz_targets=(module_calls value_text clap_state automation audio_file)

# The seed of the test command's search. Changing it, or the runs below, changes which inputs
# CI tries; keep it fixed so that a commit's result never depends on chance.
fuzz_ci_seed=20261208

# Runs per target in the test command: about fifteen seconds each on a busy 2-core machine,
# a check that the seeds' neighbourhood stays clean; the long searches are fuzz-explore.sh's.
fuzz_ci_runs() {
  case "$1" in
    module_calls) echo 20000 ;;
    value_text) echo 3000000 ;;
    automation) echo 300000 ;;
    audio_file) echo 60000 ;;
    clap_state) echo 400000 ;;
    *) echo 100000 ;;
  esac
}

# Flags a target always runs with. The audio file reader's decoders (libsndfile's MP3 and
# Vorbis libraries among them) print a complaint for every broken frame to standard error,
# hundreds of megabytes a minute: the target's standard error is closed (-close_fd_mask=2),
# while libFuzzer's own output, the sanitizers' reports and the target's rule messages still
# reach the log through a copy of the descriptor taken at start-up.
fuzz_flags() {
  case "$1" in
    audio_file) echo "-close_fd_mask=2" ;;
    *) echo "" ;;
  esac
}

# The same seed makes the same search only where addresses repeat too: the fuzzer learns from
# the operands of the target's comparisons, some of which are addresses. The test command
# runs each target with address-space randomisation off for its own process.
fuzz_fixed_addresses() {
  if setarch "$(uname -m)" -R true 2>/dev/null; then
    echo setarch "$(uname -m)" -R
  fi
}
