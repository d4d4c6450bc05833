# The Debian package: `cpack -G DEB` in a build folder. Library dependencies are computed from the
# installed binaries by dpkg-shlibdeps; the Qt platform plugins are loaded at run time, so they are
# named by hand (without them the program cannot open a window).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME torvanic)
set(CPACK_PACKAGE_VENDOR "TORVANIC")
set(CPACK_PACKAGE_CONTACT "TORVANIC maintainers <maintainers@torvanic.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "throttle profile editor for the V4 speed controller")
set(CPACK_PACKAGE_DESCRIPTION
    "Edits the throttle profile of the V4 electronic speed controller of RC models, saves it as \
.spp files and reads it from or writes it to a controller on a serial port. Includes esc-sim, \
a simulated controller on a pseudo-terminal, to try the program without hardware.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
