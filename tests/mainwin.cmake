# The main window, its settings and the result window.
velmar_add_test(tst_mainsettings SOURCES tst_mainsettings.cpp LIBS velmar_mainwin)
velmar_add_test(tst_formvelmar GUI SOURCES gui/tst_formvelmar.cpp gui/TestPorts.h LIBS velmar_mainwin)
velmar_add_test(tst_formresult GUI SOURCES gui/tst_formresult.cpp gui/TestPorts.h LIBS velmar_report_window)
# Failures of the file system and the store, through the real windows.
velmar_add_test(tst_faults GUI SOURCES gui/tst_faults.cpp gui/TestPorts.h
    LIBS velmar_mainwin velmar_chart velmar_report_window)
