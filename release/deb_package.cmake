# The Debian package nextpics_<version>_<arch>.deb, made by CPack's DEB generator from the same
# install rules as cmake --install, with the prefix /usr: the programs in /usr/bin, insert.ini and
# nextpics.class in /usr/share/nextpics (where the programs look for them, ../share/nextpics from
# their folder), the man pages, desktop entries and icons. deb_layout.cmake then gives it the shape
# Debian expects: compressed man pages, a copyright file and a changelog.
#
#   cmake --build --preset native --target package_deb      (or: cd build/native && cpack -G DEB)
#
# Included from release/CMakeLists.txt in the native build only.

set(NEXTPICS_DEB_MAINTAINER "nextpics developers <dev@nextpics.invalid>"
    CACHE STRING "The Maintainer field of the Debian package")
find_program(NEXTPICS_GZIP gzip)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nextpics)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# nextpics_<version>_<arch>.deb, the architecture as dpkg names it.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${NEXTPICS_DEB_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends is what dpkg-shlibdeps finds the stripped programs to need.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# The folders the install makes get Debian's modes whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "prepare HTML pages so that browsers fetch the next page ahead")
# The Description field: the summary, then these lines, each indented and an empty one as " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "addNextpics rewrites each page of a run of HTML pages that are read one after
another (an album, a comic, a serial story) so that, once the page has loaded
in a browser, the next page and its images and sound streams are fetched in
the background: the reader's next click shows a page that is already in the
cache. delNextpics takes exactly that back out again.

Both are commands for a terminal and for scripts: the log goes to standard
output, the few questions are answered on standard input. Desktop entries let
pages be dropped on the programs in a file manager.")

# What deb_layout.cmake needs, handed over through CPackConfig.cmake.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb_layout.cmake)
set(CPACK_NEXTPICS_GZIP ${NEXTPICS_GZIP})
set(CPACK_NEXTPICS_COPYRIGHT ${CMAKE_CURRENT_LIST_DIR}/copyright)

include(CPack)

# package_deb: the package in the build folder, from what the build made.
add_custom_target(package_deb
    COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Packing nextpics_${PROJECT_VERSION}.deb"
    VERBATIM)
add_dependencies(package_deb addNextpics delNextpics nextpics_applet nextpics_desktop_icons)
