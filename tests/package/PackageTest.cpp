// The installed package as an outside project sees it: `cmake --install` into a scratch
// prefix, then a small program built against it through find_package and through
// pkg-config, and run.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
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

// Configures and builds the outside CMake project Source in Build against what lies in
// PrefixPath (Extra: more -D settings).
void BuildOutside(const std::string& Source, const std::string& Build, const std::string& PrefixPath,
                  const std::string& Extra = "") {
  std::string Flags;
  if (!Sanitize.empty())
    Flags = " -DCMAKE_CXX_FLAGS='" + Sanitize + "' -DCMAKE_EXE_LINKER_FLAGS='" + Sanitize + "'";
  Shell("cmake -S '" + Source + "' -B '" + Build + "' -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_PREFIX_PATH='" +
        PrefixPath + "'" + Extra + Flags);
  Shell("cmake --build '" + Build + "'");
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
  BuildOutside(SourceDir() + "/tests/package", B, Prefix);
  // Resources (helper, message table, form data) came along with the targets.
  EXPECT_NE(Shell("QT_QPA_PLATFORM=offscreen '" + B + "/package_check'").find("ok: helper"), std::string::npos);

  NginxServer Web;
  ASSERT_TRUE(Web.Ok()) << Web.Error();
  Web.Put("package.txt", "from the package\n");
  EXPECT_EQ(Shell("'" + B + "/package_check_http' '" + Web.Url("/package.txt") + "'"), "from the package\n");
}

// The publisher's example, built twice from the installed package: 1.0.0.0 runs unattended,
// finds 2.0.0.0 signed on nginx, downloads it, installs it through the helper as it quits and
// comes back as 2.0.0.0.
TEST_F(PackageTest, TheExampleBuiltFromThePackageUpdatesItselfThroughTheHelper) {
  auto Build = [&](const std::string& Version) {
    const std::string B = Dir->File("inkwell-" + Version);
    BuildOutside(SourceDir() + "/examples/embed", B, Prefix, " -DINKWELL_VERSION=" + Version);
    return B + "/inkwell";
  };
  const std::string Old = Build("1.0.0.0"), New = Build("2.0.0.0");

  NginxServer Web;
  ASSERT_TRUE(Web.Ok()) << Web.Error();
  const std::string Www = Web.DocRoot(), Key = Dir->File("signing.pem");
  Shell("mkdir -p '" + Www + "/inkwell/rel' && cp '" + New + "' '" + Www + "/inkwell/rel/inkwell' && cp '" +
        SourceDir() + "/demo/demo-signing-key.pem' '" + Key + "' && chmod 600 '" + Key + "'");
  const std::string Publish = "'" + Prefix + "/bin/renewix-publish' ";
  Shell(Publish + "compose --version 2.0.0.0 --base-url " + Web.Url("/inkwell/rel/") + " -o '" + Www +
        "/inkwell/inkwell.inf' '" + Www + "/inkwell/rel/inkwell'");
  Shell(Publish + "sign --key '" + Key + "' '" + Www + "/inkwell/inkwell.inf'");

  const std::string ProgDir = Dir->File("my  apps+/inkwell"), Log = Dir->File("inkwell.log");
  Shell("mkdir -p '" + ProgDir + "' && cp '" + Old + "' '" + ProgDir + "/'");
  // Output to a file: the restarted program outlives this shell and its pipe.
  Shell("cd '" + ProgDir + "' && QT_QPA_PLATFORM=offscreen INKWELL_UNATTENDED_LOG='" + Log +
        "' INKWELL_UPDATE_URL=" + Web.Url("/inkwell/inkwell.inf") + " ./inkwell >'" + Log + ".out' 2>&1");
  // The helper starts 2.0.0.0 once 1.0.0.0 has ended; it checks again and quits.
  const std::string Expected =
      "Inkwell 1.0.0.0 started\n"
      "A new version of Inkwell is available.\n"
      "The new version is downloaded; it is installed when you quit Inkwell.\n"
      "Installing the new version.\n"
      "Inkwell 2.0.0.0 started with /afterupgrade\n"
      "Inkwell was updated to version 2.0.0.0.\n"
      "Inkwell 2.0.0.0 is up to date.\n";
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (ReadFile(Log).size() < Expected.size() && std::chrono::steady_clock::now() < Deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(ReadFile(Log), Expected) << ReadFile(Log + ".out");
  EXPECT_EQ(Shell("cmp '" + ProgDir + "/inkwell' '" + New + "' && ls -A '" + ProgDir + "'"), "inkwell\n");
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

// `cpack -G DEB` on this build tree, the packages unpacked into a throwaway root (dpkg -x),
// and the example built against that root alone.
TEST(DebianPackage, ProgramsAndDevelopmentFilesUnpackAndBuildTheExample) {
  TempDir Dir;
  const std::string Out = Dir.File("debs"), Root = Dir.File("root");
  Shell("cpack -G DEB --config '" + BuildDir + "/CPackConfig.cmake' -B '" + Out + "'");
  const std::string Debs = Shell("cd '" + Out + "' && ls *.deb");
  ASSERT_NE(Debs.find("renewix_"), std::string::npos) << Debs;
  ASSERT_NE(Debs.find("renewix-dev_"), std::string::npos) << Debs;

  const std::string Programs = Shell("dpkg-deb -f '" + Out + "'/renewix_*.deb Package Depends");
  for (const char* Dep : {"libqt6widgets6", "libcurl4", "libssl3", "libjpeg62-turbo", "libc6"})
    EXPECT_NE(Programs.find(Dep), std::string::npos) << Dep << " in\n" << Programs;
  const std::string Dev = Shell("dpkg-deb -f '" + Out + "'/renewix-dev_*.deb Package Depends Recommends");
  for (const char* Dep : {"qt6-base-dev", "libcurl4-openssl-dev", "libssl-dev", "libjpeg-dev", "Recommends: renewix"})
    EXPECT_NE(Dev.find(Dep), std::string::npos) << Dep << " in\n" << Dev;

  Shell("for d in '" + Out + "'/*.deb; do dpkg -x \"$d\" '" + Root + "'; done");
  for (const char* F : {"bin/renewix", "bin/renewix-cli", "bin/zuget", "bin/renewix-info", "bin/renewix-publish",
                        "libexec/renewix/renewix-helper", "lib/cmake/Renewix/RenewixConfig.cmake",
                        "lib/pkgconfig/renewix.pc", "include/renewix/engine/zuRenewix.h", "lib/libzu_engine.a"})
    EXPECT_EQ(Shell("test -s '" + Root + "/usr/" + F + "' && echo ok || echo missing"), "ok\n") << F;
  EXPECT_NE(Shell("'" + Root + "/usr/bin/renewix-publish' --help").find("keygen"), std::string::npos);

  const std::string B = Dir.File("inkwell");
  BuildOutside(SourceDir() + "/examples/embed", B, Root + "/usr");
  // It runs: unattended against a closed port it says so and ends.
  const std::string Log = Dir.File("inkwell.log");
  Shell("QT_QPA_PLATFORM=offscreen INKWELL_UNATTENDED_LOG='" + Log +
        "' INKWELL_UPDATE_URL=http://127.0.0.1:9/inkwell.inf '" + B + "/inkwell'");
  EXPECT_EQ(ReadFile(Log), "Inkwell 1.0.0.0 started\nThe update server 127.0.0.1 cannot be reached.\n");
}

}  // namespace
