# Run by CPack between its install into the staging folder and the packing of the .deb (see
# deb_package.cmake): what a Debian package holds beyond what cmake --install puts in a prefix.
# - the man pages compressed with gzip -9n, as Debian keeps them (no name or time in the header,
#   so that the same pages give the same bytes);
# - /usr/share/doc/nextpics/copyright, and the changelog that every Debian package carries there,
#   with one entry for this version, dated SOURCE_DATE_EPOCH when that is set, else now.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
    return()
endif()
if(NOT CPACK_NEXTPICS_GZIP)
    message(FATAL_ERROR "gzip is missing: the package's man pages and changelog are compressed with it")
endif()

set(usr ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
set(doc ${usr}/share/doc/${CPACK_PACKAGE_NAME})

# gzip_9n FILE: FILE becomes FILE.gz, mode 644.
function(gzip_9n file)
    execute_process(COMMAND ${CPACK_NEXTPICS_GZIP} -9nf ${file} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "gzip failed on ${file}")
    endif()
    file(CHMOD ${file}.gz FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()

file(GLOB man_pages ${usr}/share/man/man1/*.1)
if(NOT man_pages)
    message(FATAL_ERROR "no man pages in ${usr}/share/man/man1")
endif()
foreach(page IN LISTS man_pages)
    gzip_9n(${page})
endforeach()

file(MAKE_DIRECTORY ${doc})
file(CHMOD ${usr}/share/doc ${doc} DIRECTORY_PERMISSIONS
     OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
file(COPY_FILE ${CPACK_NEXTPICS_COPYRIGHT} ${doc}/copyright)
file(CHMOD ${doc}/copyright FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${doc}/changelog
"${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium

  * Version ${CPACK_PACKAGE_VERSION} of addNextpics and delNextpics.

 -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${date}
")
gzip_9n(${doc}/changelog)
