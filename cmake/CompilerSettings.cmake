# Arithmetic is exact by contract: every operation is rounded to double on its own. Applied to
# everything that is built, test helpers included, so that no fused multiply-add and no
# fast-math result can slip into a computation the tests compare bit for bit. (Not for the
# Windows resource compiler, which takes no such options.)
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffp-contract=off;-fno-fast-math>")

# The project's own targets link this for the source root as include path and strict warnings;
# third-party code built alongside (GoogleTest) does not.
add_library(secant_root_build_options INTERFACE)
target_include_directories(secant_root_build_options INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_options(secant_root_build_options INTERFACE
                       "$<$<COMPILE_LANGUAGE:C,CXX>:-Wall;-Wextra;-Werror>")
