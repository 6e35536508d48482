# Sourced by the benchmark scripts: the configuration this host runs (x86, wow64
# or x64, see scripts/wine-session.sh), the builds, and a throwaway Wine session
# with a work folder in it.
#   bench_arch "Boot benchmark"   chooses the configuration, says which and
#                                 installs what the benchmarks use
#   bench_configs                 the configurations a benchmark that measures
#                                 each should run: QR_ARCH, else all the host runs
#   bench_build [TARGET...]       builds both programs and the test tree, or given
#                                 targets only those tools of the test tree
#                                 (QR_NO_BUILD=1: the builds as they are);
#                                 sets $product and $tests (Unix paths)
#   bench_session                 starts the session (ended on exit) and makes $work
#   bench_run TOOL ARGS...        runs tests/tools' TOOL under Wine and prints its output
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/wine-session.sh"
build=${QR_BUILD_DIR:-$root/build}

bench_arch() {
  qr_choose_arch
  echo "$1: $QR_ARCH, $(qr_describe) ($QR_ARCH_WHY)"
  "$root/scripts/deps.sh"    # nginx, wrk, node, pacparser: whatever a benchmark runs
}

bench_configs() {
  if [ -n "${QR_ARCH:-}" ]; then echo "$QR_ARCH"; else qr_configs; fi
}

bench_build() {
  product=$(qr_product_dir "$build"); tests=$(qr_tests_dir "$build")
  [ -z "${QR_NO_BUILD:-}" ] || return 0
  if [ $# -eq 0 ]; then
    "$root/scripts/build.sh" --tests "$(qr_build_arch)" >/dev/null
    return
  fi
  [ -f "$tests/CMakeCache.txt" ] || "$root/scripts/build.sh" --tests "$(qr_build_arch)" >/dev/null
  cmake "$tests" >/dev/null    # picks up tools added since the tree was configured
  cmake --build "$tests" --target "$@" -j 2 >/dev/null
}

bench_session() {
  trap qr_session_end EXIT
  qr_session_begin
  work=$(mktemp -d "$QR_SESSION_DIR/bench.XXXXXX")
}

# The output goes to a file first: Wine's background services would keep a pipe open.
bench_run() {
  wine "$tests/tests/$1.exe" "${@:2}" >"$work/result.txt" 2>&1 </dev/null || true
  cat "$work/result.txt"
}
