# Arithmetic is exact by contract: every operation is rounded to double on its own. Applied to
# everything that is built, test helpers included, so that no fused multiply-add and no
# fast-math result can slip into a computation the tests compare bit for bit. (Not for the
# Windows resource compiler, which takes no such options.)
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffp-contract=off;-fno-fast-math>")
# Options that the toolchain's arithmetic needs (cmake/i686-w64-mingw32.cmake), whatever the
# user's CMAKE_CXX_FLAGS.
if(SECANT_ROOT_ARCHITECTURE_OPTIONS)
    add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:${SECANT_ROOT_ARCHITECTURE_OPTIONS}>")
endif()

# Objects that the toolchain has every executable start with (cmake/i686-w64-mingw32.cmake).
if(SECANT_ROOT_START_UP_OBJECTS)
    add_link_options(
        "$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:${SECANT_ROOT_START_UP_OBJECTS}>")
endif()

# The project's own targets link this for the source root as include path and the full set of
# warnings; third-party code built alongside (GoogleTest) does not. Warnings are errors in the
# developers' presets and in CI (CMAKE_COMPILE_WARNING_AS_ERROR), not in a plain build nor in the
# `program` preset that users build, where a newer or older compiler's new warning must not stop
# anyone from building the program. The test command still builds `program` with warnings as
# errors, so that its own optimisation level is checked too.
add_library(secant_root_build_options INTERFACE)
target_include_directories(secant_root_build_options INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_options(secant_root_build_options INTERFACE
                       "$<$<COMPILE_LANGUAGE:C,CXX>:-Wall;-Wextra>")
