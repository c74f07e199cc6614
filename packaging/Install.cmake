# What `make install` puts where, and the Debian package made from it.
#
# The package is made from the same build tree as the tests: CPack installs
# into its own root under CPACK_PACKAGING_INSTALL_PREFIX, and the program
# learns that it is installed from the marker share/tagwright/installed, not
# from a path compiled in, so no second build is needed.

set(_pkg ${CMAKE_SOURCE_DIR}/packaging)
set(_gen ${CMAKE_BINARY_DIR}/packaging)
set(TAGWRIGHT_APP_ID org.tagwright.Tagwright)

# udev reads its rules only from its own directories; an install below
# $HOME cannot reach them, so the place can be set by hand.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_get_variable(_udevdir udev udevdir)
endif()
if(NOT _udevdir)
  set(_udevdir /lib/udev)
endif()
set(TAGWRIGHT_UDEV_RULES_DIR "${_udevdir}/rules.d" CACHE PATH
  "Where the serial adapter rule goes (pkg-config udev's udevdir/rules.d)")

# The icon in the usual sizes, drawn from the SVG at build time.
set(TAGWRIGHT_ICON_SIZES 16 22 24 32 48 64 128 256)
find_program(RSVG_CONVERT rsvg-convert)
set(_icons)
if(RSVG_CONVERT)
  foreach(size IN LISTS TAGWRIGHT_ICON_SIZES)
    set(_png ${_gen}/icons/${size}/tagwright.png)
    add_custom_command(OUTPUT ${_png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${_gen}/icons/${size}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${_png} ${_pkg}/icons/tagwright.svg
      DEPENDS ${_pkg}/icons/tagwright.svg VERBATIM)
    list(APPEND _icons ${_png})
  endforeach()
else()
  message(WARNING "rsvg-convert not found: the install gets the SVG icon only")
endif()

# Manual pages and the changelog compressed as Debian wants them: the
# highest level, without a name or time stamp, so the package is repeatable.
set(_gzipped)
foreach(src IN ITEMS man/tagwright.1 man/tagwright-reader-sim.1 man/tagwright-station.1
    debian/changelog)
  get_filename_component(_name ${src} NAME)
  set(_gz ${_gen}/${_name}.gz)
  add_custom_command(OUTPUT ${_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_gen}
    COMMAND sh -c "gzip -9 -n -c \"$0\" > \"$1\"" ${_pkg}/${src} ${_gz}
    DEPENDS ${_pkg}/${src} VERBATIM)
  list(APPEND _gzipped ${_gz})
endforeach()
add_custom_target(tagwright_packaging_files ALL DEPENDS ${_icons} ${_gzipped})

# --- install rules ---

set(_programs)
foreach(t IN ITEMS tagwright tagwright-reader-sim tagwright-station)
  if(TARGET ${t})
    list(APPEND _programs ${t})
  endif()
endforeach()
install(TARGETS ${_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${_pkg}/installed DESTINATION ${CMAKE_INSTALL_DATADIR}/tagwright)
install(FILES ${_pkg}/${TAGWRIGHT_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_pkg}/${TAGWRIGHT_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_pkg}/icons/tagwright.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
if(RSVG_CONVERT)
  foreach(size IN LISTS TAGWRIGHT_ICON_SIZES)
    install(FILES ${_gen}/icons/${size}/tagwright.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()
install(FILES ${_gen}/tagwright.1.gz ${_gen}/tagwright-reader-sim.1.gz ${_gen}/tagwright-station.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_pkg}/debian/copyright ${_gen}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tagwright)
install(FILES ${_pkg}/70-tagwright-serial.rules DESTINATION ${TAGWRIGHT_UDEV_RULES_DIR})

# --- the Debian package ---

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tagwright)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tagwright developers <dev@tagwright.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://tagwright.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its display plugins at run time, so no library dependency names them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "program and log multipage RFID transponders")
# CPack puts the summary first and indents the rest; an empty line becomes " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Tagwright drives a serial RFID Reader to read, write and lock the 17 pages
of multipage transponders. As a programming station it writes a carrier ID
and fixed data into each transponder and logs every one to a spreadsheet
record file.

The package includes tagwright-station, the same station without a
window for scripts and PLC cells, a virtual Reader for operator training
and a udev rule that gives the logged-in user USB serial adapters and
keeps ModemManager away from them.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${_pkg}/debian/postinst ${_pkg}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# The package check runs with the tests; sanitizer builds leave it out, as
# their programs are not what a station installs.
if(TAGWRIGHT_GUI AND TAGWRIGHT_SANITIZE STREQUAL "")
  add_test(NAME package COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-package ${CMAKE_BINARY_DIR})
  set_tests_properties(package PROPERTIES TIMEOUT 600)
endif()
