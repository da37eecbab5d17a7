#include "platform/framework/Streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "platform/framework/Exceptions.h"

namespace zu {

std::int64_t TStream::Position() { return Seek(0, soCurrent); }

std::int64_t TStream::Size() {
  const std::int64_t Pos = Seek(0, soCurrent);
  const std::int64_t Result = Seek(0, soEnd);
  Seek(Pos, soBeginning);
  return Result;
}

void TStream::SetSize(std::int64_t) {}

void TStream::ReadBuffer(void* Buffer, std::int64_t Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, std::int64_t Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& Source, std::int64_t Count) {
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  const std::int64_t Result = Count;
  std::vector<std::uint8_t> Buf(static_cast<size_t>(std::min<std::int64_t>(Count, 0xF000)));
  while (Count > 0) {
    const std::int64_t N = std::min<std::int64_t>(Count, static_cast<std::int64_t>(Buf.size()));
    Source.ReadBuffer(Buf.data(), N);
    WriteBuffer(Buf.data(), N);
    Count -= N;
  }
  return Result;
}

// --- TMemoryStream ---

std::int64_t TMemoryStream::Read(void* Buffer, std::int64_t Count) {
  if (Count <= 0 || FPosition >= FSize) return 0;
  const std::int64_t N = std::min(Count, FSize - FPosition);
  std::memcpy(Buffer, FData.data() + FPosition, static_cast<size_t>(N));
  FPosition += N;
  return N;
}

std::int64_t TMemoryStream::Write(const void* Buffer, std::int64_t Count) {
  if (Count <= 0 || FPosition < 0) return 0;
  const std::int64_t End = FPosition + Count;
  if (End > FSize) {
    if (End > Capacity()) SetCapacity(std::max(End, Capacity() + Capacity() / 2));
    if (FPosition > FSize)  // writing past the end leaves no stale bytes in the gap
      std::memset(FData.data() + FSize, 0, static_cast<size_t>(FPosition - FSize));
    FSize = End;
  }
  std::memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition = End;
  return Count;
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soBeginning: FPosition = Offset; break;
    case soCurrent: FPosition += Offset; break;
    case soEnd: FPosition = FSize + Offset; break;
  }
  return FPosition;
}

void TMemoryStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0) NewSize = 0;
  if (NewSize > Capacity()) SetCapacity(NewSize);
  if (NewSize > FSize) std::memset(FData.data() + FSize, 0, static_cast<size_t>(NewSize - FSize));
  FSize = NewSize;
  if (FPosition > FSize) FPosition = FSize;
}

void TMemoryStream::SetCapacity(std::int64_t NewCapacity) {
  if (NewCapacity < FSize) NewCapacity = FSize;
  FData.resize(static_cast<size_t>(NewCapacity));
}

void TMemoryStream::Clear() {
  FData.clear();
  FData.shrink_to_fit();
  FSize = 0;
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& Stream) {
  Stream.SetPosition(0);
  const std::int64_t N = Stream.Size();
  SetSize(N);
  if (N != 0) Stream.ReadBuffer(FData.data(), N);
  FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream& Stream) {
  if (FSize != 0) Stream.WriteBuffer(FData.data(), FSize);
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream F(FileName, fmOpenRead);
  LoadFromStream(F);
}

void TMemoryStream::SaveToFile(const std::string& FileName) {
  TFileStream F(FileName, fmCreate);
  SaveToStream(F);
}

// --- THandleStream ---

std::int64_t THandleStream::Read(void* Buffer, std::int64_t Count) {
  std::int64_t Done = 0;
  auto* P = static_cast<char*>(Buffer);
  while (Done < Count) {
    const ssize_t N = ::read(FHandle, P + Done, static_cast<size_t>(Count - Done));
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) break;
    Done += N;
  }
  return Done;
}

std::int64_t THandleStream::Write(const void* Buffer, std::int64_t Count) {
  std::int64_t Done = 0;
  const auto* P = static_cast<const char*>(Buffer);
  while (Done < Count) {
    const ssize_t N = ::write(FHandle, P + Done, static_cast<size_t>(Count - Done));
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) break;
    Done += N;
  }
  return Done;
}

std::int64_t THandleStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  const int Whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  return ::lseek(FHandle, Offset, Whence);
}

void THandleStream::SetSize(std::int64_t NewSize) {
  Seek(NewSize, soBeginning);
  if (::ftruncate(FHandle, NewSize) != 0) throw EWriteError("Stream write error");
}

// --- TFileStream ---

TFileStream::TFileStream(const std::string& FileName, unsigned Mode)
    : THandleStream(-1), FFileName(FileName) {
  if (Mode == fmCreate) {
    FHandle = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (FHandle < 0) throw EFCreateError("Cannot create file " + FileName);
  } else {
    const int Access = (Mode & 3) == fmOpenWrite ? O_WRONLY
                       : (Mode & 3) == fmOpenReadWrite ? O_RDWR
                                                       : O_RDONLY;
    FHandle = ::open(FileName.c_str(), Access | O_CLOEXEC);
    if (FHandle < 0) throw EFOpenError("Cannot open file " + FileName);
  }
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

// --- TWriteBehindStream ---

TWriteBehindStream::TWriteBehindStream(std::unique_ptr<TStream> Target, std::size_t Capacity)
    : FTarget(std::move(Target)), FBuffer(std::max<std::size_t>(Capacity, 1)) {}

TWriteBehindStream::~TWriteBehindStream() { Flush(); }

bool TWriteBehindStream::Flush() {
  if (FUsed != 0) {
    const auto N = static_cast<std::int64_t>(FUsed);
    FUsed = 0;
    if (!FFailed && FTarget->Write(FBuffer.data(), N) != N) FFailed = true;
  }
  return !FFailed;
}

std::int64_t TWriteBehindStream::Write(const void* Buffer, std::int64_t Count) {
  if (Count <= 0) return 0;
  const auto N = static_cast<std::size_t>(Count);
  if (FUsed + N > FBuffer.size()) Flush();
  if (FFailed) return 0;
  if (N >= FBuffer.size()) return FTarget->Write(Buffer, Count);  // nothing to gather
  std::memcpy(FBuffer.data() + FUsed, Buffer, N);
  FUsed += N;
  return Count;
}

std::int64_t TWriteBehindStream::Read(void* Buffer, std::int64_t Count) {
  Flush();
  return FTarget->Read(Buffer, Count);
}

std::int64_t TWriteBehindStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  Flush();
  return FTarget->Seek(Offset, Origin);
}

std::int64_t TWriteBehindStream::Size() {
  Flush();
  return FTarget->Size();
}

void TWriteBehindStream::SetSize(std::int64_t NewSize) {
  Flush();
  FTarget->SetSize(NewSize);
}

}  // namespace zu
