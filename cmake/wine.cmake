# Programs built for Windows on Linux run under Wine: ctest starts each test
# through the script wine-run.sh in the build folder, with the build's own
# Wine prefix, Qt's and MinGW's libraries on the search path, Qt's plugins
# from the Qt prefix, and no debugging chatter.
find_program(VELMAR_WINE NAMES wine)
if(NOT VELMAR_WINE)
    message(WARNING "wine not found: the Windows tests cannot run here")
    return()
endif()

# Qt6_DIR is <prefix>/lib/cmake/Qt6.
get_filename_component(VELMAR_QT_PREFIX "${Qt6_DIR}/../../.." ABSOLUTE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-libgcc-file-name
    OUTPUT_VARIABLE velmar_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(VELMAR_MINGW_GCC_DIR "${velmar_libgcc}" DIRECTORY)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libwinpthread-1.dll
    OUTPUT_VARIABLE velmar_winpthread OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(VELMAR_MINGW_LIB_DIR "${velmar_winpthread}" DIRECTORY)
set(VELMAR_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix)

# Qt's offscreen platform on Windows reads font files from one folder: the
# tests get the Linux build's fonts (Liberation, DejaVu) there, so that both
# builds draw and measure their text alike.
set(VELMAR_TEST_FONTS ${CMAKE_BINARY_DIR}/test-fonts)
file(GLOB velmar_fonts /usr/share/fonts/truetype/liberation/*.ttf
    /usr/share/fonts/truetype/dejavu/*.ttf)
file(MAKE_DIRECTORY ${VELMAR_TEST_FONTS})
foreach(font ${velmar_fonts})
    get_filename_component(name ${font} NAME)
    file(CREATE_LINK ${font} ${VELMAR_TEST_FONTS}/${name} SYMBOLIC)
endforeach()

configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
    @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
