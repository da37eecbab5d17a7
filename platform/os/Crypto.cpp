#include "platform/os/Crypto.h"

#include <fcntl.h>
#include <unistd.h>

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cerrno>
#include <vector>

namespace zu::os {

namespace {

struct TPkeyFree {
  void operator()(EVP_PKEY* K) const { EVP_PKEY_free(K); }
};
using TPkey = std::unique_ptr<EVP_PKEY, TPkeyFree>;

struct TMdCtxFree {
  void operator()(EVP_MD_CTX* C) const { EVP_MD_CTX_free(C); }
};
using TMdCtx = std::unique_ptr<EVP_MD_CTX, TMdCtxFree>;

std::string Hex(const unsigned char* Data, unsigned N) {
  static const char* Digits = "0123456789abcdef";
  std::string R;
  for (unsigned I = 0; I < N; ++I) {
    R += Digits[Data[I] >> 4];
    R += Digits[Data[I] & 15];
  }
  return R;
}

}  // namespace

struct TSha256::TState {
  TMdCtx Ctx{EVP_MD_CTX_new()};
};

TSha256::TSha256() : F(std::make_unique<TState>()) { EVP_DigestInit_ex(F->Ctx.get(), EVP_sha256(), nullptr); }
TSha256::~TSha256() = default;

void TSha256::Update(const void* Data, std::size_t Size) {
  EVP_DigestUpdate(F->Ctx.get(), Data, Size);
  FBytes += Size;
}

std::string TSha256::HexDigest() {
  unsigned char Md[EVP_MAX_MD_SIZE];
  unsigned N = 0;
  EVP_DigestFinal_ex(F->Ctx.get(), Md, &N);
  EVP_DigestInit_ex(F->Ctx.get(), EVP_sha256(), nullptr);
  FBytes = 0;
  return Hex(Md, N);
}

std::string Sha256Hex(const std::string& Data) {
  TSha256 H;
  H.Update(Data.data(), Data.size());
  return H.HexDigest();
}

bool Sha256File(const std::string& FileName, std::string& HexDigest, std::uint64_t& Size,
                const std::function<void(std::uint64_t)>& Progress) {
  const int Fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) return false;
  TSha256 H;
  std::vector<char> Buf(1 << 20);
  bool Ok = true;
  for (;;) {
    const ssize_t N = ::read(Fd, Buf.data(), Buf.size());
    if (N < 0 && errno == EINTR) continue;
    if (N < 0) Ok = false;
    if (N <= 0) break;
    H.Update(Buf.data(), static_cast<std::size_t>(N));
    if (Progress) Progress(H.Bytes());
  }
  ::close(Fd);
  if (!Ok) return false;
  Size = H.Bytes();
  HexDigest = H.HexDigest();
  return true;
}

std::string Base64Encode(const std::string& Bytes) {
  std::string Out(4 * ((Bytes.size() + 2) / 3) + 1, '\0');
  const int N = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(Out.data()),
                                reinterpret_cast<const unsigned char*>(Bytes.data()), static_cast<int>(Bytes.size()));
  Out.resize(static_cast<std::size_t>(N));
  return Out;
}

bool Base64Decode(const std::string& Text, std::string& Bytes) {
  if (Text.size() % 4 != 0) return false;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    const char C = Text[I];
    const bool Alpha = (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '+' || C == '/';
    const bool Pad = C == '=' && I + 2 >= Text.size() && (I + 1 == Text.size() || Text[I + 1] == '=');
    if (!Alpha && !Pad) return false;
  }
  std::string Out(Text.size() / 4 * 3, '\0');
  const int N = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(Out.data()),
                                reinterpret_cast<const unsigned char*>(Text.data()), static_cast<int>(Text.size()));
  if (N < 0) return false;
  std::size_t Len = static_cast<std::size_t>(N);
  // EVP_DecodeBlock counts the padding as zero bytes.
  if (!Text.empty() && Text.back() == '=') --Len;
  if (Text.size() > 1 && Text[Text.size() - 2] == '=') --Len;
  Out.resize(Len);
  Bytes = std::move(Out);
  return true;
}

namespace {

bool PublicOf(EVP_PKEY* K, std::string& Public) {
  std::size_t Len = 32;
  Public.assign(32, '\0');
  return EVP_PKEY_get_raw_public_key(K, reinterpret_cast<unsigned char*>(Public.data()), &Len) == 1 && Len == 32;
}

bool Fill(EVP_PKEY* K, TEd25519Key& Key) {
  BIO* Mem = BIO_new(BIO_s_mem());
  if (!Mem) return false;
  bool Ok = PEM_write_bio_PrivateKey(Mem, K, nullptr, nullptr, 0, nullptr, nullptr) == 1;
  char* Data = nullptr;
  const long N = BIO_get_mem_data(Mem, &Data);
  if (Ok && N > 0) Key.PrivatePem.assign(Data, static_cast<std::size_t>(N));
  BIO_free(Mem);
  return Ok && PublicOf(K, Key.Public);
}

TPkey PrivateOf(const TEd25519Key& Key) {
  BIO* Mem = BIO_new_mem_buf(Key.PrivatePem.data(), static_cast<int>(Key.PrivatePem.size()));
  if (!Mem) return nullptr;
  TPkey K(PEM_read_bio_PrivateKey(Mem, nullptr, nullptr, nullptr));
  BIO_free(Mem);
  if (K && EVP_PKEY_get_id(K.get()) != EVP_PKEY_ED25519) K.reset();
  return K;
}

}  // namespace

bool Ed25519Generate(TEd25519Key& Key) {
  EVP_PKEY* Raw = nullptr;
  EVP_PKEY_CTX* Ctx = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
  const bool Ok = Ctx && EVP_PKEY_keygen_init(Ctx) == 1 && EVP_PKEY_keygen(Ctx, &Raw) == 1;
  EVP_PKEY_CTX_free(Ctx);
  TPkey K(Raw);
  return Ok && Fill(K.get(), Key);
}

bool Ed25519FromPem(const std::string& Pem, TEd25519Key& Key) {
  TEd25519Key Probe;
  Probe.PrivatePem = Pem;
  TPkey K = PrivateOf(Probe);
  return K && Fill(K.get(), Key);
}

bool Ed25519Sign(const TEd25519Key& Key, const std::string& Message, std::string& Signature) {
  TPkey K = PrivateOf(Key);
  TMdCtx Ctx(EVP_MD_CTX_new());
  if (!K || !Ctx || EVP_DigestSignInit(Ctx.get(), nullptr, nullptr, nullptr, K.get()) != 1) return false;
  std::size_t Len = 64;
  Signature.assign(64, '\0');
  return EVP_DigestSign(Ctx.get(), reinterpret_cast<unsigned char*>(Signature.data()), &Len,
                        reinterpret_cast<const unsigned char*>(Message.data()), Message.size()) == 1 &&
         Len == 64;
}

bool Ed25519Verify(const std::string& Public, const std::string& Message, const std::string& Signature) {
  if (Public.size() != 32 || Signature.size() != 64) return false;
  TPkey K(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                      reinterpret_cast<const unsigned char*>(Public.data()), Public.size()));
  TMdCtx Ctx(EVP_MD_CTX_new());
  if (!K || !Ctx || EVP_DigestVerifyInit(Ctx.get(), nullptr, nullptr, nullptr, K.get()) != 1) return false;
  return EVP_DigestVerify(Ctx.get(), reinterpret_cast<const unsigned char*>(Signature.data()), Signature.size(),
                          reinterpret_cast<const unsigned char*>(Message.data()), Message.size()) == 1;
}

}  // namespace zu::os
