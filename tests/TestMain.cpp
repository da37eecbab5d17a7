// Test entry point: a Qt application object on the offscreen platform (unless the caller
// chose another), a private configuration and temporary area, then GoogleTest.
#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/framework/Application.h"

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // The registry and settings of a test run never touch the user's or the machine's.
  std::string Base = std::filesystem::temp_directory_path().string() + "/zutest-config.XXXXXX";
  if (::mkdtemp(Base.data())) {
    ::setenv("XDG_CONFIG_HOME", (Base + "/user").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", (Base + "/machine").c_str(), 1);
    std::filesystem::create_directories(Base + "/user");
    std::filesystem::create_directories(Base + "/machine");
    // Temporary files too: test processes running side by side must not share the update
    // helper's file or anything else kept under the temporary directory.
    std::filesystem::create_directories(Base + "/tmp");
    ::setenv("TMPDIR", (Base + "/tmp").c_str(), 1);
  }
  QApplication App(argc, argv);
  zu::TApplication::UseWindowedMessageBoxes();
  ::testing::InitGoogleTest(&argc, argv);
  const int Rc = RUN_ALL_TESTS();
  std::error_code Ec;
  std::filesystem::remove_all(Base, Ec);
  return Rc;
}
