# The helper's parser and plan are compiled in; the program itself is run as built.
zu_test(test_helper
  SOURCES helper/HelperCommandLineTest.cpp helper/HelperProgramTest.cpp helper/InstallTest.cpp
          ${PROJECT_SOURCE_DIR}/helper/HelperCommandLine.cpp ${PROJECT_SOURCE_DIR}/helper/Install.cpp
  LIBS zu_platform LABELS unit)
add_dependencies(test_helper renewix-helper)
