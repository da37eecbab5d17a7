// Multipart uploads, server credentials and proxies, against real nginx and tinyproxy and our
// fault-injecting server on 127.0.0.1.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>

#include "QtTestUtil.h"
#include "TestUtil.h"
#include "http/zuHTTP.h"
#include "platform/os/System.h"
#include "servers/TestServers.h"

using namespace zu;
using zutest::FaultServer;
using zutest::NginxServer;
using zutest::TinyproxyServer;

namespace {

using zutest::PumpUntil;

// Requests tinyproxy logged; it goes on logging its own connection bookkeeping, so whole
// logs are no measure.
size_t ProxyRequests(const std::string& Log) {
  size_t N = 0;
  for (size_t At = Log.find("Request ("); At != std::string::npos; At = Log.find("Request (", At + 1)) ++N;
  return N;
}

struct TRoot : TComponent {
  TRoot() : TComponent(nullptr) {}
};

class UploadAuthTest : public ::testing::Test {
 protected:
  void SetUp() override {
    H = new TzuHTTP(&Root);
    H->OnDone = [this](TObject*, const std::string&, std::int64_t, TStream* S) {
      Outcome.push_back("Done");
      if (S) Body = StreamToString(*S, false);
    };
    H->OnHTTPError = [this](TObject*, int Code, TStream* S) {
      Outcome.push_back("HTTPError " + std::to_string(Code));
      if (S) Body = StreamToString(*S, false);
    };
    H->OnHostUnreachable = [this](TObject*) { Outcome.push_back("HostUnreachable"); };
    H->OnUploadCGITimeoutFailed = [this](TObject*) { Outcome.push_back("UploadCGITimeoutFailed"); };
    H->OnConnLost = [this](TObject*, const std::string&, std::int64_t, std::int64_t, TStream*) {
      Outcome.push_back("ConnLost");
    };
    H->OnAnyError = [this](TObject*) { Outcome.push_back("AnyError"); };
  }
  bool Finish() {
    return PumpUntil([&] { return !Outcome.empty() && !H->GetThreadBusy(); });
  }
  // The body as the server got it, with the boundary replaced by B.
  std::string Received(const FaultServer& F) {
    std::string B = F.Last().Body;
    // The header quotes the boundary: boundary="...".
    const std::size_t At = Header.find("boundary=\"") + 10;
    const std::string Boundary = Header.substr(At, Header.size() - 1 - At);
    for (size_t P; (P = B.find(Boundary)) != std::string::npos;) B.replace(P, Boundary.size(), "B");
    return B;
  }
  TRoot Root;
  TzuHTTP* H = nullptr;
  std::vector<std::string> Outcome;
  std::string Body, Header;
};

}  // namespace

TEST(MIME, Base64AndBoundary) {
  EXPECT_EQ(Base64Encode("abc"), "YWJj");
  EXPECT_EQ(Base64Encode("ab"), "YWI=");
  EXPECT_EQ(Base64Encode("a"), "YQ==");
  EXPECT_EQ(Base64Encode(""), "");
  const std::string Sixty(60, 'x');
  const std::string E = Base64Encode(Sixty);
  ASSERT_EQ(E.size(), 82u);
  EXPECT_EQ(E.substr(80), "\r\n");
  const std::string E61 = Base64Encode(Sixty + "y");
  EXPECT_EQ(E61.substr(80, 2), "\r\n");
  EXPECT_EQ(E61.substr(82), "eQ==") << "the padding belongs to the last group after the line break";
  const std::string B = GenerateAttachBoundary('0');
  EXPECT_EQ(B.rfind("---ATTACH-BOUNDARY-0-", 0), 0u);
  EXPECT_EQ(B.substr(B.size() - 3), "---");
  EXPECT_EQ(GetMIMEType(".jpg"), "image/jpeg");
  EXPECT_EQ(GetMIMEType("JPG"), "image/jpeg") << "lower-cased, dot added";
  EXPECT_EQ(GetMIMEType(""), "application/octet-stream");
  EXPECT_EQ(GetMIMEType(".zzqxnotatype"), "application/octet-stream");
}

