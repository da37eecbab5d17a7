// Signed info files: what the component accepts with a public key, and what an older reader
// makes of the same file.
#include <gtest/gtest.h>

#include "engine/zuRenewixInfoFile.h"
#include "engine/zuRenewixVerify.h"
#include "platform/os/Crypto.h"

using namespace zu;

namespace {

const std::string Hash1 = os::Sha256Hex("program bytes");
const std::string Hash2 = os::Sha256Hex("data");

std::string Release(const std::string& Extra = std::string()) {
  return "#version=2.0.0.0\r\n#date=03/01/2026\r\n#method=0\r\n"
         "#url=http://h/rel/program\r\n#url.size=13\r\n#url.sha256=" + Hash1 + "\r\n"
         "#url2=http://h/rel/data\r\n#url2.size=4\r\n#url2.sha256=" + Hash2 + "\r\n" + Extra +
         "#message={Version 2.0:\r\nfaster.}\r\n";
}

class SignedInfoFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(os::Ed25519Generate(Key));
    ASSERT_TRUE(os::Ed25519Generate(OtherKey));
    Public = os::Base64Encode(Key.Public);
    OtherPublic = os::Base64Encode(OtherKey.Public);
  }
  std::string Signed(const std::string& Text, const os::TEd25519Key* With = nullptr) {
    std::string S;
    EXPECT_TRUE(SignInfoFile(Text, With ? *With : Key, S));
    return S;
  }
  std::string Reason(const std::string& Text, const std::string& Keys) {
    const auto V = VerifyInfoFile(Text, Keys, RXDateToDate("06/01/2026"));
    return V.Ok ? std::string("ok") : V.Reason;
  }
  os::TEd25519Key Key, OtherKey;
  std::string Public, OtherPublic;
};

}  // namespace

TEST_F(SignedInfoFile, ASignedReleaseVerifiesAndReadsAsBefore) {
  const std::string S = Signed(Release());
  EXPECT_EQ(Reason(S, Public), "ok");
  // The reader of unsigned files finds the same release in it: the new keys pass unseen.
  const auto Plain = ReadInfoFile(Release());
  const auto WithSignature = ReadInfoFile(S);
  EXPECT_EQ(WithSignature.URLs, (std::vector<std::string>{"http://h/rel/program", "http://h/rel/data"}));
  EXPECT_EQ(WithSignature.URLs, Plain.URLs);
  EXPECT_EQ(WithSignature.Version, "2.0.0.0");
  EXPECT_EQ(WithSignature.Message, "Version 2.0:\r\nfaster.");
  EXPECT_EQ(WithSignature.Method, umSelfUpgrade);
  const auto Checks = InfoFileChecks(S);
  ASSERT_EQ(Checks.size(), 2u);
  EXPECT_EQ(Checks[0].Key, "#url");
  EXPECT_EQ(Checks[0].Size, 13);
  EXPECT_EQ(Checks[0].Sha256, Hash1);
  EXPECT_EQ(Checks[1].Key, "#url2");
  EXPECT_EQ(Checks[1].Size, 4);
  // Signing again replaces the signature instead of signing it.
  EXPECT_EQ(Signed(S), S);
}

TEST_F(SignedInfoFile, EveryTamperingAndEveryGapIsRefusedWithItsReason) {
  const std::string S = Signed(Release());
  std::string ChangedMessage = S;
  ChangedMessage.replace(ChangedMessage.find("faster"), 6, "slower");
  EXPECT_NE(Reason(ChangedMessage, Public).find("does not match"), std::string::npos);
  std::string ChangedHash = S;
  ChangedHash[ChangedHash.find(Hash1)] ^= 1;
  EXPECT_NE(Reason(ChangedHash, Public).find("does not match"), std::string::npos);
  EXPECT_NE(Reason(S, OtherPublic).find("does not match"), std::string::npos) << "the wrong key";
  EXPECT_EQ(Reason(Release(), Public), "the info file is not signed");
  // A truncated signature, and text added after the signature line.
  EXPECT_EQ(Reason(S.substr(0, S.size() - 10) + "\r\n", Public), "the signature is malformed");
  EXPECT_EQ(Reason(S + "#url3=http://evil/x\r\n", Public), "the info file is not signed");
  // Text put before a valid signed file is part of what is signed.
  EXPECT_NE(Reason("#url=http://evil/x\r\n" + S, Public).find("does not match"), std::string::npos);
  // Expired, or an expiry that cannot be read.
  EXPECT_EQ(Reason(Signed(Release("#expires=05/31/2026\r\n")), Public), "the info file expired on 05/31/2026");
  EXPECT_EQ(Reason(Signed(Release("#expires=06/01/2026\r\n")), Public), "ok") << "valid through its day";
  EXPECT_NE(Reason(Signed(Release("#expires=2026-12-31\r\n")), Public).find("cannot be read"), std::string::npos);
  // A URL without its size or hash.
  std::string NoHash = Release();
  NoHash.erase(NoHash.find("#url2.sha256="), 13 + 64 + 2);
  EXPECT_EQ(Reason(Signed(NoHash), Public), "no size and SHA-256 for http://h/rel/data");
  std::string BadSize = Release();
  BadSize.replace(BadSize.find("#url.size=13"), 12, "#url.size=1x");
  EXPECT_EQ(Reason(Signed(BadSize), Public), "no size and SHA-256 for http://h/rel/program");
  EXPECT_EQ(Reason(S, "not-a-key"), "the configured public key is not an Ed25519 key");
}

