# Runs the cross-built Windows programs under Wine: every test program, and GoogleTest's listing
# of its tests, goes through the wrapper script as the cross-compiling emulator, in a 32-bit Wine
# prefix that belongs to this build directory.
find_program(SECANT_ROOT_WINE wine REQUIRED)
find_program(SECANT_ROOT_WINESERVER wineserver REQUIRED)
set(SECANT_ROOT_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
# Without Wine's own Tahoma (fonts-wine), Wine draws the dialog font in fontconfig's sans-serif,
# which follows the fonts the machine has: beside a desktop's Noto Sans each line is two pixels
# taller than in DejaVu Sans. The window tests measure captions against the DejaVu fonts that
# the build installs, so Wine sees those alone, with the system's rules that make DejaVu Sans
# the sans-serif, whatever else is installed.
set(SECANT_ROOT_WINE_FONTCONFIG ${CMAKE_BINARY_DIR}/wine-fonts.conf)
file(WRITE ${SECANT_ROOT_WINE_FONTCONFIG}
     "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
     "<fontconfig>\n  <dir>/usr/share/fonts/truetype/dejavu</dir>\n"
     "  <include ignore_missing=\"yes\">/etc/fonts/conf.d</include>\n"
     "  <cachedir>${CMAKE_BINARY_DIR}/wine-fontconfig-cache</cachedir>\n</fontconfig>\n")

configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

# One Wine session for the whole test run, ended as soon as the last test is done. Every test
# that runs a Windows program requires it (SECANT_ROOT_TEST_PROPERTIES below).
add_test(NAME wine_session_start COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --start-session)
add_test(NAME wine_session_end COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --end-session)
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine_session)
set_tests_properties(wine_session_end PROPERTIES FIXTURES_CLEANUP wine_session)

# Under Wine, the Unix locale of a program's environment becomes its Windows user locale. Tests
# run in a fixed one whose decimal separator is the period, whatever the caller's locale; a test
# that needs another one sets its own ENVIRONMENT after these properties.
set(SECANT_ROOT_TEST_PROPERTIES FIXTURES_REQUIRED wine_session ENVIRONMENT LC_ALL=C.UTF-8)

# secant_root_windows_path(<variable> <path>)
# The path of a file of the build or source tree as a program under Wine names it: Wine's drive Z:
# is the Unix root directory.
function(secant_root_windows_path variable path)
    set(${variable} "Z:${path}" PARENT_SCOPE)
endfunction()

# Tests that depend on state that the whole Wine session shares hold this CTest resource lock, so
# that they run one at a time: the activation and keyboard focus on Wine's one desktop, which
# windows of programs running at the same time take from one another, and the registration of the
# spreadsheet application's COM class, which the end-to-end test makes and the spreadsheet
# client's tests need absent.
set(SECANT_ROOT_WINE_SHARED_STATE_LOCK wine_shared_state)
