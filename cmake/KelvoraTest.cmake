# kelvora_add_test(<name> SOURCES <files...> LABELS <labels...> [LIBS <targets...>]
#                  [SUITE <executable>] [XVFB] [TIMEOUT <s>] [ENV <VAR=value>...])
#
# A Qt Test class registered with CTest as <name>. GUI tests run on the offscreen
# platform unless XVFB asks for a real X server.
#
# LABELS says what the test needs, so a tree can build and run a part of the suite
# (`ctest -L threaded`):
#   unit      logic only: no widgets, no other programs
#   gui       builds widgets
#   process   starts another program (the simulator, kelvora, cmake)
#   threaded  a thread starts in the test or in a program it starts, Qt's own
#             included (strace -f -e trace=clone3 shows it): the ThreadSanitizer
#             tree builds and runs exactly these (target threaded_tests)
#   package   checks the Debian package (plain tree only)
#
# SUITE puts the class into a shared executable instead of one of its own: its
# source ends with KELVORA_TEST_MAIN (tests/support/TestSuite.h) instead of
# QTEST_MAIN, and CTest starts the executable with the source's base name, so each
# test still runs in a process of its own. Fewer executables, fewer links.
#
# Every test links Qt Test, Qt Widgets and the thread library and reuses their precompiled header
# (tests/support), unless it links a further Qt module.
#
# ENV entries for ASAN_OPTIONS, UBSAN_OPTIONS or TSAN_OPTIONS add to the tree's
# sanitizer options (cmake/KelvoraSanitize.cmake).

find_package(Threads REQUIRED)
set(KELVORA_TEST_LABELS unit gui process threaded package)
set(KELVORA_TEST_BIN_DIR ${CMAKE_BINARY_DIR}/tests/bin)
# Libraries whose headers bring gRPC into a test (see tests/support).
set(KELVORA_GRPC_TEST_LIBS corelink_proto Kelvora::TestSupport kelvora_test_support stub_core hostile_core
  vision_core_server vision_core_sim vision_core_genicam)

# The tests that take longest, longest first. CTest starts them ahead of the others
# (COST), so a parallel run of a fresh tree, which has no timings of its own yet,
# does not end with one of them running alone.
set(KELVORA_LONG_TESTS tst_genicam_camera tst_system_shift tst_genicam_descriptions tst_system_cameras
  tst_corelink_link tst_genicam_page tst_corelink_client tst_service_coreback tst_service_hostile
  tst_genicam_station tst_large_frames tst_service_frames kelvora_station_install)

# The tree's sanitizer options plus the given VAR=value entries, on a test.
function(kelvora_test_environment test)
  set(env ${KELVORA_SANITIZER_ENV})
  foreach(entry ${ARGN})
    string(REGEX MATCH "^(ASAN|UBSAN|TSAN)_OPTIONS=" option "${entry}")
    set(merged FALSE)
    if(option)
      set(index 0)
      foreach(current ${env})
        if(current MATCHES "^${option}")
          string(LENGTH "${option}" prefix)
          string(SUBSTRING "${entry}" ${prefix} -1 extra)
          list(REMOVE_AT env ${index})
          list(INSERT env ${index} "${current}:${extra}")
          set(merged TRUE)
          break()
        endif()
        math(EXPR index "${index} + 1")
      endforeach()
    endif()
    if(NOT merged)
      list(APPEND env "${entry}")
    endif()
  endforeach()
  set_tests_properties(${test} PROPERTIES ENVIRONMENT "${env}")
endfunction()

