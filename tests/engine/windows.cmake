# The wizard window and the password dialog: geometry, texts, keys and clicks through QTest.
zu_test(test_engine_windows SOURCES engine/WindowsTest.cpp LIBS zu_engine Qt6::Test LABELS unit)
# Every window in all 29 languages: captions against their controls, overlaps, raw
# placeholders; pictures and contact sheets in the artifacts folder.
zu_test(test_engine_languages SOURCES engine/LanguagesTest.cpp LIBS zu_engine Qt6::Test LABELS unit)
