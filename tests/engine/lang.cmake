# The message table, the languages and the engine's notices (offscreen info boxes).
zu_test(test_lang SOURCES engine/LangTest.cpp LIBS zu_engine Qt6::Test LABELS unit)
