# secant-root_<version>+deb<release>_<arch>.deb: the stripped program, its menu entry, icons and metainfo, its
# manual page, and the copyright and changelog that every Debian package carries.
include(GNUInstallDirs)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/secant-root)

# Debian wants the changelog and the manual page compressed at the highest level and without a
# time stamp, so that the package is the same whenever it is made.
set(compressed)
foreach(file IN ITEMS changelog secant-root.1)
    set(copy ${CMAKE_CURRENT_BINARY_DIR}/${file})
    add_custom_command(
        OUTPUT ${copy}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/${file} ${copy}
        COMMAND gzip -9 -n -f ${copy}
        DEPENDS ${file}
        COMMENT "Compressing ${file}"
        VERBATIM)
    list(APPEND compressed ${copy}.gz)
endforeach()
add_custom_target(secant_root_compressed_documents ALL DEPENDS ${compressed})
set(changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/secant-root.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${changelog} copyright DESTINATION ${doc_dir})

# What only the Debian package carries: the justified exceptions to Debian's rules, for lintian.
# Not part of `cmake --install`; CPack installs this component besides the default one.
configure_file(lintian-overrides.in ${CMAKE_CURRENT_BINARY_DIR}/lintian-overrides @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME secant-root
        COMPONENT debian EXCLUDE_FROM_ALL)
set(CPACK_INSTALL_CMAKE_PROJECTS
    ${PROJECT_BINARY_DIR} ${PROJECT_NAME} ALL /
    ${PROJECT_BINARY_DIR} ${PROJECT_NAME} debian /)

set(CPACK_GENERATOR DEB)
# One package a Debian release, with the release in its version and file name
# (secant-root_1.0.0+deb13_amd64.deb): its dependencies are the library packages and versions of
# the release it is built on, which a later release may rename (Debian 13's t64 libraries). A
# release's own package sorts above the one of the release before, so an upgraded system takes it.
# Elsewhere (Debian testing, a derivative) the version is the program's alone.
set(os_release)
if(EXISTS /etc/os-release)
    file(STRINGS /etc/os-release os_release REGEX "^(ID|VERSION_ID)=")
endif()
if("ID=debian" IN_LIST os_release AND os_release MATCHES "VERSION_ID=\"?([0-9]+)")
    set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION}+deb${CMAKE_MATCH_1})
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[A one-window program that solves 0.1·x·x − ln(x)·x = 0 on the interval [1; 2]
by the secant method and shows the root rounded to four decimals. Every
natural logarithm it needs is taken from a private LibreOffice Calc instance,
started for one calculation and ended with it.]=])
# The libraries from what the program links; what it runs besides: Calc (the headless one, or
# the full one that a desktop has already), and the font of its window. On a Wayland desktop
# Qt's Wayland platform runs it natively; without it, it runs through XWayland.
# The library packages are added after staging, by packaging/DebianDepends.cmake.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebianDepends.cmake)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libreoffice-calc-nogui | libreoffice-calc, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