TEST_F(UploadAuthTest, StringFieldBodyAndHeaderExactly) {
  FaultServer F;
  F.On("/up", FaultServer::Reply(200, "thanks"));
  H->SetURL(F.Url("/up"));
  ASSERT_TRUE(H->BeginPrepareUpload());
  EXPECT_FALSE(H->BeginPrepareUpload()) << "in use";
  Header = H->UploadHeader();
  EXPECT_EQ(Header.rfind("Content-Type: multipart/form-data; boundary=\"---ATTACH-BOUNDARY-0-", 0), 0u);
  EXPECT_EQ(Header.back(), '"');
  H->UploadString("a", "xyz");
  ASSERT_TRUE(H->EndPrepareUpload());
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Outcome, std::vector<std::string>{"Done"});
  EXPECT_EQ(Body, "thanks");
  EXPECT_EQ(F.Last().Method, "POST");
  EXPECT_EQ("Content-Type: " + F.Last().Header("Content-Type"), Header);
  EXPECT_EQ(Received(F), "--B\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nxyz\r\n--B--\r\n");
}

TEST_F(UploadAuthTest, FilesIntegersAndPictures) {
  FaultServer F;
  F.On("/up", FaultServer::Reply(200, "ok"));
  H->SetURL(F.Url("/up"));
  ASSERT_TRUE(H->BeginPrepareUpload());
  Header = H->UploadHeader();
  TMemoryStream Photo;
  Photo.WriteBuffer("JFIFDATA", 8);
  H->UploadStream("pic", &Photo, "photo.JPG");
  TMemoryStream Raw;
  Raw.WriteBuffer("raw", 3);
  H->UploadStream("blob", &Raw, "README");
  H->UploadInteger("n", 258);
  H->UploadBoolean("b", true);
  ASSERT_TRUE(H->EndPrepareUpload());
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Received(F),
            "--B\r\nContent-Disposition: form-data; name=\"pic\"; filename=\"photo.JPG\"\r\nContent-Type: image/jpeg\r\n\r\n"
            "JFIFDATA\r\n"
            "--B\r\nContent-Disposition: form-data; name=\"blob\"; filename=\"README\"\r\nContent-Type: "
            "application/octet-stream\r\n\r\nraw\r\n"
            "--B\r\nContent-Disposition: form-data; name=\"n\"\r\n\r\n" + std::string("\x02\x01\x00\x00", 4) + "\r\n"
            "--B\r\nContent-Disposition: form-data; name=\"b\"\r\n\r\n" + std::string("\x01\x00\x00\x00", 4) + "\r\n"
            "--B--\r\n");
  EXPECT_THROW(H->UploadString("late", "x"), EInvalidOperation) << "no prepared upload any more";
}

TEST_F(UploadAuthTest, UploadWithTheFieldEvent) {
  FaultServer F;
  F.On("/up", FaultServer::Reply(200, "ok"));
  H->SetURL(F.Url("/up"));
  EXPECT_FALSE(H->Upload(1)) << "no field event";
  std::vector<int> Asked;
  H->OnUploadFieldRequest = [&](TObject*, std::uint16_t Index, TMemoryStream* S, std::string& Field, std::string& File) {
    Asked.push_back(Index);
    Field = "f" + std::to_string(Index);
    File = Index == 1 ? "doc.txt" : "";
    S->WriteBuffer("v", 1);
  };
  ASSERT_TRUE(H->Upload(2));
  Header = H->UploadHeader();
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Asked, (std::vector<int>{0, 1}));
  EXPECT_EQ(Received(F), "--B\r\nContent-Disposition: form-data; name=\"f0\"\r\n\r\nv\r\n"
                         "--B\r\nContent-Disposition: form-data; name=\"f1\"; filename=\"doc.txt\"\r\nContent-Type: "
                         "text/plain\r\n\r\nv\r\n--B--\r\n");
  Outcome.clear();
  ASSERT_TRUE(H->Upload(0));
  Header = H->UploadHeader();
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Received(F), "--B--\r\n") << "only the closing line";
}

