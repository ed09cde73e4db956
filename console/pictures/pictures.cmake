# Turns the picture sources beside this file into the logo records and, on Windows, the icon
# resources of the two programs: OBJECT libraries nextpics_add_pictures and nextpics_del_pictures,
# and nextpics_logo_records with both logos but no icon. On Linux the same icon pictures become the
# desktop icons, PNG files at the usual sizes, installed under share/icons/hicolor.
#
# Included from console/CMakeLists.txt. OBJECT libraries rather than static ones, because a linker
# drops a resource object from a static library: nothing in the program refers to it by name.

set(nextpics_pictures_dir ${CMAKE_CURRENT_SOURCE_DIR}/pictures)
set(nextpics_pictures_out ${CMAKE_CURRENT_BINARY_DIR}/pictures)
set(nextpics_picture_tool_source ${PROJECT_SOURCE_DIR}/tools/picture_tool.cpp)
set(nextpics_logo_sources "")
set(nextpics_desktop_icons "")
file(MAKE_DIRECTORY ${nextpics_pictures_out})

if(WIN32)
    enable_language(RC)
endif()

# The tool runs on the build machine. In a cross build the target compiler cannot make it, so the
# host compiler does.
if(CMAKE_CROSSCOMPILING)
    set(NEXTPICS_HOST_CXX c++ CACHE STRING "C++ compiler of the build machine, for tools run during the build")
    set(nextpics_picture_tool ${CMAKE_BINARY_DIR}/host/picture_tool)
    add_custom_command(
        OUTPUT ${nextpics_picture_tool}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
        COMMAND ${NEXTPICS_HOST_CXX} -std=c++20 -O1 -Wall -Wextra -Werror ${NEXTPICS_CORE_FLAGS}
                ${nextpics_picture_tool_source} -o ${nextpics_picture_tool}
        DEPENDS ${nextpics_picture_tool_source}
        COMMENT "Building picture_tool for the build machine"
        VERBATIM)
    add_custom_target(nextpics_picture_tool DEPENDS ${nextpics_picture_tool})
else()
    add_executable(nextpics_picture_tool ${nextpics_picture_tool_source})
    set_target_properties(nextpics_picture_tool PROPERTIES
        OUTPUT_NAME picture_tool
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/host)
    target_compile_options(nextpics_picture_tool PRIVATE ${NEXTPICS_CORE_FLAGS})
    set(nextpics_picture_tool $<TARGET_FILE:nextpics_picture_tool>)
endif()

# Warning options are set for the whole tree, but the resource compiler knows none of them: give
# them to C++ only.
get_property(nextpics_tree_options DIRECTORY PROPERTY COMPILE_OPTIONS)
set(nextpics_picture_options "")
foreach(option IN LISTS nextpics_tree_options NEXTPICS_CORE_FLAGS)
    list(APPEND nextpics_picture_options $<$<COMPILE_LANGUAGE:CXX>:${option}>)
endforeach()

foreach(which add del)
    set(logo_source ${nextpics_pictures_dir}/${which}_logo.txt)
    set(icon_source ${nextpics_pictures_dir}/${which}_icon.txt)
    set(logo_cpp ${nextpics_pictures_out}/${which}_logo.cpp)
    set(icon_file ${nextpics_pictures_out}/${which}.ico)
    set(icon_rc ${nextpics_pictures_out}/${which}.rc)

    add_custom_command(
        OUTPUT ${logo_cpp}
        COMMAND ${nextpics_picture_tool} logo ${logo_source} ${which}_nextpics_logo ${logo_cpp}
        DEPENDS ${nextpics_picture_tool} ${logo_source}
        COMMENT "Generating the logo of ${which}Nextpics"
        VERBATIM)
    add_custom_command(
        OUTPUT ${icon_file} ${icon_rc}
        COMMAND ${nextpics_picture_tool} icon ${icon_source} ${icon_file} ${icon_rc}
        DEPENDS ${nextpics_picture_tool} ${icon_source}
        COMMENT "Generating the icon of ${which}Nextpics"
        VERBATIM)

    # The icon is made in every build, so that a broken icon source shows on Linux too; only the
    # Windows programs carry it.
    if(WIN32)
        add_library(nextpics_${which}_pictures OBJECT ${logo_cpp} ${icon_rc})
    else()
        add_library(nextpics_${which}_pictures OBJECT ${logo_cpp} ${icon_file})
    endif()
    list(APPEND nextpics_logo_sources ${logo_cpp})

    if(NOT WIN32)
        foreach(size 16 24 32 48 64 128)
            set(png ${nextpics_pictures_out}/hicolor/${size}x${size}/${which}Nextpics.png)
            add_custom_command(
                OUTPUT ${png}
                COMMAND ${CMAKE_COMMAND} -E make_directory ${nextpics_pictures_out}/hicolor/${size}x${size}
                COMMAND ${nextpics_picture_tool} png ${icon_source} ${size} ${png}
                DEPENDS ${nextpics_picture_tool} ${icon_source}
                COMMENT "Generating the ${size} x ${size} desktop icon of ${which}Nextpics"
                VERBATIM)
            list(APPEND nextpics_desktop_icons ${png})
            install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
        endforeach()
    endif()