# kelvora_test_properties(<test> TARGET <executable> LABELS <labels...> [ENV <VAR=value>...])
# Labels and environment of a test, for tests added with add_test directly as well:
# a threaded test's executable joins the ThreadSanitizer tree's target.
function(kelvora_test_properties test)
  cmake_parse_arguments(P "" "TARGET" "LABELS;ENV" ${ARGN})
  set(kinds ${P_LABELS})
  list(FILTER kinds INCLUDE REGEX "^(unit|gui|process)$")
  if(NOT kinds)
    message(FATAL_ERROR "${test}: LABELS needs unit, gui or process")
  endif()
  foreach(label ${P_LABELS})
    if(NOT label IN_LIST KELVORA_TEST_LABELS)
      message(FATAL_ERROR "${test}: unknown label ${label} (known: ${KELVORA_TEST_LABELS})")
    endif()
  endforeach()
  set_tests_properties(${test} PROPERTIES LABELS "${P_LABELS}")
  list(FIND KELVORA_LONG_TESTS ${test} rank)
  if(rank GREATER -1)
    list(LENGTH KELVORA_LONG_TESTS count)
    math(EXPR cost "1000 * (${count} - ${rank})")
    set_tests_properties(${test} PROPERTIES COST ${cost})
  endif()
  kelvora_test_environment(${test} ${P_ENV})
  if("threaded" IN_LIST P_LABELS)
    if(NOT P_TARGET)
      message(FATAL_ERROR "${test}: a threaded test names its TARGET")
    endif()
    set_property(GLOBAL APPEND PROPERTY KELVORA_THREADED_TEST_TARGETS ${P_TARGET})
  endif()
  if("unit" IN_LIST P_LABELS AND P_TARGET)
    set_property(GLOBAL APPEND PROPERTY KELVORA_UNIT_TEST_TARGETS ${P_TARGET})
  endif()
endfunction()

function(kelvora_add_test name)
  cmake_parse_arguments(T "XVFB" "TIMEOUT;SUITE" "SOURCES;LIBS;ENV;LABELS" ${ARGN})

  # Qt modules beyond these would change what the shared precompiled header means.
  # A test that links the core's protocol, or a core of its own, reads gRPC's headers
  # too and takes the header that holds them.
  set(own_header TRUE)
  set(pch kelvora_test_pch)
  foreach(lib ${T_LIBS})
    if(lib MATCHES "^Qt5::" AND NOT lib MATCHES "^Qt5::(Core|Gui|Widgets|Test)$")
      set(own_header FALSE)
    endif()
    if(lib IN_LIST KELVORA_GRPC_TEST_LIBS)
      set(pch kelvora_test_pch_grpc)
    endif()
  endforeach()

  if(T_SUITE)
    set(target ${T_SUITE})
    if(NOT TARGET ${target})
      add_executable(${target})
      target_link_libraries(${target} PRIVATE kelvora_test_suite)
      set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KELVORA_TEST_BIN_DIR})
      target_precompile_headers(${target} REUSE_FROM ${pch})
    endif()
    target_sources(${target} PRIVATE ${T_SOURCES})
    list(GET T_SOURCES 0 main_source)
    get_filename_component(entry ${main_source} NAME_WE)
    set(arguments ${entry})
  else()
    set(target ${name})
    add_executable(${target} ${T_SOURCES})
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KELVORA_TEST_BIN_DIR})
    if(own_header)
      target_precompile_headers(${target} REUSE_FROM ${pch})
    endif()
    set(arguments "")
  endif()
  target_link_libraries(${target} PRIVATE Qt5::Test Qt5::Widgets Threads::Threads ${T_LIBS})
  # The tests include their own moc output, so this file is mostly empty: loading the
  # precompiled header for it would cost more than the file itself.
  set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/mocs_compilation.cpp
    TARGET_DIRECTORY ${target} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
  # Some libraries bring -pthread and some do not; the shared precompiled header
  # needs the same _REENTRANT everywhere.
  target_compile_options(${target} PRIVATE -pthread)

  if(T_XVFB)
    add_test(NAME ${name} COMMAND xvfb-run -a -s "-screen 0 1280x800x24" $<TARGET_FILE:${target}> ${arguments})
  else()
    add_test(NAME ${name} COMMAND ${target} ${arguments})
    list(APPEND T_ENV QT_QPA_PLATFORM=offscreen)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  kelvora_test_properties(${name} TARGET ${target} LABELS ${T_LABELS} ENV ${T_ENV})
endfunction()
