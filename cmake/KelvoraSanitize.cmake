# The sanitizer builds in one place: compiler flags, and the runtime options that
# every test of the tree runs with (cmake/KelvoraTest.cmake sets them per test, so a
# test's own extra options add to these instead of replacing them).
#
# scripts/test.sh builds the sanitizer trees with clang: at -O0 with line tables
# only it compiles this code in well under half of GCC's time at -O1, the reports
# still name file and line, and no optimisation hides a fault. lld links them.
# GCC works too, at -O1 (its -O0 with UBSan is hardly faster).

set(KELVORA_SANITIZER_ENV "")

if(CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND KELVORA_FUZZ)
  # A fuzzer's worth is its executions a second: optimised.
  set(KELVORA_SANITIZER_CODEGEN -O1 -gline-tables-only)
elseif(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(KELVORA_SANITIZER_CODEGEN -O0 -gline-tables-only)
  find_program(KELVORA_LLD ld.lld)
  if(KELVORA_LLD AND (KELVORA_SANITIZE OR KELVORA_TSAN))
    add_link_options(-fuse-ld=lld)
  endif()
else()
  set(KELVORA_SANITIZER_CODEGEN -O1 -g1)
endif()

if(KELVORA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined
                      ${KELVORA_SANITIZER_CODEGEN})
  add_link_options(-fsanitize=address,undefined)
  # Debian's Qt and gRPC keep allocations until exit; leaks are the fuzzer's business.
  list(APPEND KELVORA_SANITIZER_ENV "ASAN_OPTIONS=detect_leaks=0" "UBSAN_OPTIONS=print_stacktrace=1")
endif()

if(KELVORA_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer ${KELVORA_SANITIZER_CODEGEN})
  add_link_options(-fsanitize=thread)
  # Debian's Qt, gRPC and GLib are not instrumented: tests/tsan.supp names them, and
  # ignore_noninstrumented_modules keeps TSan from checking memory that those
  # libraries hand over (a frame's bytes copied out of gRPC's buffers), which it
  # would otherwise take for a race on every frame.
  list(APPEND KELVORA_SANITIZER_ENV
    "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp:ignore_noninstrumented_modules=1:allocator_may_return_null=1:second_deadlock_stack=1")
endif()
