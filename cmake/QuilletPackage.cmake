# "./dev package" (cpack -G DEB in the build folder) makes build/quillet_<version>_amd64.deb from
# the install rules: the program and its data under /usr/lib/quillet, the command in /usr/bin and
# the desktop files under /usr/share. dpkg-shlibdeps computes the libraries it depends on (run by
# QuilletPackageDepends.cmake on the two executables: CPack's own discovery runs "file" on each of
# the 2,000 data files and takes a minute and a half); the list below adds what the program needs
# at run time without linking to it.
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quillet developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Learn Mandarin Chinese with a dictionary, flashcards and practice")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillet is a desktop companion for learners of Mandarin Chinese: a Chinese-English
dictionary searched by pinyin, characters, English or radical, flashcard decks with the
HSK levels ready to use, practice scheduled by spaced repetition, stroke-order animations,
recorded syllables, printed cards and deck files.")
set(CPACK_PACKAGE_CONTACT "The Quillet developers <maintainers@users.noreply.quillet.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quillet.org)
# Loaded at run time, never linked: the SQLite driver of the toolkit, and the interface and card
# fonts. (The web engine's helper process comes with the libraries dpkg-shlibdeps names.)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, fonts-noto-cjk, fonts-arphic-ukai")
set(CPACK_STRIP_FILES ON)
# zstd packs the data in half the time gzip takes (5.7 s against 10.7 s here); dpkg reads it.
set(CPACK_DEBIAN_COMPRESSION_TYPE zstd)
set(CPACK_GENERATOR DEB)
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/QuilletPackageDepends.cmake
    INPUT ${CMAKE_SOURCE_DIR}/cmake/QuilletPackageDepends.cmake.in)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/QuilletPackageDepends.cmake)
include(CPack)
