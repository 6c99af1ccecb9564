# Installs the build into a scratch prefix, as `cmake --install` puts it on a desktop, and checks
# what the desktop needs: the program, which finds every library it needs from there and links
# none of LibreOffice's, and the LibreOffice client module beside it, which alone links the UNO
# libraries; its menu entry, which is valid and names that program and icon; the icon in every
# hicolor size.
# cmake -DBUILD_DIR=<build tree> -DPREFIX=<scratch prefix> -DMODULE_DIR=<module directory>
#       -P check_installation.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_QUIET)
if(status)
    message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

set(program "${PREFIX}/bin/secant-root")
set(module "${PREFIX}/${MODULE_DIR}/libsecant-root-uno.so")
set(entry "${PREFIX}/share/applications/secant-root.desktop")
foreach(file IN ITEMS "${program}" "${module}" "${entry}")
    if(NOT EXISTS "${file}")
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()
foreach(size IN ITEMS 16 22 24 32 48 64 128 256)
    set(icon "${PREFIX}/share/icons/hicolor/${size}x${size}/apps/secant-root.png")
    if(NOT EXISTS "${icon}")
        message(FATAL_ERROR "not installed: ${icon}")
    endif()
endforeach()

foreach(file IN ITEMS "${program}" "${module}")
    execute_process(COMMAND ldd "${file}" OUTPUT_VARIABLE libraries RESULT_VARIABLE status)
    if(status OR libraries MATCHES "not found")
        message(FATAL_ERROR "${file} misses libraries:\n${libraries}")
    endif()
    execute_process(COMMAND readelf -d "${file}" OUTPUT_VARIABLE dynamic RESULT_VARIABLE status)
    string(REGEX MATCHALL "NEEDED[^[]*\\[(libuno_|libreglo)[^]]*" office_libraries "${dynamic}")
    if(file STREQUAL program AND office_libraries)
        message(FATAL_ERROR "the program links LibreOffice's libraries:\n${office_libraries}")
    elseif(file STREQUAL module AND NOT office_libraries)
        message(FATAL_ERROR "the module links no UNO library:\n${dynamic}")
    endif()
endforeach()

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate REQUIRED)
execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${entry}" RESULT_VARIABLE status
                OUTPUT_VARIABLE problems ERROR_VARIABLE problems)
if(status OR NOT problems STREQUAL "")
    message(FATAL_ERROR "invalid menu entry:\n${problems}")
endif()
file(STRINGS "${entry}" lines)
foreach(expected IN ITEMS "Exec=secant-root" "Icon=secant-root")
    if(NOT expected IN_LIST lines)
        message(FATAL_ERROR "the menu entry lacks ${expected}")
    endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
