# Run by CPack after it has staged the package's files and before it makes the package
# (CPACK_PRE_BUILD_SCRIPTS): adds the library packages that the staged programs and libraries
# need to the Depends, written as dpkg-gencontrol writes them: dpkg-shlibdeps over the ELF files,
# then dpkg's own simplification, which keeps one entry a package, the one that implies the
# others. CPack's own shlibdeps option copies dpkg-shlibdeps' output as it comes, and that names
# libstdc++6 twice on Debian 13: LibreOffice's UNO libraries add a fixed libstdc++6 (>= 4.1.1) to
# their own dependency, beside the (>= 13) that the program's symbols need.
set(staging ${CPACK_TEMPORARY_DIRECTORY})
file(GLOB_RECURSE staged LIST_DIRECTORIES false ${staging}/*)
set(elf_files)
foreach(file IN LISTS staged)
    if(NOT IS_SYMLINK ${file})
        file(READ ${file} magic LIMIT 4 HEX)
        if(magic STREQUAL "7f454c46")
            list(APPEND elf_files ${file})
        endif()
    endif()
endforeach()
if(NOT elf_files)
    return()
endif()

# dpkg-shlibdeps reads the package's name from debian/control and finds the package's own
# directory by its DEBIAN/; neither is part of the package.
file(WRITE ${staging}/debian/control "Source: secant-root\n\nPackage: secant-root\nArchitecture: any\n")
file(MAKE_DIRECTORY ${staging}/DEBIAN)
execute_process(COMMAND dpkg-shlibdeps -O ${elf_files}
                WORKING_DIRECTORY ${staging}
                OUTPUT_VARIABLE shlibdeps OUTPUT_STRIP_TRAILING_WHITESPACE
                ERROR_VARIABLE shlibdeps_errors
                RESULT_VARIABLE status)
file(REMOVE_RECURSE ${staging}/debian ${staging}/DEBIAN)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-shlibdeps failed: ${shlibdeps_errors}")
endif()
string(REGEX REPLACE "^shlibs:Depends=" "" shlibdeps "${shlibdeps}")

execute_process(
    COMMAND perl -MDpkg::Deps -e [=[
        my $deps = deps_parse(join(', ', @ARGV)) or die "unreadable dependencies\n";
        $deps->simplify_deps(Dpkg::Deps::KnownFacts->new());
        print $deps->output(), "\n";
    ]=] "${CPACK_DEBIAN_PACKAGE_DEPENDS}" "${shlibdeps}"
    OUTPUT_VARIABLE depends OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the Depends could not be simplified: ${CPACK_DEBIAN_PACKAGE_DEPENDS}, ${shlibdeps}")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${depends}")
