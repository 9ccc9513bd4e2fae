add_executable(bench_chart bench_chart.cpp)
target_link_libraries(bench_chart PRIVATE velmar_chart benchmark::benchmark)
