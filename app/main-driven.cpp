// renewix as the tests and the headless demo run it: the program with its test driver, which
// plays RENEWIX_TEST_SCRIPT when that is set. Never installed.
#include "app/Startup.h"
#include "app/TestDriver.h"

int main(int argc, char** argv) {
  return zu::RunUpdater(argc, argv, [] { return std::unique_ptr<QObject>(zu::TTestDriver::FromEnvironment()); });
}
