// The installed package as an outside project sees it: `cmake --install` into a scratch
// prefix, then a small program built against it through find_package and through
// pkg-config, and run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestUtil.h"
#include "servers/TestServers.h"

using namespace zutest;

namespace {

const std::string BuildDir = ZU_BUILD_DIR;
const std::string Sanitize = ZU_SANITIZE_FLAGS;  // the outside build links the same runtime

std::string Shell(const std::string& Command, int TimeoutSec = 480) {
  const ProcessResult R = RunProcess("/bin/sh", {"-c", Command + " 2>&1"}, "", TimeoutSec);
  EXPECT_EQ(R.ExitCode, 0) << Command << "\n" << R.Out << R.Err;
  return R.Out;
}

class PackageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Dir = new TempDir;
    Prefix = Dir->File("prefix");
    Shell("cmake --install '" + BuildDir + "' --prefix '" + Prefix + "'");
  }
  static void TearDownTestSuite() {
    delete Dir;
    Dir = nullptr;
  }
  static TempDir* Dir;
  static std::string Prefix;
};
TempDir* PackageTest::Dir = nullptr;
std::string PackageTest::Prefix;

TEST_F(PackageTest, InstallsTheCMakePackageAndOnlyPublicHeaders) {
  for (const char* F : {"lib/cmake/Renewix/RenewixConfig.cmake", "lib/cmake/Renewix/RenewixConfigVersion.cmake",
                        "lib/cmake/Renewix/RenewixTargets.cmake", "lib/pkgconfig/renewix.pc",
                        "lib/pkgconfig/renewix-http.pc", "include/renewix/engine/zuRenewix.h"})
    EXPECT_FALSE(ReadFile(Prefix + "/" + F).empty()) << F;
  for (const char* F : {"platform/inet/InetPrivate.h", "platform/inet/InetRequest.h", "http/zuHTTPTransfer.h",
                        "widgets/zuDialogControlsPrivate.h"})
    EXPECT_EQ(Shell("test -e '" + Prefix + "/include/renewix/" + F + "' && echo present || echo absent"), "absent\n")
        << F;
}

TEST_F(PackageTest, AnOutsideCMakeProjectBuildsAndRuns) {
  const std::string B = Dir->File("cmake-build");
  std::string Flags;
  if (!Sanitize.empty())
    Flags = " -DCMAKE_CXX_FLAGS='" + Sanitize + "' -DCMAKE_EXE_LINKER_FLAGS='" + Sanitize + "'";
  Shell("cmake -S '" + SourceDir() + "/tests/package' -B '" + B + "' -G Ninja -DCMAKE_BUILD_TYPE=Debug" +
        " -DCMAKE_PREFIX_PATH='" + Prefix + "'" + Flags);
  Shell("cmake --build '" + B + "'");
  // Resources (helper, message table, form data) came along with the targets.
  EXPECT_NE(Shell("QT_QPA_PLATFORM=offscreen '" + B + "/package_check'").find("ok: helper"), std::string::npos);

  NginxServer Web;
  ASSERT_TRUE(Web.Ok()) << Web.Error();
  Web.Put("package.txt", "from the package\n");
  EXPECT_EQ(Shell("'" + B + "/package_check_http' '" + Web.Url("/package.txt") + "'"), "from the package\n");
}

TEST_F(PackageTest, PkgConfigFlagsBuildBothPrograms) {
  const std::string Env = "PKG_CONFIG_PATH='" + Prefix + "/lib/pkgconfig' ";
  const std::string Src = SourceDir() + "/tests/package/";
  for (const auto& [Module, Source, Out] : std::vector<std::tuple<std::string, std::string, std::string>>{
           {"renewix", "main.cpp", "pc_check"}, {"renewix-http", "main_http.cpp", "pc_check_http"}}) {
    const std::string Cmd = "g++ -std=c++20 " + Sanitize + " '" + Src + Source + "' -o '" + Dir->File(Out) + "' $(" +
                            Env + "pkg-config --cflags --libs --static " + Module + ")";
    Shell(Cmd);
  }
  EXPECT_NE(Shell("QT_QPA_PLATFORM=offscreen '" + Dir->File("pc_check") + "'").find("ok: helper"), std::string::npos);
  NginxServer Web;
  ASSERT_TRUE(Web.Ok()) << Web.Error();
  Web.Put("pc.txt", "through pkg-config\n");
  EXPECT_EQ(Shell("'" + Dir->File("pc_check_http") + "' '" + Web.Url("/pc.txt") + "'"), "through pkg-config\n");
}

}  // namespace
