// Hashes and signatures of updates, on OpenSSL's libcrypto (EVP): SHA-256 and Ed25519.
// Keys and signatures travel as base64 text; raw keys are 32 bytes, signatures 64.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace zu::os {

// SHA-256 over data that arrives in pieces (a download), without a second read.
class TSha256 {
 public:
  TSha256();
  ~TSha256();
  TSha256(const TSha256&) = delete;
  TSha256& operator=(const TSha256&) = delete;
  void Update(const void* Data, std::size_t Size);
  // The digest as 64 lower-case hex digits; the hash starts anew afterwards.
  std::string HexDigest();
  std::uint64_t Bytes() const { return FBytes; }

 private:
  struct TState;
  std::unique_ptr<TState> F;
  std::uint64_t FBytes = 0;
};

std::string Sha256Hex(const std::string& Data);
// The file's size and SHA-256; false when it cannot be read. Progress (may be empty) is
// told the bytes hashed so far.
bool Sha256File(const std::string& FileName, std::string& Hex, std::uint64_t& Size,
                const std::function<void(std::uint64_t)>& Progress = {});

std::string Base64Encode(const std::string& Bytes);
// Strict: only the standard alphabet with its padding, no blanks; false otherwise.
bool Base64Decode(const std::string& Text, std::string& Bytes);

// Ed25519. A private key is kept in a PKCS#8 PEM file (what `openssl pkey` reads).
struct TEd25519Key {
  std::string PrivatePem;  // empty for a public key only
  std::string Public;      // 32 raw bytes
};
bool Ed25519Generate(TEd25519Key& Key);
// Reads a PEM private key; false when it is none or not Ed25519.
bool Ed25519FromPem(const std::string& Pem, TEd25519Key& Key);
bool Ed25519Sign(const TEd25519Key& Key, const std::string& Message, std::string& Signature);
bool Ed25519Verify(const std::string& Public, const std::string& Message, const std::string& Signature);

}  // namespace zu::os