TEST_F(UploadAuthTest, ForceRetrySendsTheBodyTwiceAndProgressStartsAgain) {
  FaultServer F;
  F.On("/up", FaultServer::RequireBasic("u", "p", "Uploads", FaultServer::Reply(200, "stored")));
  H->SetURL(F.Url("/up"));
  H->SetUsername("u");
  H->SetPassword("p");
  H->SetTransferBufferSize(1000);
  std::vector<std::int64_t> Sent;
  std::int64_t Total = 0;
  H->OnUploadProgress = [&](TObject*, std::int64_t Size, std::int64_t Bytes, int, int, std::uint8_t, float) {
    Total = Size;
    Sent.push_back(Bytes);
  };
  ASSERT_TRUE(H->BeginPrepareUpload());
  H->UploadString("data", std::string(3000 - 0, 'd'));
  Header = H->UploadHeader();
  ASSERT_TRUE(H->EndPrepareUpload());
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Outcome, std::vector<std::string>{"Done"});
  EXPECT_EQ(Body, "stored");
  ASSERT_EQ(F.RequestCount(), 2u) << "the body went out twice";
  EXPECT_FALSE(F.Requests()[0].Has("Authorization"));
  EXPECT_TRUE(F.Requests()[1].Has("Authorization"));
  EXPECT_EQ(F.Requests()[0].Body, F.Requests()[1].Body);
  EXPECT_EQ(Total, static_cast<std::int64_t>(F.Last().Body.size())) << "the data size is the whole body";
  ASSERT_GE(Sent.size(), 4u);
  EXPECT_EQ(Sent.back(), Total);
  const auto Restart = std::find(Sent.begin() + 1, Sent.end(), Sent.front());
  EXPECT_NE(Restart, Sent.end()) << "upload progress starts again from the first block";
}

TEST_F(UploadAuthTest, NoStatusAfterTheBodyIsUploadCGITimeoutFailed) {
  FaultServer F;
  F.On("/up", FaultServer::CloseWithoutStatus());
  H->SetURL(F.Url("/up"));
  ASSERT_TRUE(H->BeginPrepareUpload());
  H->UploadString("a", "b");
  ASSERT_TRUE(H->EndPrepareUpload());
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Outcome, (std::vector<std::string>{"UploadCGITimeoutFailed", "AnyError"}));
}

TEST_F(UploadAuthTest, PasswordRequestLoopAgainstNginx) {
  NginxServer N;
  ASSERT_TRUE(N.Ok()) << N.Error();
  N.Put("protected/secret.txt", "classified");
  H->SetURL(N.Url("/protected/secret.txt"));
  std::vector<std::string> Realms;
  int Status = 0;
  H->OnHeaderInfo = [&](TObject*, int Code, const std::string&, const std::string&, const std::string&,
                        const std::string&, std::int64_t, const std::string&, TDateTime, TDateTime, TDateTime,
                        const std::string&, bool&) { Status = Code; };
  H->OnPasswordRequest = [&](TObject*, const std::string& Realm, bool& TryAgain) {
    Realms.push_back(Realm);
    if (Realms.size() == 1) {
      H->SetUsername("member");
      H->SetPassword("wrong");
    } else {
      H->SetUsername(NginxServer::User());
      H->SetPassword(NginxServer::Password());
    }
    TryAgain = true;
  };
  ASSERT_TRUE(H->Read(false));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Realms, (std::vector<std::string>{"Members", "Members"})) << "asked after every refusal";
  EXPECT_EQ(Outcome, std::vector<std::string>{"Done"});
  EXPECT_EQ(Body, "classified");
  EXPECT_EQ(Status, 200);

  // Giving up: the last refusal's body arrives with OnHTTPError(401).
  Outcome.clear();
  H->SetUsername("");
  H->SetPassword("");
  H->OnPasswordRequest = [&](TObject*, const std::string&, bool& TryAgain) { TryAgain = false; };
  ASSERT_TRUE(H->Read(false));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Outcome, (std::vector<std::string>{"HTTPError 401", "AnyError"}));
  EXPECT_NE(Body.find("401"), std::string::npos);
  // Without a handler a 401 is an ordinary HTTP error.
  Outcome.clear();
  H->OnPasswordRequest = nullptr;
  ASSERT_TRUE(H->Read(false));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Outcome, (std::vector<std::string>{"HTTPError 401", "AnyError"}));
  // With ioNoAuthentication no credentials are sent.
  Outcome.clear();
  H->SetUsername(NginxServer::User());
  H->SetPassword(NginxServer::Password());
  H->SetInternetOptions(H->InternetOptions() | Bit(ioNoAuthentication));
  ASSERT_TRUE(H->Read(false));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Outcome, (std::vector<std::string>{"HTTPError 401", "AnyError"}));
}

