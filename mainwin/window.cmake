# The main window, the Qt side of the logic's interfaces, and the program.
add_library(velmar_mainwin STATIC
    ${CMAKE_CURRENT_LIST_DIR}/FormVelmar.cpp ${CMAKE_CURRENT_LIST_DIR}/FormVelmar.h
    ${CMAKE_CURRENT_LIST_DIR}/MainSettings.cpp ${CMAKE_CURRENT_LIST_DIR}/MainSettings.h
    ${CMAKE_CURRENT_LIST_DIR}/QtPorts.cpp ${CMAKE_CURRENT_LIST_DIR}/QtPorts.h
)
target_link_libraries(velmar_mainwin PUBLIC
    velmar_input velmar_settings velmar_report_window velmar_chart velmar_help Qt6::Widgets)
qt_add_resources(velmar_mainwin velmar_main_pictures
    PREFIX "/"
    BASE ${CMAKE_SOURCE_DIR}
    FILES
        ${CMAKE_SOURCE_DIR}/resources/compute.xpm
        ${CMAKE_SOURCE_DIR}/resources/clear.xpm
        ${CMAKE_SOURCE_DIR}/resources/help.xpm
        ${CMAKE_SOURCE_DIR}/resources/velmar.xpm
        ${CMAKE_SOURCE_DIR}/resources/palec.xpm
)

qt_add_executable(velmar ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(velmar PRIVATE velmar_mainwin)
