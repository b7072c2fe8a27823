# A Debian package of the viewer: run `cpack` in the build directory after building.
# Its dependencies come from the libraries the binary links (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolmer)
set(CPACK_PACKAGE_VENDOR "Quindel")
set(CPACK_PACKAGE_CONTACT "Tolmer maintainers <maintainers@tolmer.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
  "Tolmer shows a cell grid file as a map: each cell is a 2 x 2 pixel block, green for land and blue for the rest, shaded by height.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