TEST_F(UploadAuthTest, ProxyWithAuthenticationBypassAndEnvironment) {
  NginxServer N;
  ASSERT_TRUE(N.Ok()) << N.Error();
  TinyproxyServer P("proxyuser", "proxypass");
  ASSERT_TRUE(P.Ok());
  // Named proxy; the default bypass list would skip 127.0.0.1, so reach nginx as localhost.
  const std::string Url = "http://localhost:" + std::to_string(N.Port()) + "/hello.txt";
  H->SetURL(Url);
  H->Proxy()->SetAccessType(atUseProxy);
  H->Proxy()->SetProxyServer("127.0.0.1");
  H->Proxy()->SetProxyPort(P.Port());
  H->Proxy()->SetProxyUsername("proxyuser");  // no password yet: nothing is offered, the proxy asks
  int Asked = 0;
  H->OnProxyAuthenticationRequest = [&](TObject*, std::string& User, std::string& Pass, bool& TryAgain) {
    ++Asked;
    EXPECT_EQ(User, "proxyuser") << "the proxy's own properties, by reference";
    Pass = "proxypass";
    TryAgain = true;
  };
  ASSERT_TRUE(H->Read(false));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Asked, 1);
  EXPECT_EQ(Outcome, std::vector<std::string>{"Done"});
  EXPECT_EQ(Body, "Hello, world!\n");
  EXPECT_EQ(H->Proxy()->ProxyPassword(), "proxypass") << "what the handler wrote stays in the settings";
  EXPECT_NE(P.Log().find("localhost"), std::string::npos) << "went through the proxy";

  // The bypass list sends 127.0.0.1 direct.
  Outcome.clear();
  const size_t Before = ProxyRequests(P.Log());
  H->SetURL(N.Url("/hello.txt"));
  ASSERT_TRUE(H->Read(false));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Outcome, std::vector<std::string>{"Done"});
  EXPECT_EQ(ProxyRequests(P.Log()), Before) << "bypassed: " << P.Log();

  // HTTPS through the proxy is a CONNECT tunnel.
  Outcome.clear();
  {
    zutest::ScopedEnv Ca("SSL_CERT_FILE", N.CaFile().c_str());
    H->SetURL("https://localhost:" + std::to_string(N.TlsPort()) + "/hello.txt");
    ASSERT_TRUE(H->Read(false));
    ASSERT_TRUE(Finish());
  }
  EXPECT_EQ(Outcome, std::vector<std::string>{"Done"});
  EXPECT_NE(P.Log().find("CONNECT"), std::string::npos);

  // atPreconfig follows http_proxy; atDirect ignores it.
  Outcome.clear();
  TinyproxyServer Open;
  ASSERT_TRUE(Open.Ok());
  zutest::ScopedEnv Env("http_proxy", ("http://" + Open.Address()).c_str());
  zutest::ScopedEnv NoProxy("no_proxy", nullptr);
  H->Proxy()->Assign(nullptr);
  H->SetURL(Url);
  ASSERT_TRUE(H->Read(false));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Outcome, std::vector<std::string>{"Done"});
  const std::string Seen = Open.Log();
  EXPECT_NE(Seen.find("localhost"), std::string::npos) << Seen;
  EXPECT_EQ(ProxyRequests(Seen), 1u) << Seen;
  Outcome.clear();
  H->Proxy()->SetAccessType(atDirect);
  ASSERT_TRUE(H->Read(false));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Outcome, std::vector<std::string>{"Done"});
  EXPECT_EQ(ProxyRequests(Open.Log()), 1u) << "direct: " << Open.Log();
}

