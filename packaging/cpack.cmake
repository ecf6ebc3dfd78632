# The Debian package (make package): the install above under /usr, its
# dependencies read from the shared libraries it links (dpkg-shlibdeps),
# plus what it starts or loads without linking it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME clipwright)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The ${CLIPWRIGHT_DISPLAY_NAME} developers")
set(CPACK_PACKAGE_CONTACT "${CLIPWRIGHT_DISPLAY_NAME} developers <maintainers@clipwright.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "video downloader and converter for the desktop")
set(CPACK_PACKAGE_DESCRIPTION
    "${CLIPWRIGHT_DISPLAY_NAME} finds the video on a web page, downloads it over several\n"
    "parallel connections, lists the result, plays it and converts it to other\n"
    "formats. The package holds the desktop program clipwright and the command-line\n"
    "tool clipwright-cli.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${CLIPWRIGHT_WEB_PAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries live in the private folder; dpkg-shlibdeps finds them
# in the build's application directory, where they were linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CLIPWRIGHT_APP_DIR})
# Not linked, but needed: the ffmpeg program joins and remuxes downloads;
# Qt loads its platform plugins (xcb, offscreen) at run time.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ffmpeg, qt6-qpa-plugins")
include(CPack)
