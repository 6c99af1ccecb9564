# secant-root-<version>.msi, made with wixl (msitools): the stripped program that the install
# rules put into a staging directory, with the program's icon on its shortcut.
find_program(SECANT_ROOT_WIXL wixl)
if(NOT SECANT_ROOT_WIXL)
    message(STATUS "wixl not found: no target msi (Debian package wixl)")
    return()
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/secant-root.wxs.in
               ${CMAKE_CURRENT_BINARY_DIR}/secant-root.wxs @ONLY)
set(stage ${CMAKE_CURRENT_BINARY_DIR}/msi-stage)
set(installer ${SECANT_ROOT_PACKAGES_DIR}/secant-root-${PROJECT_VERSION}.msi)
add_custom_command(
    OUTPUT ${installer}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
    COMMAND ${CMAKE_COMMAND} --install ${PROJECT_BINARY_DIR} --prefix ${stage}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SECANT_ROOT_PACKAGES_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/shell/icons/secant-root.ico ${stage}
    # wixl finds the files of the installer only by paths relative to its working directory.
    COMMAND ${SECANT_ROOT_WIXL} --arch x86 -o ${installer}
            -D ProgramFile=msi-stage/secant-root.exe -D IconFile=msi-stage/secant-root.ico
            secant-root.wxs
    DEPENDS secant-root ${CMAKE_CURRENT_BINARY_DIR}/secant-root.wxs
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    COMMENT "Making the Windows installer secant-root-${PROJECT_VERSION}.msi"
    VERBATIM)
add_custom_target(msi DEPENDS ${installer})