endforeach()
if(nextpics_desktop_icons)
    add_custom_target(nextpics_desktop_icons ALL DEPENDS ${nextpics_desktop_icons})
endif()

# Both logo records without the icons, for a program that needs the two logos at once, such as the
# unit tests: the two icons share one resource number and cannot go into one program.
add_library(nextpics_logo_records OBJECT ${nextpics_logo_sources})

foreach(target nextpics_add_pictures nextpics_del_pictures nextpics_logo_records)
    set_property(TARGET ${target} PROPERTY COMPILE_OPTIONS ${nextpics_picture_options})
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
    add_dependencies(${target} nextpics_picture_tool)
endforeach()

# Checks of the tool itself: it must turn a small source into exactly the expected bytes, and
# refuse each broken source with a message naming the fault. The sources are written here; the
# tool runs on the build machine in every build.
if(NEXTPICS_TESTS)
    enable_testing()
    set(cases_dir ${nextpics_pictures_out}/cases)
    set(entries16 "")
    foreach(i RANGE 15)
        string(APPEND entries16 "${i} ${i}0 ${i}1 ${i}2\n")
    endforeach()
    set(palette16 "palette 16\n${entries16}")
    file(WRITE ${cases_dir}/good.txt "# a 3 x 2 picture\n${palette16}\npixels 3 2\n0aF\nfA0\n")
    file(WRITE ${cases_dir}/short_row.txt "${palette16}pixels 3 2\n0aF\nfA\n")
    file(WRITE ${cases_dir}/long_row.txt "${palette16}pixels 3 2\n0aF\nfA01\n")
    file(WRITE ${cases_dir}/missing_row.txt "${palette16}pixels 3 2\n0aF\n")
    file(WRITE ${cases_dir}/extra_row.txt "${palette16}pixels 3 2\n0aF\nfA0\n123\n")
    file(WRITE ${cases_dir}/bad_digit.txt "${palette16}pixels 3 2\n0aF\nfG0\n")
    file(WRITE ${cases_dir}/beyond_palette.txt "palette 4\n0 0 0 0\n1 1 1 1\n2 2 2 2\n3 3 3 3\npixels 2 1\n34\n")
    file(WRITE ${cases_dir}/missing_entry.txt "palette 3\n0 0 0 0\n2 2 2 2\npixels 1 1\n0\n")
    file(WRITE ${cases_dir}/bright_entry.txt "palette 2\n0 0 0 0\n1 1 256 1\npixels 1 1\n0\n")
    file(WRITE ${cases_dir}/no_palette.txt "pixels 1 1\n0\n")
    file(WRITE ${cases_dir}/wide_palette.txt "palette 17\n${entries16}16 1 2 3\npixels 2 1\n1100\n")
    file(WRITE ${cases_dir}/square.txt "${palette16}pixels 2 2\n0a\nF5\n")
    # What release/tests/icon_pixels.py reads from the PNG pictures of square.txt: at 4 x 4 each
    # pixel doubled, at 1 x 1 the average of the four.
    file(WRITE ${cases_dir}/square4.expected
         "4 4\n000102 000102 646566 646566\n000102 000102 646566 646566\n969798 969798 323334 323334\n969798 969798 323334 323334\n")
    file(WRITE ${cases_dir}/square1.expected "1 1\n4b4c4d\n")
    file(WRITE ${cases_dir}/eight_colours.txt
         "palette 8\n0 0 0 0\n1 1 1 1\n2 2 2 2\n3 3 3 3\n4 4 4 4\n5 5 5 5\n6 6 6 6\n7 7 7 7\npixels 1 1\n7\n")

    # Run with -DTOOL=... -DARGS=a,b,c -DEXPECT=<regular expression of the error, or "layout">.
    file(WRITE ${cases_dir}/check_case.cmake [=[
string(REPLACE "," ";" ARGS "${ARGS}")
execute_process(COMMAND ${TOOL} ${ARGS} RESULT_VARIABLE result ERROR_VARIABLE error)
if(NOT EXPECT STREQUAL "layout")
    if(result EQUAL 0)
        message(FATAL_ERROR "picture_tool accepted ${ARGS}")
    endif()
    if(NOT error MATCHES "${EXPECT}")
        message(FATAL_ERROR "picture_tool failed with \"${error}\", expected \"${EXPECT}\"")
    endif()
    return()
endif()
if(NOT result EQUAL 0)
    message(FATAL_ERROR "picture_tool failed: ${error}")
endif()

function(expect_bytes hex offset expected what)
    string(LENGTH "${expected}" length)
    math(EXPR start "${offset} * 2")
    string(SUBSTRING "${hex}" ${start} ${length} found)
    if(NOT found STREQUAL expected)
        message(FATAL_ERROR "${what} at byte ${offset}: found ${found}, expected ${expected}")
    endif()
endfunction()

if(ARGS MATCHES "^png")
    list(GET ARGS 3 png)
    string(REPLACE ".png" ".expected" expected_file "${png}")
    execute_process(COMMAND python3 ${PIXELS} ${png} RESULT_VARIABLE result OUTPUT_VARIABLE pixels
                    ERROR_VARIABLE error)
    file(READ ${expected_file} expected)
    if(NOT result EQUAL 0 OR NOT pixels STREQUAL expected)
        message(FATAL_ERROR "${png} reads as\n${pixels}${error}expected\n${expected}")
    endif()
elseif(ARGS MATCHES "^icon")
    # good.txt is 3 x 2: colour rows padded to 4 bytes, mask rows 4 bytes, 1080 bytes of image.
    file(READ good.ico ico HEX)
    string(LENGTH "${ico}" length)
    if(NOT length EQUAL 2204)
        message(FATAL_ERROR "icon file has ${length} hex digits, expected 2204")
    endif()
    expect_bytes("${ico}" 0 "000001000100" "icon directory")
    expect_bytes("${ico}" 6 "03020000010008003804000016000000" "icon directory entry")
    expect_bytes("${ico}" 22 "28000000030000000400000001000800000000001000000000000000000000000000000000000000"
                 "bitmap header")
    expect_bytes("${ico}" 62 "02010000" "palette entry 0 (blue, green, red, 0)")
    expect_bytes("${ico}" 66 "0c0b0a00" "palette entry 1")
    expect_bytes("${ico}" 122 "98979600" "palette entry 15")
    expect_bytes("${ico}" 126 "00000000" "palette entry 16")
    expect_bytes("${ico}" 1086 "0f0a0000000a0f000000000000000000" "rows bottom up, then the mask")
    file(READ good.rc rc)
    if(NOT rc STREQUAL "128 ICON \"good.ico\"\n")
        message(FATAL_ERROR "resource script is \"${rc}\"")
    endif()
else()
    file(READ good.cpp cpp)
    foreach(expected
            "extern const unsigned char sample_logo[] = {\n    0x03, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x0a,"
            "0x96, 0x97, 0x98, 0xfa, 0x00, 0x0a, 0xf0,\n};"
            "extern const int sample_logo_size = 64;")
        string(FIND "${cpp}" "${expected}" at)
        if(at LESS 0)
            message(FATAL_ERROR "generated logo lacks \"${expected}\":\n${cpp}")
        endif()
    endforeach()
endif()
]=])

    # name | arguments after the tool | the expected error, or "layout" for a source that must pass
    set(cases
        "logo_layout|logo,good.txt,sample_logo,good.cpp|layout"
        "icon_layout|icon,good.txt,good.ico,good.rc|layout"
        "short_row|logo,short_row.txt,sample_logo,out.cpp|short_row.txt:20: pixel row 1 has 2 digits, expected 3"
        "long_row|logo,long_row.txt,sample_logo,out.cpp|pixel row 1 has 4 digits, expected 3"
        "missing_row|logo,missing_row.txt,sample_logo,out.cpp|file ends after 1 of 2 pixel rows"
        "extra_row|logo,extra_row.txt,sample_logo,out.cpp|more than 2 pixel rows"
        "bad_digit|icon,bad_digit.txt,out.ico,out.rc|pixel row 1, column 1: 'G' is not a hexadecimal digit"
        "beyond_palette|icon,beyond_palette.txt,out.ico,out.rc|pixel row 0, column 1: colour 4 is not in the palette of 4"
        "wide_palette|icon,wide_palette.txt,out.ico,out.rc|pixel row 0, column 0: colour 17 is not in the palette of 17"
        "missing_entry|icon,missing_entry.txt,out.ico,out.rc|palette entry 1 is numbered 2"
        "bright_entry|icon,bright_entry.txt,out.ico,out.rc|palette entry 1 has a component above 255"
        "no_palette|icon,no_palette.txt,out.ico,out.rc|expected \"palette\""
        "eight_colours|logo,eight_colours.txt,sample_logo,out.cpp|a logo needs exactly 16 palette entries, not 8"
        "bad_name|logo,good.txt,2logo,out.cpp|\"2logo\" is not a C\\+\\+ name"
        "png_doubled|png,square.txt,4,square4.png|layout"
        "png_averaged|png,square.txt,1,square1.png|layout"
        "png_not_square|png,good.txt,32,out.png|an icon picture must be square, not 3 x 2"
        "png_bad_size|png,square.txt,0,out.png|the size \"0\" is not a number from 1 to 1024")
    if(CMAKE_CROSSCOMPILING)
        set(tool_file ${nextpics_picture_tool})
    else()
        set(tool_file $<TARGET_FILE:nextpics_picture_tool>)
    endif()
    foreach(case IN LISTS cases)
        string(REGEX MATCH "^([^|]*)\\|([^|]*)\\|(.*)$" fields "${case}")
        add_test(NAME picture_tool.${CMAKE_MATCH_1}
                 COMMAND ${CMAKE_COMMAND} -DTOOL=${tool_file} -DARGS=${CMAKE_MATCH_2} -DEXPECT=${CMAKE_MATCH_3}
                         -DPIXELS=${PROJECT_SOURCE_DIR}/release/tests/icon_pixels.py -P ${cases_dir}/check_case.cmake
                 WORKING_DIRECTORY ${cases_dir})
    endforeach()
endif()
