// The program trusts the demo's key (demo/, ZU_PUBLIC_KEY): its releases in the tests are
// signed with it, as scripts/run signs the demo's.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "TestUtil.h"
#include "engine/zuRenewixVerify.h"
#include "platform/os/Crypto.h"

namespace zutest {

// The size and SHA-256 lines of the file Bytes under the info file's Key ("#url1").
inline std::string FileCheckLines(const std::string& Key, const std::string& Bytes) {
  return Key + ".size=" + std::to_string(Bytes.size()) + "\n" + Key + ".sha256=" + zu::os::Sha256Hex(Bytes) + "\n";
}

inline std::string SignedWithDemoKey(const std::string& Text) {
  zu::os::TEd25519Key Key;
  std::string Signed;
  EXPECT_TRUE(zu::os::Ed25519FromPem(ReadFile(ZU_DEMO_SIGNING_KEY), Key)) << ZU_DEMO_SIGNING_KEY;
  EXPECT_TRUE(zu::SignInfoFile(Text, Key, Signed));
  return Signed;
}

}  // namespace zutest
