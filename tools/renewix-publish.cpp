// renewix-publish: keys, signed info files and their checks for the publisher of a program.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/zuRenewixInfoFile.h"
#include "engine/zuRenewixVerify.h"
#include "platform/os/Crypto.h"
#include "support/zuUtils.h"

using namespace zu;

namespace {

const char* Usage =
    "Usage: renewix-publish COMMAND ...\n"
    "Makes and checks the signed info files of Renewix updates.\n"
    "\n"
    "  keygen KEYFILE\n"
    "      writes a new Ed25519 private key to KEYFILE (mode 0600, never over an existing\n"
    "      file) and prints its public key, one line of base64, for the program's PublicKey\n"
    "  compose --version V --base-url URL [--date MM/DD/YYYY] [--method 0|1|2]\n"
    "          [--message-file F] [--expires MM/DD/YYYY] -o INFOFILE FILE...\n"
    "      writes an info file that names each FILE as URL + its file name, with its size\n"
    "      and SHA-256, in the order given (--date: today unless given)\n"
    "  sign --key KEYFILE INFOFILE\n"
    "      signs INFOFILE in place (a signature line at its end; signing again replaces it)\n"
    "  verify --public-key KEY INFOFILE [FILE...]\n"
    "      checks the signature, the expiry and, for each FILE given, its size and SHA-256\n"
    "      against what INFOFILE says of the file of that name; --public-key may repeat\n"
    "\n"
    "Exit status: 0 done or verified, 1 verification failed (or a file could not be\n"
    "written), 2 bad arguments.\n"
    "\n"
    "Example: publishing version 1.2.0.0 of 'myprog' on https://updates.example.org/myprog/\n"
    "  renewix-publish keygen ~/keys/myprog.key        # once; prints the public key\n"
    "  renewix-publish compose --version 1.2.0.0 --base-url https://updates.example.org/myprog/ \\\n"
    "      --message-file notes.txt --expires 12/31/2027 -o myprog.inf build/myprog build/myprog.dat\n"
    "  renewix-publish sign --key ~/keys/myprog.key myprog.inf\n"
    "  renewix-publish verify --public-key \"$(cat myprog.pub)\" myprog.inf build/myprog build/myprog.dat\n"
    "  then upload myprog.inf, myprog and myprog.dat to https://updates.example.org/myprog/\n";

enum { exOk = 0, exFailed = 1, exUsage = 2 };

int Bad(const std::string& Msg) {
  std::fprintf(stderr, "renewix-publish: %s (see --help)\n", Msg.c_str());
  return exUsage;
}

int Failed(const std::string& Msg) {
  std::fprintf(stderr, "renewix-publish: %s\n", Msg.c_str());
  return exFailed;
}

bool ReadAll(const std::string& Path, std::string& Text) {
  std::ifstream In(Path, std::ios::binary);
  if (!In) return false;
  std::ostringstream S;
  S << In.rdbuf();
  Text = S.str();
  return static_cast<bool>(In) || In.eof();
}

// Written beside the target and renamed over it: a reader never sees half a file.
bool WriteAtomically(const std::string& Path, const std::string& Text, mode_t Mode) {
  const std::string Temp = Path + ".tmp-" + std::to_string(::getpid());
  const int Fd = ::open(Temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, Mode);
  if (Fd < 0) return false;
  std::size_t Done = 0;
  while (Done < Text.size()) {
    const ssize_t N = ::write(Fd, Text.data() + Done, Text.size() - Done);
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) break;
    Done += static_cast<std::size_t>(N);
  }
  const bool Ok = Done == Text.size() && ::fsync(Fd) == 0;
  if (::close(Fd) != 0 || !Ok || ::rename(Temp.c_str(), Path.c_str()) != 0) {
    ::unlink(Temp.c_str());
    return false;
  }
  return true;
}

std::string BaseName(const std::string& Path) { return Path.substr(Path.find_last_of('/') + 1); }

bool RXDateArgument(const std::string& S) {
  TDateTime D;
  return S.size() == 10 && S[2] == '/' && S[5] == '/' &&
         S.find_first_not_of("0123456789/") == std::string::npos &&
         TryEncodeDate(std::atoi(S.c_str() + 6), std::atoi(S.c_str()), std::atoi(S.c_str() + 3), D);
}

