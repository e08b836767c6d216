# The Debian package (`make package`, or `cpack` in the build folder): the
# install rules of the project under /usr, depending on the Debian packages
# the program needs at run time.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Searches the draw history of a seven-digit lottery for patterns")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop program that imports or downloads the draw history of a seven-digit\n"
    "lottery, runs an exhaustive background search for patterns and draws the\n"
    "selected one over a chart of the draws. Also ships the command-line search\n"
    "vexel-search and the test data service vexel-drawserver.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vexel maintainers <vexel@example.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VEXEL_SITE_ADDRESS}")
# The Qt libraries the executables link, the platform plugins a window needs,
# a font with the Chinese characters and Qt's own Chinese texts.
string(JOIN ", " CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34)"
    "libstdc++6 (>= 12)"
    "libgcc-s1"
    "libqt6core6 (>= 6.4)"
    "libqt6gui6 (>= 6.4)"
    "libqt6widgets6 (>= 6.4)"
    "libqt6network6 (>= 6.4)"
    "libqt6printsupport6 (>= 6.4)"
    "qt6-qpa-plugins"
    "fonts-arphic-uming | fonts-noto-cjk"
    "qt6-translations-l10n")

include(CPack)
