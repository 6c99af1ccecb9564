# Cross-builds the program for 32-bit Windows with mingw-w64.
# The -posix compilers carry the C++ threading library (std::mutex, std::thread) that GoogleTest
# needs; the -win32 ones do not.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(SECANT_ROOT_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${SECANT_ROOT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SECANT_ROOT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SECANT_ROOT_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SECANT_ROOT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Doubles are computed in SSE2 registers, each operation rounded to double on its own as on
# 64-bit targets; the x87 unit would keep 80-bit intermediates and change the last bits.
# cmake/CompilerSettings.cmake adds them as compile options: a user's own CMAKE_CXX_FLAGS replace
# CMAKE_CXX_FLAGS_INIT, and would drop them without a word.
set(SECANT_ROOT_ARCHITECTURE_OPTIONS -msse2 -mfpmath=sse)

# The runtime (libgcc, libstdc++, winpthread) is linked in, so that a program is one .exe that
# needs no mingw DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# CRT_fp8.o makes the start-up code of every program (main and WinMain alike) set the x87 unit to
# 53-bit precision; mingw's default leaves it at 64 bits. The arithmetic of the project's own code
# runs in SSE2, but the prebuilt libstdc++ reads decimal numbers (std::from_chars) with the x87
# unit, which at 64 bits rounds some results twice and misses the nearest double.
# cmake/CompilerSettings.cmake links it into every executable. It is not one of the linker flags
# above, which CMake keeps in the cache of a build directory from its first configuration on: a
# build directory made before it was added would go on building without it.
set(SECANT_ROOT_START_UP_OBJECTS ${CMAKE_FIND_ROOT_PATH}/lib/CRT_fp8.o)
