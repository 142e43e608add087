# Builds the Debian package from the build tree, unpacks it into a scratch root as dpkg would
# install it, and checks what a desktop needs is in it, that its dependencies were found, and
# that the unpacked velk-cli finds its resources from usr/share/velk.
# Run with -DCPACK=... -DBUILD_DIR=... -DSCRATCH=... -DVERSION=...

file(REMOVE_RECURSE "${SCRATCH}")
execute_process(COMMAND "${CPACK}" -G DEB -B "${SCRATCH}/out" --config "${BUILD_DIR}/CPackConfig.cmake"
    WORKING_DIRECTORY "${BUILD_DIR}" RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cpack -G DEB failed (${status}): ${log}")
endif()

execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE)
set(deb "${SCRATCH}/out/velk_${VERSION}_${arch}.deb")
if(NOT EXISTS "${deb}")
    file(GLOB made "${SCRATCH}/out/*.deb")
    message(FATAL_ERROR "no ${deb}; cpack made: ${made}")
endif()

execute_process(COMMAND dpkg -x "${deb}" "${SCRATCH}/root" RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg -x failed (${status}): ${errors}")
endif()
set(root "${SCRATCH}/root/usr")

set(icons share/icons/hicolor/scalable/apps/dev.velk.Velk.svg)
set(sizes 16 24 32 48 64 128 256 512)
foreach(size ${sizes})
    list(APPEND icons share/icons/hicolor/${size}x${size}/apps/dev.velk.Velk.png)
endforeach()
foreach(path bin/velk bin/velk-cli share/velk/index.html share/velk/Templates/manifest.json
        share/applications/dev.velk.Velk.desktop share/metainfo/dev.velk.Velk.metainfo.xml ${icons})
    if(NOT EXISTS "${root}/${path}")
        message(FATAL_ERROR "missing from the package: usr/${path}")
    endif()
endforeach()

# A PNG's width and height are the first two big-endian words of its IHDR chunk, at byte 16.
foreach(size ${sizes})
    file(READ "${root}/share/icons/hicolor/${size}x${size}/apps/dev.velk.Velk.png" header OFFSET 16 LIMIT 8 HEX)
    math(EXPR expected "${size}" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${expected}" 2 -1 expected)
    string(LENGTH "${expected}" digits)
    math(EXPR pad "8 - ${digits}")
    string(REPEAT "0" ${pad} zeros)
    if(NOT header STREQUAL "${zeros}${expected}${zeros}${expected}")
        message(FATAL_ERROR "the ${size}x${size} icon is not ${size} by ${size} pixels (IHDR ${header})")
    endif()
endforeach()

execute_process(COMMAND dpkg-deb -f "${deb}" Depends OUTPUT_VARIABLE depends OUTPUT_STRIP_TRAILING_WHITESPACE)
foreach(library libwebkitgtk-6.0 libgtkmm-4.0)
    string(FIND "${depends}" "${library}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "Depends does not name ${library}: \"${depends}\"")
    endif()
endforeach()

execute_process(COMMAND "${root}/bin/velk-cli" templates
    RESULT_VARIABLE status OUTPUT_VARIABLE listed ERROR_VARIABLE errors)
if(NOT status EQUAL 0 OR listed STREQUAL "")
    message(FATAL_ERROR "the packaged velk-cli lists no templates (${status}): ${errors}")
endif()
