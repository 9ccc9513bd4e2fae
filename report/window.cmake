# The result window: shows, searches and saves the report.
add_library(velmar_report_window STATIC
    ${CMAKE_CURRENT_LIST_DIR}/FormResult.cpp ${CMAKE_CURRENT_LIST_DIR}/FormResult.h
)
target_link_libraries(velmar_report_window PUBLIC velmar_report_text Qt6::Widgets)
qt_add_resources(velmar_report_window velmar_report_pictures
    PREFIX "/"
    BASE ${CMAKE_SOURCE_DIR}
    FILES ${CMAKE_SOURCE_DIR}/resources/save.xpm
)
