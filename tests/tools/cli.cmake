# renewix-cli run as a process against nginx, including a real self-update through the helper.
zu_test(test_renewix_cli
  SOURCES tools/RenewixCliTest.cpp
  LIBS zu_engine LABELS http)
get_target_property(zu_cli_version renewix-cli ZU_PROGRAM_VERSION)
get_target_property(zu_cli_next_version renewix-cli-next ZU_PROGRAM_VERSION)
target_compile_definitions(test_renewix_cli PRIVATE
  ZU_CLI_VERSION="${zu_cli_version}"
  ZU_CLI_NEXT_VERSION="${zu_cli_next_version}"
  ZU_CLI_DEFAULT_INFO_URL="${ZU_CLI_INFO_URL}")
add_dependencies(test_renewix_cli renewix-cli renewix-cli-next renewix-helper)
