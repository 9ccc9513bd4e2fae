# The help content, the placeholder rule and the help window.
velmar_add_test(tst_helpcontent SOURCES tst_helpcontent.cpp LIBS velmar_help)
velmar_add_test(tst_formhelp GUI SOURCES gui/tst_formhelp.cpp LIBS velmar_help)
