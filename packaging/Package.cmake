# What the Debian package holds beyond the programs, and how CPack builds it (scripts/package).
# Included at the end of the top-level CMakeLists.txt, once every program target exists.

if(TARGET telvaro-cli)
  install(TARGETS telvaro-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

if(NOT UNIX OR APPLE)
  return()
endif()

set(TELVARO_APP_ID com.telvaro.Monitor)
install(FILES packaging/${TELVARO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/${TELVARO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The program's own icon is 64 px; the other sizes were made from it once with ImageMagick and are
# kept beside it, so a build needs no image tool (16-48 px scaled down, 128 and 256 px enlarged pixel
# for pixel so they stay sharp):
#   convert src/resources/telvaro.png -filter Lanczos -resize 32x32 -strip packaging/icons/telvaro-monitor-32.png
#   convert src/resources/telvaro.png -filter point -resize 128x128 -strip packaging/icons/telvaro-monitor-128.png
foreach(size 16 32 48 64 128 256)
  if(size EQUAL 64)
    set(icon src/resources/telvaro.png)
  else()
    set(icon packaging/icons/telvaro-monitor-${size}.png)
  endif()
  install(FILES ${icon} RENAME telvaro-monitor.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Man pages: the version filled in, then compressed as Debian keeps them (gzip -n: no name or time
# stamp, so the same page gives the same bytes).
set(man_pages telvaro-monitor telvaro-meter-sim)
if(TARGET telvaro-cli)
  list(APPEND man_pages telvaro-cli)
endif()
set(man_dir ${CMAKE_BINARY_DIR}/man)
set(man_outputs)
foreach(page ${man_pages})
  configure_file(packaging/man/${page}.1 ${man_dir}/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${man_dir}/${page}.1.gz
                     COMMAND gzip -9 -n -k -f ${page}.1
                     WORKING_DIRECTORY ${man_dir}
                     DEPENDS ${man_dir}/${page}.1
                     VERBATIM)
  list(APPEND man_outputs ${man_dir}/${page}.1.gz)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_outputs})
# The launcher is documented on the program's page.
file(CREATE_LINK telvaro-monitor.1.gz ${man_dir}/telvaro-monitor-launch.1.gz SYMBOLIC)
install(FILES ${man_outputs} ${man_dir}/telvaro-monitor-launch.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/telvaro-monitor)

set(TELVARO_PACKAGE_MAINTAINER "Telvaro Monitor Software developers <support@telvaro.invalid>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME telvaro-monitor)
set(CPACK_PACKAGE_VENDOR Telvaro)
set(CPACK_PACKAGE_CONTACT "${TELVARO_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "program for the Telvaro indoor air-quality meter")
# Debian wraps nothing itself: one line of the extended description per line here.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Live measurements and stored pages of the Telvaro portable indoor air-quality"
  "meter (CO, CO2, temperature, relative humidity) over an RS-232 line."
  "The windowed program shows live readings on a chart and in a table and"
  "downloads the pages the meter logged; both are written as CSV files."
  "The package also holds telvaro-cli for terminals and scripts, and"
  "telvaro-meter-sim, a simulated meter on a pseudo-terminal.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's platform plugins are only a recommendation of libqt6gui6, and the window cannot open without
# them; Japanese and Chinese texts need a CJK font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
