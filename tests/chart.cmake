# The distribution chart: painter, drawing, window and the command line's chart.
velmar_add_test(tst_chartpainter SOURCES tst_chartpainter.cpp LIBS velmar_chart)
velmar_add_test(tst_chartdraw SOURCES tst_chartdraw.cpp LIBS velmar_chart)
velmar_add_test(tst_formgraph GUI SOURCES gui/tst_formgraph.cpp LIBS velmar_chart)
