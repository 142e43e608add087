# Validates the AppStream metadata offline and checks it announces the version being built.
# Run with -DAPPSTREAMCLI=... -DMETAINFO=... -DVERSION=...

execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net --pedantic "${METAINFO}"
    RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE report)
# The one pedantic note allowed: the id keeps the capital letters of the desktop file's name,
# which desktops match it by.
string(REGEX REPLACE "P: [^\n]*cid-contains-uppercase-letter[^\n]*" "" rest "${report}")
if(NOT status EQUAL 0 OR rest MATCHES "(^|\n)[EWIP]: ")
    message(FATAL_ERROR "appstreamcli validate: ${report}")
endif()

file(READ "${METAINFO}" metainfo)
string(FIND "${metainfo}" "<release version=\"${VERSION}\"" at)
if(at EQUAL -1)
    message(FATAL_ERROR "the metainfo has no release entry for ${VERSION}")
endif()