TEST_F(UploadAuthTest, ThumbnailedPictureArrivesAsASmallJpeg) {
  FaultServer F;
  F.On("/up", FaultServer::Reply(200, "ok"));
  H->SetURL(F.Url("/up"));
  TPicture Picture;
  TJPEGImage Jpeg;
  TMemoryStream Source;
  Source.LoadFromFile(zutest::SourceDir() + "/tests/support/data/picture.jpg");
  Jpeg.LoadFromStream(Source);
  Picture.Assign(&Jpeg);
  ASSERT_EQ(Picture.Width(), 24);
  ASSERT_TRUE(H->BeginPrepareUpload());
  H->UploadThumbnailedPicture("thumb", Picture, 12, 12, 80, false, "thumb.jpg");
  ASSERT_TRUE(H->EndPrepareUpload());
  ASSERT_TRUE(Finish());
  const std::string B = F.Last().Body;
  const std::string Marker = "Content-Type: image/jpeg\r\n\r\n";
  const size_t Start = B.find(Marker);
  ASSERT_NE(Start, std::string::npos) << B;
  const size_t Data = Start + Marker.size();
  const size_t End = B.rfind("\r\n--");
  const QImage Img = DecodeJPEG(reinterpret_cast<const std::uint8_t*>(B.data() + Data), End - Data);
  EXPECT_EQ(Img.width(), 12);
  EXPECT_EQ(Img.height(), 8) << "proportions kept";
}

// The realm handed to OnPasswordRequest is the challenge's realm parameter, whatever other
// parameters follow it; a challenge without one is shown whole.
TEST_F(UploadAuthTest, RealmIsTheChallengesRealm) {
  FaultServer F;
  const std::vector<std::pair<std::string, std::string>> Cases{
      {"Basic realm=\"Members\"", "Members"},
      {"Basic realm=\"Members\", charset=\"UTF-8\"", "Members"},
      {"Digest realm=\"DigRealm\", qop=\"auth\", nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", opaque=\"5ccc\"",
       "DigRealm"},
      {"Digest qop=\"auth\", REALM=\"Later\", nonce=\"abc\"", "Later"},
      {"Basic realm=\"The \\\"Club\\\", inner\"", "The \"Club\", inner"},
      {"Basic realm=Plain, charset=\"UTF-8\"", "Plain"},
      {"Bearer error=\"invalid_token\", realm=\"api\"", "api"},
      {"Basic myrealm=\"x\"", "Basic myrealm=\"x\""},
      {"NTLM", "NTLM"},
  };
  for (std::size_t I = 0; I < Cases.size(); ++I)
    F.On("/r" + std::to_string(I), FaultServer::Reply(401, "denied", {"WWW-Authenticate: " + Cases[I].first}));
  std::string Realm;
  H->OnPasswordRequest = [&](TObject*, const std::string& R, bool& TryAgain) {
    Realm = R;
    TryAgain = false;
  };
  for (std::size_t I = 0; I < Cases.size(); ++I) {
    Outcome.clear();
    Realm = "(not asked)";
    H->SetURL(F.Url("/r" + std::to_string(I)));
    ASSERT_TRUE(H->Read(false));
    ASSERT_TRUE(Finish());
    EXPECT_EQ(Realm, Cases[I].second) << Cases[I].first;
    EXPECT_EQ(Outcome, (std::vector<std::string>{"HTTPError 401", "AnyError"}));
  }
}

