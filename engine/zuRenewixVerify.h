// Signed info files: an Ed25519 signature line over the exact bytes before it, the size and
// SHA-256 of every file, and an expiry date. The keys are ones an older reader passes over
// (docs/INFOFILE.md):
//
//   #url=http://host/release/program
//   #url.size=1048576
//   #url.sha256=<64 hex digits>
//   #expires=12/31/2027
//   #signature=<base64 of 64 bytes>     (the last line; signs every byte before it)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/framework/DateTime.h"
#include "platform/os/Crypto.h"

namespace zu {

inline constexpr const char* SignatureKey = "#signature=";

// What the info file says of one file of the release; Size -1 and an empty Sha256 when it
// says nothing.
struct TzuRXFileCheck {
  std::string Key;  // "#url", "#url2", ...
  std::string URL;
  std::int64_t Size = -1;
  std::string Sha256;  // lower-case hex
  bool SizeUnreadable = false, HashUnreadable = false;  // a line that is there but no value
};
// In the order of the URL list.
std::vector<TzuRXFileCheck> InfoFileChecks(const std::string& Text);

struct TzuRXVerification {
  bool Ok = false;
  std::string Reason;  // why not, in a few English words
};
// With PublicKeys (base64 Ed25519 keys separated by blanks): the signature line must sign
// the text before it under one of them, "#expires" must not lie before Today, and every URL
// must have its size and SHA-256.
TzuRXVerification VerifyInfoFile(const std::string& Text, const std::string& PublicKeys, TDateTime Today);
// The keys of a PublicKey text; false when one of them is no Ed25519 public key.
bool ParsePublicKeys(const std::string& PublicKeys, std::vector<std::string>& Keys);

// ---- the component's side ----

// OnLostFile codes of files the component refuses (no HTTP status).
inline constexpr int RXErrorFileMismatch = 1000;   // size or SHA-256 differs from the info file
inline constexpr int RXErrorSchemeRefused = 1001;  // an address that is not http or https

// Whether URL is an http or https address (one without "://" counts as http).
bool IsWebURL(const std::string& URL);
// "scheme://host:port", scheme and host lower-cased; empty when URL cannot be read.
std::string URLOrigin(const std::string& URL);
// Why a fetched info file may not be used (empty when it may): with PublicKeys it must
// verify (VerifyInfoFile); a web page (#method=2) must be an http or https address.
std::string InfoFileRefusal(const std::string& Text, const std::string& PublicKeys, TDateTime Today);
// Why a downloaded file is not the one the info file describes (empty when it is). Check may
// be null: then only Required (a key is configured) refuses it. Sha256 empty: not hashed.
std::string FileMismatch(const TzuRXFileCheck* Check, bool Required, std::int64_t Size, const std::string& Sha256);

// The publisher's side: Text (an earlier signature line removed) with its signature line.
bool SignInfoFile(const std::string& Text, const os::TEd25519Key& Key, std::string& Signed);
// Text without its signature line (the bytes the signature covers); Signature gets the
// line's value. False when there is no signature line at the end.
bool SplitSignature(const std::string& Text, std::string& Body, std::string& Signature);

}  // namespace zu
