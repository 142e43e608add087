# Installs the build tree into a fresh prefix and checks that what a desktop needs is there and
# that the installed programs find their resources from share/velk.
# Run with -DBUILD_DIR=... -DPREFIX=... [-DVALIDATOR=desktop-file-validate].

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${status}): ${errors}")
endif()

foreach(path
        bin/velk
        bin/velk-cli
        share/velk/index.html
        share/velk/Templates
        share/applications/dev.velk.Velk.desktop
        share/icons/hicolor/scalable/apps/dev.velk.Velk.svg)
    if(NOT EXISTS "${PREFIX}/${path}")
        message(FATAL_ERROR "missing from the install: ${path}")
    endif()
endforeach()
file(SIZE "${PREFIX}/share/velk/index.html" page_size)
if(page_size EQUAL 0)
    message(FATAL_ERROR "the installed editor page is empty")
endif()

# The installed velk-cli must read the installed templates, not the build tree's.
execute_process(COMMAND "${PREFIX}/bin/velk-cli" templates
    RESULT_VARIABLE status OUTPUT_VARIABLE listed ERROR_VARIABLE errors)
if(NOT status EQUAL 0 OR listed STREQUAL "")
    message(FATAL_ERROR "installed velk-cli lists no templates (${status}): ${errors}")
endif()

file(READ "${PREFIX}/share/applications/dev.velk.Velk.desktop" entry)
foreach(line "Exec=velk %U" "Icon=dev.velk.Velk" "StartupWMClass=dev.velk.Velk" "x-scheme-handler/velk;")
    string(FIND "${entry}" "${line}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the desktop file lacks \"${line}\"")
    endif()
endforeach()

if(VALIDATOR)
    execute_process(COMMAND "${VALIDATOR}" "${PREFIX}/share/applications/dev.velk.Velk.desktop"
        RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE report)
    # Hints (two main categories is one) are advice; errors and warnings are faults.
    if(NOT status EQUAL 0 OR report MATCHES "(error|warning): ")
        message(FATAL_ERROR "desktop-file-validate: ${report}")
    endif()
else()
    message(STATUS "desktop-file-validate not found; the desktop file is not validated")
endif()
