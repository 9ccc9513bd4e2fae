# The distribution chart: painter, drawing, window and the command line's chart.
velmar_add_test(tst_chartpainter SOURCES tst_chartpainter.cpp LIBS velmar_chart)
velmar_add_test(tst_chartdraw SOURCES tst_chartdraw.cpp LIBS velmar_chart)
velmar_add_test(tst_formgraph GUI SOURCES gui/tst_formgraph.cpp LIBS velmar_chart)
velmar_add_test(tst_cli_chart SOURCES tst_cli_chart.cpp LIBS velmar_chart)
target_compile_definitions(tst_cli_chart PRIVATE VELMAR_REPORT_PATH="$<TARGET_FILE:velmar-report>")
add_dependencies(tst_cli_chart velmar-report)
