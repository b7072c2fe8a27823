# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# A Debian package of the viewer: run `cpack` in the build directory after building;
# scripts/check-package.sh builds it and checks it with lintian. Its dependencies
# come from the libraries the binaries link (dpkg-shlibdeps), and the SVG plugin
# that draws the icon, which nothing links.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolmer)
set(CPACK_PACKAGE_VENDOR "Quindel")
set(CPACK_PACKAGE_CONTACT "Tolmer maintainers <maintainers@tolmer.invalid>")
# Debian's synopsis starts without an article.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small, fast viewer for cell grid files")
# Lines of at most 80 characters, for terminals of that width.
set(CPACK_PACKAGE_DESCRIPTION
  "Tolmer shows a cell grid file as a map: each cell is a 2 x 2 pixel block,\ngreen for land and blue for the rest, shaded by height.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS libqt6svg6)
set(CPACK_STRIP_FILES ON)
# Whatever the umask of the build; files get theirs from install().
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
