#!/usr/bin/env bash
# Writes driver/run_functions.txt (or OUT): the functions that one run of the
# program executes, which the link places side by side (see
# CMakeLists.txt). Run it after a change that adds or renames functions on
# a run's path; a stale list costs memory, never correctness.
#
#   driver/order_functions.sh build/driver/meld-system [OUT]
set -euo pipefail
export LC_ALL=C  # one sort order for the list and for comparing with it
program="$(realpath "${1:?usage: $0 PROGRAM [OUT]}")"
out="${2:-$(dirname "$0")/run_functions.txt}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# One run without a terminal, as a script or a service starts it; callgrind
# names every function that executed.
(cd "$work" && setsid valgrind -q --tool=callgrind --demangle=no \
  --callgrind-out-file="$work/calls" "$program" </dev/null >/dev/null 2>&1) || true
{
  sed -nE "s/^c?fn=\([0-9]+\) ([^ ']+).*/\1/p" "$work/calls" | grep -vE '^(0x|\()'
  # The C library's cache probe depends on the processor's maker; under
  # valgrind it sees one maker only. (Its string functions come in one
  # variant per processor too, but those lie together in the library
  # already.)
  printf '%s\n' handle_amd handle_intel handle_zhaoxin intel_check_word
} | sort -u >"$out"
echo "$(wc -l <"$out") functions in $out"
