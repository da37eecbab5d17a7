# The self-update component against real nginx and the fault server.
zu_test(test_renewix
  SOURCES engine/RenewixTest.cpp engine/VerifiedUpdateTest.cpp
  LIBS zu_engine Qt6::Test LABELS http)
add_dependencies(test_renewix renewix-helper)
