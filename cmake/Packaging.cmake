# The Debian package: `cpack -G DEB` in the build tree makes velk_VERSION_ARCH.deb from what
# `cmake --install` installs, under /usr. Its Depends come from dpkg-shlibdeps, so they name the
# libraries the binaries really link and the versions the build machine's symbols need.

set(VELK_PACKAGE_MAINTAINER "velk's authors <maintainers@velk.example>" CACHE STRING
    "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velk)
set(CPACK_PACKAGE_VENDOR "velk's authors")
set(CPACK_PACKAGE_CONTACT "${VELK_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "make maps of cards, links and ink, stored as plain files")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "velk is a fast, local-first desktop app for making maps: canvases of cards,"
    "links, groups and free-hand ink. Any card can open a submap of its own. Maps"
    "are stored in the open JSON Canvas format, in one package folder whose name"
    "ends in .velk. The package also holds velk-cli, the command line over velk's"
    "map packages.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY velk)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The release build carries debug information; a package for users does not need it.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VELK_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VELK_SHARE_BASE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Folders the system already owns keep their system permissions when the package is unpacked.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

include(CPack)