// What a server's multipart parser makes of our body: Python's email package stands for the
// strict ones. The boundary must be a quoted parameter after a semicolon (its Base64 part holds
// "=", "+" and "/"), and quotes or line breaks in names must not reach the header as they are.
TEST_F(UploadAuthTest, BodyParsesAsMultipartAndNamesCannotAddFields) {
  if (os::FindOnPath("python3").empty()) GTEST_SKIP() << "no python3 to parse the body";
  FaultServer F;
  F.On("/up", FaultServer::Reply(200, "ok"));
  H->SetURL(F.Url("/up"));
  ASSERT_TRUE(H->BeginPrepareUpload());
  H->UploadString("title", "Hello");
  TMemoryStream File;
  File.WriteBuffer("file content", 12);
  H->UploadStream("doc", &File, "a\"; name=\"evil.txt");
  H->UploadString("x\r\ny\"z", "v");
  H->UploadInteger("n", 258);
  ASSERT_TRUE(H->EndPrepareUpload());
  ASSERT_TRUE(Finish());
  ASSERT_EQ(Outcome, std::vector<std::string>{"Done"});
  const auto Req = F.Last();
  const auto R = zutest::RunProcess("python3", {zutest::SourceDir() + "/tests/http/multipart_fields.py",
                                                Req.Header("Content-Type")}, Req.Body, 30);
  EXPECT_EQ(R.ExitCode, 0) << R.Out << R.Err;
  EXPECT_EQ(R.Out,
            "part name='title' filename=None type=text/plain data=b'Hello'\n"
            "part name='doc' filename='a%22; name=%22evil.txt' type=text/plain data=b'file content'\n"
            "part name='x%0D%0Ay%22z' filename=None type=text/plain data=b'v'\n"
            "part name='n' filename=None type=text/plain data=b'\\x02\\x01\\x00\\x00'\n");
  EXPECT_EQ(Req.Body.find("name=\"evil.txt\""), std::string::npos);
  EXPECT_NE(Req.Body.find("Content-Disposition: form-data; name=\"doc\"; filename=\"a%22; name=%22evil.txt\"\r\n"
                          "Content-Type: text/plain\r\n\r\nfile content\r\n"),
            std::string::npos)
      << "the body's bytes are otherwise as before";
}

// Bypass entries as the platform library reads them: "*" anywhere in an entry, "<local>" for
// every host name without a dot, names compared without regard to case. Whether a request
// went through the proxy is read from tinyproxy's own log.
TEST_F(UploadAuthTest, ProxyBypassWildcardsAndLocal) {
  NginxServer N;
  ASSERT_TRUE(N.Ok()) << N.Error();
  TinyproxyServer P;
  ASSERT_TRUE(P.Ok());
  H->Proxy()->SetAccessType(atUseProxy);
  H->Proxy()->SetProxyServer("127.0.0.1");
  H->Proxy()->SetProxyPort(P.Port());
  const std::string ByAddress = N.Url("/hello.txt");
  const std::string ByName = "http://localhost:" + std::to_string(N.Port()) + "/hello.txt";
  struct TCase {
    std::string Bypass, Url;
    bool Direct;
  };
  const std::vector<TCase> Cases{
      {"127.*", ByAddress, true},
      {"10.1.*.*; *.corp", ByAddress, false},
      {"*.0.0.1", ByAddress, true},
      {"127.0.*.1", ByAddress, true},
      {"127.0.0.2;128.*", ByAddress, false},
      {"<local>", ByName, true},
      {"<local>", ByAddress, false},
      {"*.corp <local>", ByName, true},
      {"LocalHost", ByName, true},
      {"*host", ByName, true},
      {"local*", ByAddress, false},
      {"http://127.0.0.*", ByAddress, true},
      {"", ByName, false},
      {"*", ByName, true},
      {"127.0.0.1:1", ByAddress, false},
      {"127.0.0.1:" + std::to_string(N.Port()), ByAddress, true},
      {"https://127.*", ByAddress, false},
  };
  for (const auto& C : Cases) {
    Outcome.clear();
    Body.clear();
    H->Proxy()->SetProxyBypass(C.Bypass);
    H->SetURL(C.Url);
    const std::size_t Before = ProxyRequests(P.Log());
    ASSERT_TRUE(H->Read(false));
    ASSERT_TRUE(Finish());
    EXPECT_EQ(Outcome, std::vector<std::string>{"Done"}) << C.Bypass;
    EXPECT_EQ(Body, "Hello, world!\n");
    const std::size_t Through = ProxyRequests(P.Log()) - Before;
    EXPECT_EQ(Through, C.Direct ? 0u : 1u) << "bypass \"" << C.Bypass << "\", " << C.Url << "\n" << P.Log();
  }
}
