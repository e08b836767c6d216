# The Debian package (`make package`, or `cpack` in the build folder): the
# install rules of the project under /usr, with the lintian override, and
# its dependencies worked out by dpkg-shlibdeps. The programs are stripped;
# their build ids are those of the unstripped programs in the build's bin/,
# which serve a debugger as their symbols. (CPack's own -dbgsym package is
# not built: in CMake 3.25 its md5sums list the staging folder's absolute
# paths, so it fails debsums and differs between build folders.)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/"
                                 "${CMAKE_BINARY_DIR};${PROJECT_NAME};debian;/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Searches the draw history of a seven-digit lottery for patterns")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop program that imports or downloads the draw history of a seven-digit\n"
    "lottery, runs an exhaustive background search for patterns and draws the\n"
    "selected one over a chart of the draws. Also ships the command-line search\n"
    "vexel-search, the backtest vexel-backtest and the test data service\n"
    "vexel-drawserver.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# The licence as an SPDX identifier, for the generators that carry one.
set(CPACK_RPM_PACKAGE_LICENSE "GPL-3.0-or-later")
set(CPACK_FREEBSD_PACKAGE_LICENSE "GPL-3.0-or-later")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vexel maintainers <vexel@example.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VEXEL_SITE_ADDRESS}")
# The libraries the executables link (Qt's platform plugins come with
# libqt6gui6), from dpkg-shlibdeps; besides them a font with the Chinese
# characters and Qt's own Chinese texts, which no library pulls in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
string(JOIN ", " CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-arphic-uming | fonts-noto-cjk"
    "qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)

# Two builds of one tree give the same bytes: every time in the package is
# the release's (SOURCE_DATE_EPOCH, which cpack reads, set here for it).
set(CPACK_VEXEL_SOURCE_DATE_EPOCH ${VEXEL_SOURCE_DATE_EPOCH})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackagingRun.cmake)

include(CPack)
