# `cpack -G DEB` in the build directory: a Debian package of everything
# cmake/install.cmake installs, under /usr, with its dependencies found by
# dpkg-shlibdeps (package dpkg-dev) from the libraries the programs link.

set(CPACK_PACKAGE_NAME lettrica)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Lettrica team")
set(CPACK_PACKAGE_CONTACT "Lettrica team <support@lettrica.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "transliteration of Russian text, code pages and case")
set(CPACK_PACKAGE_DESCRIPTION "Lettrica transliterates Russian text from Cyrillic to Latin and back by the
GOST 16876-71 table, the Anglo-American table or the user's own tables,
keeping the formatting; recodes text between Windows-1251, DOS 866 and
KOI8-R; changes its case; counts characters; opens and saves TXT and RTF;
prints; and sends a text by e-mail. lettrica-cli gives the same engine to
scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://lettrica.org/")
# Help, the web site and the letter go through xdg-open; mail over TLS
# checks the server against the system's certificates.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, ca-certificates, fonts-dejavu-core")
set(CPACK_GENERATOR DEB)
include(CPack)
