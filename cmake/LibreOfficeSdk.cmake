# What the Linux spreadsheet client is built with, and the check that names what is missing.
#
# Building needs a LibreOffice SDK (SECANT_ROOT_LIBREOFFICE_SDK_DIR: its headers in include/, the
# import libraries of the UNO runtime in lib/, cppumaker in bin/) and the type libraries of an
# installation's API (SECANT_ROOT_UNO_TYPE_LIBRARIES: types.rdb and types/offapi.rdb of its
# program directory). Running uses an installation (SECANT_ROOT_LIBREOFFICE_DIR): its program
# directory holds soffice.bin and the UNO runtime that the client module loads; it need not exist
# where the program is built, since the program reports a missing LibreOffice when it is used.
#
# Run as a script, it checks the directories given with -D and fails naming what is missing:
#   cmake -DSECANT_ROOT_LIBREOFFICE_SDK_DIR=… -DSECANT_ROOT_UNO_TYPE_LIBRARIES=… -P LibreOfficeSdk.cmake

set(SECANT_ROOT_UNO_LIBRARIES uno_cppuhelpergcc3 uno_cppu uno_sal uno_salhelpergcc3)

# secant_root_check_libreoffice_sdk(<sdk dir> <type library>...)
# Stops the configuration with a list of every file of the SDK or the type libraries that is
# missing, and says which option points where.
function(secant_root_check_libreoffice_sdk sdk_dir)
    set(needed ${sdk_dir}/bin/cppumaker ${sdk_dir}/include/sal/types.h
               ${sdk_dir}/include/cppuhelper/bootstrap.hxx)
    foreach(library IN LISTS SECANT_ROOT_UNO_LIBRARIES)
        list(APPEND needed ${sdk_dir}/lib/lib${library}.so)
    endforeach()
    set(missing)
    foreach(file IN LISTS needed ARGN)
        if(NOT EXISTS ${file})
            string(APPEND missing "\n  ${file}")
        endif()
    endforeach()
    if(missing)
        message(FATAL_ERROR
            "The LibreOffice client cannot be built; these files are missing:${missing}\n"
            "SECANT_ROOT_LIBREOFFICE_SDK_DIR (now ${sdk_dir}) must be a LibreOffice SDK with "
            "bin/cppumaker, include/ and lib/libuno_*.so (on Debian: the package libreoffice-dev), "
            "and SECANT_ROOT_UNO_TYPE_LIBRARIES must name the types.rdb and types/offapi.rdb of a "
            "LibreOffice installation (Debian: ure and libreoffice-core-nogui).")
    endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    secant_root_check_libreoffice_sdk("${SECANT_ROOT_LIBREOFFICE_SDK_DIR}"
                                      ${SECANT_ROOT_UNO_TYPE_LIBRARIES})
endif()
