# Installation: the two programs, the desktop entry, the icon in the sizes made
# by tools/make_icons.sh, the AppStream data, the manual pages and the licence.
# The same rules make the Debian package (tools/velmar.sh package).
include(GNUInstallDirs)

# One application id names the desktop entry, the AppStream data and the icon.
set(VELMAR_APP_ID io.github.velmar.velmar)
set(VELMAR_MAINTAINER "The Velmar developers <velmar@users.noreply.github.com>")

install(TARGETS velmar velmar-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${VELMAR_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${VELMAR_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
foreach(size 16 32 48 64)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/velmar-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps
        RENAME ${VELMAR_APP_ID}.png)
endforeach()

# Manual pages and the Debian changelog go compressed, without name or time
# in the gzip header, so that the package's bytes depend on the sources only.
set(velmar_gzipped)
foreach(source
        ${CMAKE_SOURCE_DIR}/docs/man/velmar.1
        ${CMAKE_SOURCE_DIR}/docs/man/velmar-report.1
        ${CMAKE_CURRENT_LIST_DIR}/debian/changelog)
    get_filename_component(name ${source} NAME)
    set(copy ${CMAKE_BINARY_DIR}/package-docs/${name})
    add_custom_command(OUTPUT ${copy}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
        COMMAND gzip -n -9 -f ${copy}
        DEPENDS ${source}
        COMMENT "Compressing ${name}"
        VERBATIM)
    list(APPEND velmar_gzipped ${copy}.gz)
endforeach()
add_custom_target(velmar_package_docs ALL DEPENDS ${velmar_gzipped})
install(FILES ${CMAKE_BINARY_DIR}/package-docs/velmar.1.gz
    ${CMAKE_BINARY_DIR}/package-docs/velmar-report.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright
    ${CMAKE_BINARY_DIR}/package-docs/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/velmar)

# cpack installs without building the tests first: tools/velmar.sh package
# builds the programs and velmar_package_docs, the files the rules take.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# The Debian package: velmar_<version>_<arch>.deb in the build folder. The
# libraries' packages come from dpkg-shlibdeps; the rest is what the programs
# open at run time: Qt's Russian words, and the fonts the windows, the chart
# and the help ask for (Liberation by name; DejaVu Sans for the sans-serif
# families that have no metric twin, such as "MS Sans Serif"). Qt's X11 and
# offscreen platform plugins and its GIF reader come with libqt6gui6.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmar)
set(CPACK_PACKAGE_VENDOR "The Velmar developers")
set(CPACK_PACKAGE_CONTACT "${VELMAR_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Fisher's exact test calculator for 2x2 tables")
set(CPACK_PACKAGE_DESCRIPTION "\
Velmar is a small Russian-language desktop calculator for Fisher's exact
test on a 2x2 contingency table. Type the four cells, or the margins with
or without the first cell, and read the report: the probability of the
table, the one- and two-sided probabilities, the verdict at the 5, 1 and
0.1 % levels, the whole distribution and the critical regions, with a bar
chart of the distribution.

The command velmar-report prints the same report without windows, as
text, as CSV or as a picture of the chart.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VELMAR_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-liberation, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
