# The Debian package, built by `cpack -G DEB` (scripts/package). Its
# dependencies come from the shared libraries the programs link
# (dpkg-shlibdeps), so they match the machine the package was built on.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quistelor)
set(CPACK_PACKAGE_VENDOR Morvik)
set(CPACK_PACKAGE_CONTACT "Morvik <quistelor@morvik.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch renamer for JPEG photos by shooting date and time")
set(CPACK_PACKAGE_DESCRIPTION
  "Quistelor renames the JPEG photos of a folder in one batch from a name pattern
of text, the shooting date, the shooting time and a running number. Photos are
numbered in shooting order, by their EXIF date of shooting or the file's time.
It previews the new names first and never replaces an existing file. The
interface speaks English and French.
.
quistelor-cli previews and renames from the command line and shows the EXIF
fields the program reads.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://morvik.example.org/veltra-rename/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Window animations draw with OpenGL; without a driver the windows open
# unanimated, so Mesa's software renderer is recommended rather than required.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")

include(CPack)
