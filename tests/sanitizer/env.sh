# Sourced before running anything built with -DNORRAVA_SANITIZE=ON.
NORRAVA_SANITIZER_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0:check_initialization_order=1
export LSAN_OPTIONS=suppressions=$NORRAVA_SANITIZER_DIR/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
