# Fuzz targets (included by tests/hardening.cmake), built with clang and libFuzzer (tools/fuzz.sh configures such a build); every
# library they test is compiled with the fuzzer's coverage instrumentation and the sanitizers.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "The fuzz targets need clang (configure with CXX=clang++)")
endif()

set(fuzz_flags -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
foreach(library nextpics_platform nextpics_console nextpics_textio nextpics_scan nextpics_insert nextpics_remove)
    target_compile_options(${library} PRIVATE ${fuzz_flags})
endforeach()

add_library(nextpics_fuzz_support STATIC ${CMAKE_CURRENT_LIST_DIR}/fuzz_support.cpp)
target_include_directories(nextpics_fuzz_support PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(nextpics_fuzz_support PRIVATE ${fuzz_flags})
target_link_libraries(nextpics_fuzz_support PUBLIC nextpics_platform)

set(NEXTPICS_FUZZ_TARGETS scanners rewriter restorer insert_blocks command_line round_trip)
foreach(target IN LISTS NEXTPICS_FUZZ_TARGETS)
    add_executable(fuzz_${target} ${CMAKE_CURRENT_LIST_DIR}/${target}_fuzz.cpp)
    target_compile_options(fuzz_${target} PRIVATE ${fuzz_flags})
    target_link_options(fuzz_${target} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(fuzz_${target} PRIVATE nextpics_fuzz_support nextpics_insert nextpics_remove
                          nextpics_scan nextpics_textio nextpics_console nextpics_platform)
    set_target_properties(fuzz_${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endforeach()
add_custom_target(fuzz_targets)
foreach(target IN LISTS NEXTPICS_FUZZ_TARGETS)
    add_dependencies(fuzz_targets fuzz_${target})
endforeach()
