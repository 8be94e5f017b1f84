# The sanitizer builds in one place: compiler flags, and the runtime options that
# every test of the tree runs with (cmake/KelvoraTest.cmake sets them per test, so a
# test's own extra options add to these instead of replacing them).
#
# The sanitizer trees compile at -O1 with line tables only: about a third less
# compile time than -O2 -g, and reports still name file and line.

set(KELVORA_SANITIZER_ENV "")

if(KELVORA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined
                      -O1 -g1)
  add_link_options(-fsanitize=address,undefined)
  # Debian's Qt and gRPC keep allocations until exit; leaks are the fuzzer's business.
  list(APPEND KELVORA_SANITIZER_ENV "ASAN_OPTIONS=detect_leaks=0" "UBSAN_OPTIONS=print_stacktrace=1")
endif()

if(KELVORA_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -O1 -g1)
  add_link_options(-fsanitize=thread)
  # Debian's Qt, gRPC and GLib are not instrumented: tests/tsan.supp names them, and
  # ignore_noninstrumented_modules keeps TSan from checking memory that those
  # libraries hand over (a frame's bytes copied out of gRPC's buffers), which it
  # would otherwise take for a race on every frame.
  list(APPEND KELVORA_SANITIZER_ENV
    "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp:ignore_noninstrumented_modules=1:allocator_may_return_null=1:second_deadlock_stack=1")
endif()
