# The Debian package: `cpack -G DEB` in a build folder. Library dependencies are computed from the
# installed binaries by dpkg-shlibdeps; the Qt platform plugins are loaded at run time, so they are
# named by hand (without them the program cannot open a window).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME torvanic)
set(CPACK_PACKAGE_VENDOR "TORVANIC")
set(CPACK_PACKAGE_CONTACT "TORVANIC maintainers <maintainers@torvanic.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "throttle profile editor for the V4 speed controller")
# Lines of at most 79 characters: the control file indents each by one space, and Debian's
# checker allows 80.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
       "Edits the throttle profile of the V4 electronic speed controller of RC models:"
       "the curve that maps the throttle stick to the controller's output, with its"
       "deadband and switching frequency. Breakpoints are dragged with the mouse or"
       "set exactly, a background profile can be compared, and a fit removes the"
       "breakpoints that are not needed. Profiles are saved as .spp files and read"
       "from or written to a controller on a serial port, every value verified."
       "A connection check tells why a controller does not answer, the port list"
       "follows adapters plugged in or out, and a udev rule gives the desktop user"
       "access to the common USB serial adapters without joining a group."
       "torvanic-cli reads, writes, verifies and compares profiles from a terminal"
       "or a script, without a desktop, with the same frames and checks."
       "Includes esc-sim, a simulated controller on a pseudo-terminal, to try the"
       "program without hardware.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Qt's Wayland platform: without it the program runs through XWayland on a Wayland desktop, which
# scales its window as a bitmap. Recommended, so that a minimal system can leave it out.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# A cross build (cmake/debian-cross.cmake) makes a package for the target's architecture.
if(CMAKE_CROSSCOMPILING AND TORVANIC_CROSS_ARCH)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${TORVANIC_CROSS_ARCH})
endif()
include(CPack)
