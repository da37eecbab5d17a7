# The updater's main window in-process (nginx for its checks), and whole upgrades of the real
# program: renewix upgraded to renewix-next through nginx and the helper.
zu_test(test_app
  SOURCES app/UpdMainTest.cpp app/AppArtwork.cpp
  LIBS renewix_testdriver Qt6::Test LABELS http)
zu_program_version(test_app ${PROJECT_VERSION})
target_compile_definitions(test_app PRIVATE ZU_UPDATE_SERVER="${ZU_UPDATE_SERVER}"
  ZU_DEMO_SIGNING_KEY="${PROJECT_SOURCE_DIR}/demo/demo-signing-key.pem" ZU_PUBLIC_KEY="${ZU_PUBLIC_KEY}")
add_dependencies(test_app renewix-helper)

zu_test(test_app_upgrade
  SOURCES app/UpgradeTest.cpp
  LIBS zu_engine LABELS http)
target_compile_definitions(test_app_upgrade PRIVATE
  ZU_DEMO_SIGNING_KEY="${PROJECT_SOURCE_DIR}/demo/demo-signing-key.pem")
add_dependencies(test_app_upgrade renewix renewix-next renewix-helper)

# The program as installed is the one without its test driver.
add_test(NAME InstalledProgram.CarriesNoTestDriver
  COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR} -DDRIVEN=$<TARGET_FILE:renewix>
          -DSCRATCH=${CMAKE_CURRENT_BINARY_DIR}/installed-program -P ${CMAKE_CURRENT_SOURCE_DIR}/app/InstalledProgram.cmake)
set_tests_properties(InstalledProgram.CarriesNoTestDriver PROPERTIES LABELS unit)
