// The registry's INI file may be edited by hand or left half-written: any file must read
// without a crash, every value listed must be readable, and each value read must store and
// read back as the same typed value.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/os/Registry.h"

using namespace zu::os;

namespace {

bool Same(const TRegValue& A, const TRegValue& B) {
  return A.Type == B.Type && (A.Type == TRegDataType::DWord ? A.DWord == B.DWord : A.Data == B.Data);
}

// Keys (as paths) and their values, a few levels deep; the first string value is copied under
// "zzcopy" and must read back the same (stores are few: each one writes the file).
void Walk(const std::string& Key, int Depth, int& Budget, bool& Copied) {
  for (const auto& Name : RegValueNames(HKEY_CURRENT_USER, Key)) {
    if (--Budget < 0) return;
    const auto V = RegQueryValue(HKEY_CURRENT_USER, Key, Name);
    if (!V) std::abort();  // listed, so readable
    if (!Copied && V->Type == TRegDataType::String && Name.find('\\') == std::string::npos) {
      Copied = true;
      // Typed forms and plain strings alike survive a store.
      if (!RegSetValue(HKEY_CURRENT_USER, "zzcopy", Name, *V)) std::abort();
      const auto Back = RegQueryValue(HKEY_CURRENT_USER, "zzcopy", Name);
      if (!Back || !Same(*V, *Back)) std::abort();
    }
  }
  if (Depth == 0) return;
  for (const auto& Sub : RegSubKeyNames(HKEY_CURRENT_USER, Key)) {
    if (--Budget < 0) return;
    Walk(Key.empty() ? Sub : Key + "\\" + Sub, Depth - 1, Budget, Copied);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  // One directory for every input: a fresh one each time would grow the settings library's
  // file cache, and the leak check then scans the heap after every run. The file is replaced
  // (not rewritten in place) so the cache sees a changed file.
  static const std::string Dir = [] {
    // In memory where there is such a file system: every store syncs the file to disk.
    std::string Templ = std::filesystem::is_directory("/dev/shm") ? "/dev/shm/fuzz_registry.XXXXXX"
                                                                   : "/tmp/fuzz_registry.XXXXXX";
    const char* D = mkdtemp(Templ.data());
    if (!D) std::abort();
    setenv("XDG_CONFIG_HOME", D, 1);
    std::atexit([] { std::filesystem::remove_all(std::getenv("XDG_CONFIG_HOME")); });
    return std::string(D);
  }();
  const std::string File = RegistryFile(HKEY_CURRENT_USER);
  {
    std::ofstream F(File + ".new", std::ios::binary);
    F.write(reinterpret_cast<const char*>(Data), static_cast<std::streamsize>(Size));
  }
  std::filesystem::rename(File + ".new", File);
  int Budget = 32;
  bool Copied = false;
  Walk("", 3, Budget, Copied);
  // A value of the kind the first byte picks, written and read back beside whatever the file held.
  const std::string Bytes(reinterpret_cast<const char*>(Data), Size < 64 ? Size : 64);
  const TRegDataType Kind = Size ? static_cast<TRegDataType>(Data[0] % 3) : TRegDataType::DWord;
  const TRegValue V{Kind, Bytes, static_cast<std::uint32_t>(Size * 2654435761u)};
  if (!RegSetValue(HKEY_CURRENT_USER, "zzown\\k", "v", V)) std::abort();
  const auto Back = RegQueryValue(HKEY_CURRENT_USER, "zzown\\k", "v");
  // Text that is not UTF-8 cannot be kept as it is; anything else must come back.
  if (!Back || (V.Type != TRegDataType::String && !Same(V, *Back))) std::abort();
  return 0;
}
