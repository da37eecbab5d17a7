# The wizard window and the password dialog: geometry, texts, keys and clicks through QTest.
zu_test(test_engine_windows SOURCES engine/WindowsTest.cpp LIBS zu_engine Qt6::Test LABELS unit)
