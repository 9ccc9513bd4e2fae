# Installation: the two programs, the desktop entry and the icon in the sizes
# made by tools/make_icons.sh. Nothing is written beside the installed
# program at run time, so a prefix the user cannot write serves as well.
install(TARGETS velmar velmar-report RUNTIME DESTINATION bin)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/velmar.desktop DESTINATION share/applications)
foreach(size 16 32 48 64)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/velmar-${size}.png
        DESTINATION share/icons/hicolor/${size}x${size}/apps
        RENAME velmar.png)
endforeach()
