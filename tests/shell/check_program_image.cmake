# Checks secant-root.exe as a plain Windows machine will see it: a 32-bit (PE32, i386) program for
# the graphical subsystem that needs no DLL besides those that every Windows installation has, so
# that the one file runs without the compiler's runtime beside it.
#   cmake -DOBJDUMP=<objdump> -DPROGRAM=<secant-root.exe> -P check_program_image.cmake
cmake_minimum_required(VERSION 3.25)

set(system_dlls advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll
                oleaut32.dll user32.dll)

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE headers RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} cannot read ${PROGRAM}")
endif()

foreach(expected IN ITEMS "file format pei-i386" "Magic[ \t]+010b[ \t]+\\(PE32\\)"
                          "Subsystem[ \t]+00000002[ \t]+\\(Windows GUI\\)")
    if(NOT headers MATCHES "${expected}")
        message(SEND_ERROR "${PROGRAM}: no \"${expected}\" in its headers")
    endif()
endforeach()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
if(NOT imports)
    message(SEND_ERROR "${PROGRAM}: no imported DLLs found")
endif()
foreach(import IN LISTS imports)
    string(REGEX REPLACE "^DLL Name: " "" dll "${import}")
    string(TOLOWER "${dll}" dll)
    if(NOT dll IN_LIST system_dlls)
        message(SEND_ERROR "${PROGRAM} needs ${dll}, which is not part of Windows")
    endif()
    message(STATUS "imports ${dll}")
endforeach()
