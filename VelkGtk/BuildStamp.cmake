# Writes the header that tells the app which build it is: the commit and the build number (the
# number of commits up to it). Given values win (a distribution building from a tarball passes
# them); else git is asked; what nobody knows stays empty, which the app shows as "?". The file
# is rewritten only when a value changed, so a build without a new commit recompiles nothing.
# Run with -DSOURCE_DIR=... -DOUTPUT=... [-DCOMMIT=...] [-DBUILD_NUMBER=...].

find_package(Git QUIET)
if(NOT COMMIT AND GIT_FOUND)
    execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE_DIR}" rev-parse --short=12 HEAD
        OUTPUT_VARIABLE COMMIT OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
    if(failed)
        set(COMMIT "")
    endif()
endif()
if(NOT BUILD_NUMBER AND GIT_FOUND)
    execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE_DIR}" rev-list --count HEAD
        OUTPUT_VARIABLE BUILD_NUMBER OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
    if(failed)
        set(BUILD_NUMBER "")
    endif()
endif()
# Only characters that cannot end the C string literals below.
string(REGEX REPLACE "[^A-Za-z0-9._+-]" "" COMMIT "${COMMIT}")
string(REGEX REPLACE "[^A-Za-z0-9._+-]" "" BUILD_NUMBER "${BUILD_NUMBER}")
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "#pragma once
// Written by VelkGtk/BuildStamp.cmake at build time.
#define VELK_COMMIT \"${COMMIT}\"
#define VELK_BUILD_NUMBER \"${BUILD_NUMBER}\"
")