TEST_F(SignedInfoFile, SeveralKeysLetAPublisherRotate) {
  const std::string ByOld = Signed(Release());
  const std::string ByNew = Signed(Release(), &OtherKey);
  const std::string Both = Public + "  " + OtherPublic + "\n";
  EXPECT_EQ(Reason(ByOld, Both), "ok");
  EXPECT_EQ(Reason(ByNew, Both), "ok");
  EXPECT_NE(Reason(ByNew, Public), "ok");
  std::vector<std::string> Keys;
  EXPECT_TRUE(ParsePublicKeys(Both, Keys));
  EXPECT_EQ(Keys.size(), 2u);
  EXPECT_FALSE(ParsePublicKeys(Public + " x", Keys));
}

TEST_F(SignedInfoFile, WhatTheComponentRefusesBeforeUsingAFile) {
  const TDateTime Today = RXDateToDate("06/01/2026");
  // A web page to open has nothing to hash, but must be one.
  const std::string Page = "#version=2.0.0.0\r\n#method=2\r\n#url=https://h/news.html\r\n";
  EXPECT_EQ(InfoFileRefusal(Signed(Page), Public, Today), "");
  EXPECT_EQ(InfoFileRefusal(Page, "", Today), "");
  EXPECT_EQ(InfoFileRefusal("#method=2\r\n#url=file:///etc/passwd\r\n", "", Today),
            "the web page file:///etc/passwd is not an http or https address");
  EXPECT_EQ(InfoFileRefusal(Release(), "", Today), "") << "no key: no signature needed";
  EXPECT_EQ(InfoFileRefusal(Release(), " \t", Today), "") << "blanks are no key";
  EXPECT_EQ(InfoFileRefusal(Release(), Public, Today), "the info file is not signed");

  EXPECT_TRUE(IsWebURL("HTTPS://h/x"));
  EXPECT_TRUE(IsWebURL("h/x")) << "read as http";
  EXPECT_FALSE(IsWebURL("file:///x"));
  EXPECT_FALSE(IsWebURL("ftp://h/x"));
  EXPECT_EQ(URLOrigin("http://H/a"), URLOrigin("http://h:80/b"));
  EXPECT_NE(URLOrigin("http://h/a"), URLOrigin("https://h/a"));
  EXPECT_NE(URLOrigin("http://h/a"), URLOrigin("http://h:8080/a"));
  EXPECT_NE(URLOrigin("http://h/a"), URLOrigin("http://h.evil/a"));
}

TEST_F(SignedInfoFile, ADownloadMatchesWhatTheInfoFileSays) {
  const auto Checks = InfoFileChecks(Release());
  ASSERT_EQ(Checks.size(), 2u);
  EXPECT_EQ(FileMismatch(&Checks[0], true, 13, Hash1), "");
  EXPECT_EQ(FileMismatch(&Checks[0], true, 14, Hash1), "its size is 14 bytes, the info file says 13");
  EXPECT_EQ(FileMismatch(&Checks[0], false, 13, Hash2), "its SHA-256 differs from the info file's");
  EXPECT_EQ(FileMismatch(&Checks[0], false, 13, ""), "its SHA-256 could not be taken");
  EXPECT_EQ(FileMismatch(nullptr, false, 5, ""), "") << "no key, no lines: nothing to compare";
  EXPECT_NE(FileMismatch(nullptr, true, 5, Hash1), "") << "a key and an address the file does not name";
  std::string Bad = Release();
  Bad.replace(Bad.find("#url.sha256=") + 12, 1, "z");
  const auto BadChecks = InfoFileChecks(Bad);
  EXPECT_EQ(FileMismatch(&BadChecks[0], false, 13, Hash1), "its size or SHA-256 line in the info file cannot be read");
  // Only the size given: only the size compared.
  const auto SizeOnly = InfoFileChecks("#url=http://h/a\r\n#url.size=3\r\n");
  EXPECT_EQ(FileMismatch(&SizeOnly[0], false, 3, Hash1), "");
  EXPECT_NE(FileMismatch(&SizeOnly[0], true, 3, Hash1), "") << "a key wants both";
}
