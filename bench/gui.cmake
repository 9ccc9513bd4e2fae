# "Расчет" for the largest table through the real main window, offscreen.
add_executable(bench_gui ${CMAKE_CURRENT_LIST_DIR}/bench_gui.cpp)
target_link_libraries(bench_gui PRIVATE velmar_mainwin benchmark::benchmark Qt6::Test)