// Hashes a file; draws a progress bar on a terminal for files of some size.
bool HashFile(const std::string& Path, std::string& Hex, std::uint64_t& Size) {
  struct stat St{};
  const bool Bar = ::isatty(2) && ::stat(Path.c_str(), &St) == 0 && St.st_size > (16 << 20);
  auto Last = std::chrono::steady_clock::now();
  const bool Ok = os::Sha256File(Path, Hex, Size, [&](std::uint64_t Done) {
    if (!Bar) return;
    const auto Now = std::chrono::steady_clock::now();
    if (Now - Last < std::chrono::milliseconds(100)) return;
    Last = Now;
    const int Pct = static_cast<int>(Done * 100 / static_cast<std::uint64_t>(St.st_size));
    std::fprintf(stderr, "\r%s [%-30s] %3d%%", BaseName(Path).c_str(), std::string(Pct * 30 / 100, '#').c_str(), Pct);
  });
  if (Bar) std::fprintf(stderr, "\r%s [%s] 100%%\n", BaseName(Path).c_str(), std::string(30, '#').c_str());
  return Ok;
}

int KeyGen(const std::vector<std::string>& A) {
  if (A.size() != 1) return Bad("keygen takes one KEYFILE");
  os::TEd25519Key Key;
  if (!os::Ed25519Generate(Key)) return Failed("cannot make a key");
  const int Fd = ::open(A[0].c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (Fd < 0)
    return Failed("cannot create " + A[0] + ": " +
                  (errno == EEXIST ? std::string("it exists already (a key is never overwritten)") : std::strerror(errno)));
  const bool Ok = ::write(Fd, Key.PrivatePem.data(), Key.PrivatePem.size()) ==
                      static_cast<ssize_t>(Key.PrivatePem.size()) &&
                  ::fchmod(Fd, 0600) == 0 && ::fsync(Fd) == 0;
  if (::close(Fd) != 0 || !Ok) {
    ::unlink(A[0].c_str());
    return Failed("cannot write " + A[0]);
  }
  std::printf("%s\n", os::Base64Encode(Key.Public).c_str());
  return exOk;
}

int Compose(const std::vector<std::string>& A) {
  std::string Version, BaseUrl, Date, Method = "0", MessageFile, Expires, Out;
  std::vector<std::string> Files;
  for (std::size_t I = 0; I < A.size(); ++I) {
    auto Value = [&](std::string& V) {
      if (I + 1 >= A.size()) return false;
      V = A[++I];
      return true;
    };
    const std::string& S = A[I];
    if (S == "--version") {
      if (!Value(Version)) return Bad("--version needs a version");
    } else if (S == "--base-url") {
      if (!Value(BaseUrl)) return Bad("--base-url needs an address");
    } else if (S == "--date") {
      if (!Value(Date) || !RXDateArgument(Date)) return Bad("--date wants MM/DD/YYYY");
    } else if (S == "--method") {
      if (!Value(Method) || (Method != "0" && Method != "1" && Method != "2")) return Bad("--method wants 0, 1 or 2");
    } else if (S == "--message-file") {
      if (!Value(MessageFile)) return Bad("--message-file needs a file");
    } else if (S == "--expires") {
      if (!Value(Expires) || !RXDateArgument(Expires)) return Bad("--expires wants MM/DD/YYYY");
    } else if (S == "-o") {
      if (!Value(Out)) return Bad("-o needs a file");
    } else if (!S.empty() && S[0] == '-') {
      return Bad("unknown option " + S);
    } else {
      Files.push_back(S);
    }
  }
  if (Version.empty() || BaseUrl.empty() || Out.empty() || Files.empty())
    return Bad("compose needs --version, --base-url, -o and at least one FILE");
  if (Version.find_first_of("\r\n\t") != std::string::npos || BaseUrl.find_first_of(" \r\n\t") != std::string::npos)
    return Bad("--version and --base-url are one line each, without blanks in the address");
  if (BaseUrl.back() != '/') BaseUrl += '/';
  std::string Message;
  if (!MessageFile.empty()) {
    if (!ReadAll(MessageFile, Message)) return Failed("cannot read " + MessageFile);
    if (Message.find('}') != std::string::npos) return Bad("the message may not hold '}' (it ends the message)");
  }
  if (Date.empty()) Date = DateToRXDate(zu::Date());
  std::string T = "#version=" + Version + "\r\n#date=" + Date + "\r\n#method=" + Method + "\r\n";
  for (std::size_t I = 0; I < Files.size(); ++I) {
    std::string Hex;
    std::uint64_t Size = 0;
    if (!HashFile(Files[I], Hex, Size)) return Failed("cannot read " + Files[I]);
    // "#url" first, then #url2, #url3, ... (numbering after "#url" continues at 2).
    const std::string Key = I == 0 ? "#url" : "#url" + std::to_string(I + 1);
    T += Key + "=" + BaseUrl + URLEncode(BaseName(Files[I])) + "\r\n";
    T += Key + ".size=" + std::to_string(Size) + "\r\n";
    T += Key + ".sha256=" + Hex + "\r\n";
  }
  if (!Expires.empty()) T += "#expires=" + Expires + "\r\n";
  if (!Message.empty()) T += "#message={" + Message + "}\r\n";
  if (!WriteAtomically(Out, T, 0644)) return Failed("cannot write " + Out + ": " + std::strerror(errno));
  return exOk;
}

int Sign(const std::vector<std::string>& A) {
  std::string KeyFile, InfoFile;
  for (std::size_t I = 0; I < A.size(); ++I) {
    if (A[I] == "--key" && I + 1 < A.size()) KeyFile = A[++I];
    else if (!A[I].empty() && A[I][0] == '-') return Bad("unknown option " + A[I]);
    else if (InfoFile.empty()) InfoFile = A[I];
    else return Bad("sign takes one INFOFILE");
  }
  if (KeyFile.empty() || InfoFile.empty()) return Bad("sign needs --key KEYFILE and INFOFILE");
  std::string Pem, Text, Signed;
  os::TEd25519Key Key;
  if (!ReadAll(KeyFile, Pem)) return Failed("cannot read " + KeyFile);
  if (!os::Ed25519FromPem(Pem, Key)) return Failed(KeyFile + " holds no Ed25519 private key");
  if (!ReadAll(InfoFile, Text)) return Failed("cannot read " + InfoFile);
  if (!SignInfoFile(Text, Key, Signed)) return Failed("cannot sign " + InfoFile);
  struct stat St{};
  const mode_t Mode = ::stat(InfoFile.c_str(), &St) == 0 ? (St.st_mode & 07777) : 0644;
  if (!WriteAtomically(InfoFile, Signed, Mode)) return Failed("cannot write " + InfoFile + ": " + std::strerror(errno));
  return exOk;
}

int Verify(const std::vector<std::string>& A) {
  std::string Keys, InfoFile;
  std::vector<std::string> Files;
  for (std::size_t I = 0; I < A.size(); ++I) {
    if (A[I] == "--public-key" && I + 1 < A.size()) Keys += (Keys.empty() ? "" : " ") + A[++I];
    else if (!A[I].empty() && A[I][0] == '-') return Bad("unknown option " + A[I]);
    else if (InfoFile.empty()) InfoFile = A[I];
    else Files.push_back(A[I]);
  }
  if (Keys.empty() || InfoFile.empty()) return Bad("verify needs --public-key KEY and INFOFILE");
  std::vector<std::string> Parsed;
  if (!ParsePublicKeys(Keys, Parsed)) return Bad("--public-key wants the base64 line keygen printed");
  std::string Text;
  if (!ReadAll(InfoFile, Text)) return Failed("cannot read " + InfoFile);
  const TzuRXVerification V = VerifyInfoFile(Text, Keys, zu::Date());
  if (!V.Ok) return Failed("refused: " + V.Reason);
  std::string Body, Signature;
  SplitSignature(Text, Body, Signature);
  const auto Checks = InfoFileChecks(Body);
  int Result = exOk;
  for (const auto& F : Files) {
    const TzuRXFileCheck* C = nullptr;
    for (const auto& Check : Checks)
      if (Check.URL.substr(Check.URL.find_last_of('/') + 1) == URLEncode(BaseName(F))) C = &Check;
    std::string Hex;
    std::uint64_t Size = 0;
    if (!C) {
      Result = Failed(F + ": the info file names no file " + BaseName(F));
    } else if (!HashFile(F, Hex, Size)) {
      Result = Failed("cannot read " + F);
    } else if (static_cast<std::int64_t>(Size) != C->Size) {
      Result = Failed(F + ": size " + std::to_string(Size) + ", the info file says " + std::to_string(C->Size));
    } else if (Hex != C->Sha256) {
      Result = Failed(F + ": SHA-256 " + Hex + ", the info file says " + C->Sha256);
    }
  }
  if (Result == exOk) std::printf("verified: %s%s\n", InfoFile.c_str(), Files.empty() ? "" : " and its files");
  return Result;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> A(argv + 1, argv + argc);
  if (A.empty()) return Bad("no command given");
  if (A[0] == "--help" || A[0] == "-h" || A[0] == "help") {
    std::fputs(Usage, stdout);
    return exOk;
  }
  const std::string Command = A[0];
  A.erase(A.begin());
  if (Command == "keygen") return KeyGen(A);
  if (Command == "compose") return Compose(A);
  if (Command == "sign") return Sign(A);
  if (Command == "verify") return Verify(A);
  return Bad("unknown command " + Command);
}
