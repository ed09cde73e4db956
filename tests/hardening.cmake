# Hardening tests of the native build: fault injection over whole batches, killing the programs
# in the middle of a rewrite, further unit tests; and, in a clang build configured with
# NEXTPICS_FUZZ=ON (tools/fuzz.sh), the fuzz targets. Nothing here when cross-compiling.
if(CMAKE_CROSSCOMPILING OR TARGET nextpics_fault_tests OR TARGET fuzz_scanners)
    return()
endif()

option(NEXTPICS_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(NEXTPICS_FUZZ)
    include(${CMAKE_CURRENT_LIST_DIR}/fuzz/fuzz_targets.cmake)
    return()
endif()

if(NOT gtest_libraries)
    find_package(GTest REQUIRED)
    set(gtest_libraries GTest::gtest)
endif()
set(hardening_support ${CMAKE_CURRENT_LIST_DIR}/test_main.cpp ${CMAKE_CURRENT_LIST_DIR}/test_support.cpp
                      ${CMAKE_CURRENT_LIST_DIR}/page_fixture.cpp)
set(hardening_libraries nextpics_insert nextpics_remove nextpics_scan nextpics_batch nextpics_console_window nextpics_console
                        nextpics_textio nextpics_platform ${gtest_libraries})

# Every file operation of the passes failing on its N-th call, and the power cut after it (glibc
# streams, so POSIX only).
add_executable(nextpics_fault_tests ${CMAKE_CURRENT_LIST_DIR}/faults/fault_injection_test.cpp
               ${CMAKE_CURRENT_LIST_DIR}/faults/power_cut_test.cpp ${CMAKE_CURRENT_LIST_DIR}/faults/power_cut.cpp
               ${CMAKE_CURRENT_LIST_DIR}/faults/batch_site.cpp ${CMAKE_CURRENT_LIST_DIR}/faults/fault_files.cpp
               ${hardening_support})
target_include_directories(nextpics_fault_tests PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(nextpics_fault_tests PRIVATE ${hardening_libraries})
# The batches run the programs' drivers, which name the logos.
foreach(pictures nextpics_add_pictures nextpics_del_pictures)
    if(TARGET ${pictures})
        target_link_libraries(nextpics_fault_tests PRIVATE ${pictures})
    endif()
endforeach()
set_target_properties(nextpics_fault_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
add_test(NAME fault_injection COMMAND nextpics_fault_tests WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
# Some thousand small batches: on a memory file system they take seconds, not minutes.
if(IS_DIRECTORY /dev/shm)
    set_tests_properties(fault_injection PROPERTIES ENVIRONMENT TMPDIR=/dev/shm)
endif()

# Killing the native programs in the middle of large pages. Too slow with the sanitizers or
# coverage counters, where it is left out.
if(NOT NEXTPICS_SANITIZE AND NOT NEXTPICS_COVERAGE)
    add_test(NAME crash_safety COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/crash/kill_during_rewrite.sh ${NEXTPICS_OUT})
    set_tests_properties(crash_safety PROPERTIES TIMEOUT 600)
    # Two runs over the same pages at once, and an editor saving a page during a run: a few rounds
    # here, many with tests/crash/runs_at_once.py by hand.
    add_test(NAME runs_at_once COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/crash/runs_at_once.py ${NEXTPICS_OUT}
                                       --rounds 5 --pages 100)
    add_test(NAME editor_during_a_run COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/crash/runs_at_once.py ${NEXTPICS_OUT}
                                              --editor --rounds 20 --kb 1024)
    set_tests_properties(runs_at_once editor_during_a_run PROPERTIES TIMEOUT 300)
endif()
