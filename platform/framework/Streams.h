// Byte streams: the abstract stream, memory, handle (file descriptor) and file streams, and a
// write-behind buffer over any of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zu {

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;

  // Return the number of bytes actually read or written (0 at the end or on failure).
  virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
  virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
  // Returns the new position, or -1 when the position cannot be set.
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;

  std::int64_t Position();
  void SetPosition(std::int64_t Pos) { Seek(Pos, soBeginning); }
  virtual std::int64_t Size();
  virtual void SetSize(std::int64_t NewSize);

  // Raise EReadError / EWriteError ("Stream read error", "Stream write error") on a short transfer.
  void ReadBuffer(void* Buffer, std::int64_t Count);
  void WriteBuffer(const void* Buffer, std::int64_t Count);
  // Count 0 copies the whole source from its start. Returns the bytes copied.
  std::int64_t CopyFrom(TStream& Source, std::int64_t Count);
};

class TMemoryStream : public TStream {
 public:
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return FSize; }
  void SetSize(std::int64_t NewSize) override;

  // Reserves room without changing Size (pre-sizing for an announced length).
  void SetCapacity(std::int64_t NewCapacity);
  std::int64_t Capacity() const { return static_cast<std::int64_t>(FData.size()); }
  void Clear();

  std::uint8_t* Memory() { return FData.data(); }
  const std::uint8_t* Memory() const { return FData.data(); }

  void LoadFromStream(TStream& Stream);
  void SaveToStream(TStream& Stream);
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);

 private:
  std::vector<std::uint8_t> FData;  // capacity; the first FSize bytes are the content
  std::int64_t FSize = 0;
  std::int64_t FPosition = 0;
};

// A stream over a POSIX file descriptor; it does not close the descriptor.
class THandleStream : public TStream {
 public:
  explicit THandleStream(int AHandle) : FHandle(AHandle) {}
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(std::int64_t NewSize) override;
  int Handle() const { return FHandle; }

 protected:
  int FHandle;
};

// Open modes as the framework numbers them.
enum : unsigned {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmCreate = 0xFF00,
};

// A file opened by name; closes its descriptor. Raises EFCreateError "Cannot create file %s"
// or EFOpenError "Cannot open file %s".
class TFileStream : public THandleStream {
 public:
  TFileStream(const std::string& FileName, unsigned Mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  const std::string& FileName() const { return FFileName; }

 private:
  std::string FFileName;
};

// Gathers small writes into one buffer before they reach the stream it owns, so that data
// written in small pieces costs one write to the file per buffer rather than one per piece.
// Everything else (reads, seeks, sizes, destruction) passes the gathered bytes on first, so
// the stream looks as if every write had gone straight through. A write the stream below
// refuses fails the write that passes it on, and every write after it; Flush reports it.
class TWriteBehindStream : public TStream {
 public:
  static constexpr std::size_t kDefaultCapacity = 64 * 1024;
  explicit TWriteBehindStream(std::unique_ptr<TStream> Target, std::size_t Capacity = kDefaultCapacity);
  ~TWriteBehindStream() override;  // a failure then goes unseen: call Flush first
  TWriteBehindStream(const TWriteBehindStream&) = delete;
  TWriteBehindStream& operator=(const TWriteBehindStream&) = delete;

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override;
  void SetSize(std::int64_t NewSize) override;

  // Hands the gathered bytes on; false once any write below has failed.
  bool Flush();
  TStream& Target() { return *FTarget; }

 private:
  std::unique_ptr<TStream> FTarget;
  std::vector<char> FBuffer;  // its size is the capacity; the first FUsed bytes wait
  std::size_t FUsed = 0;
  bool FFailed = false;
};

}  // namespace zu
