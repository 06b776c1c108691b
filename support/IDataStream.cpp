#include "support/IDataStream.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "support/Assertions.h"

namespace vialmark {
namespace {

// The names and lines that fatal reports from this file carry.
constexpr const char* kSourceName = ".\\IDataStream";
constexpr int kZeroSizedBufferLine = 101;
constexpr int kSubStreamEofLine = 445;

constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';

std::uint16_t Reverse(std::uint16_t value) { return __builtin_bswap16(value); }
std::uint32_t Reverse(std::uint32_t value) { return __builtin_bswap32(value); }
std::uint64_t Reverse(std::uint64_t value) { return __builtin_bswap64(value); }

// A short read leaves the undelivered bytes zero rather than indeterminate.
template <typename T>
T ReadValue(IDataStream& stream, bool swapBytes) {
  T value = 0;
  stream.ReadBuf(&value, sizeof value);
  return swapBytes ? Reverse(value) : value;
}

template <typename T>
void WriteValue(IDataStream& stream, bool swapBytes, T value) {
  if (swapBytes) value = Reverse(value);
  stream.WriteBuf(&value, sizeof value);
}

constexpr std::uint64_t kLargestChunk = 0xFFFFFFFFu;

void CopyChunks(IDataStream* destination, IDataStream* source, std::uint64_t remaining,
                std::uint64_t chunkSize, std::uint8_t* buffer) {
  if (chunkSize == 0 || remaining == 0) return;
  // ReadBuf and WriteBuf move at most 2^32 - 1 bytes at a time.
  chunkSize = std::min(chunkSize, kLargestChunk);
  std::unique_ptr<std::uint8_t[]> temporary;
  if (buffer == nullptr) {
    // Never more than the copy needs.
    temporary.reset(new std::uint8_t[static_cast<std::size_t>(std::min(chunkSize, remaining))]);
    buffer = temporary.get();
  }
  while (remaining != 0) {
    const auto n = static_cast<std::uint32_t>(std::min(remaining, chunkSize));
    source->ReadBuf(buffer, n);
    destination->WriteBuf(buffer, n);
    remaining -= n;
  }
}

}  // namespace

IDataStream::~IDataStream() = default;

std::uint8_t IDataStream::ReadUInt8() {
  std::uint8_t value = 0;
  ReadBuf(&value, 1);
  return value;
}
std::uint16_t IDataStream::ReadUInt16() { return ReadValue<std::uint16_t>(*this, swapBytes); }
std::uint32_t IDataStream::ReadUInt32() { return ReadValue<std::uint32_t>(*this, swapBytes); }
std::uint64_t IDataStream::ReadUInt64() { return ReadValue<std::uint64_t>(*this, swapBytes); }
float IDataStream::ReadFloat32() { return std::bit_cast<float>(ReadUInt32()); }

std::uint32_t IDataStream::ReadString(char* buffer, std::uint32_t size, char terminator1,
                                      char terminator2) {
  if (size == 0) {
    ReportAssertionFailure(kSourceName, kZeroSizedBufferLine,
                           "IDataStream::ReadString: zero-sized buffer");
  }
  const bool lineMode = terminator1 == kLineFeed || terminator2 == kLineFeed;
  // Terminators compare as bytes, so that any byte value can end a text.
  const auto end1 = static_cast<std::uint8_t>(terminator1);
  const auto end2 = static_cast<std::uint8_t>(terminator2);
  std::uint32_t stored = 0;
  while (stored < size - 1 && !AtEnd()) {
    const std::uint8_t c = ReadUInt8();
    if (lineMode && c == kCarriageReturn) {
      if (!AtEnd() && PeekUInt8() == kLineFeed) SkipBytes(1);
      break;
    }
    if (c == 0 || c == end1 || c == end2) break;
    buffer[stored++] = static_cast<char>(c);
  }
  buffer[stored] = 0;
  return stored;
}

std::uint8_t IDataStream::PeekUInt8() {
  PositionGuard guard(*this);
  return ReadUInt8();
}
std::uint16_t IDataStream::PeekUInt16() {
  PositionGuard guard(*this);
  return ReadUInt16();
}
std::uint32_t IDataStream::PeekUInt32() {
  PositionGuard guard(*this);
  return ReadUInt32();
}
std::uint64_t IDataStream::PeekUInt64() {
  PositionGuard guard(*this);
  return ReadUInt64();
}
float IDataStream::PeekFloat32() {
  PositionGuard guard(*this);
  return ReadFloat32();
}
void IDataStream::PeekBuf(void* buffer, std::uint32_t count) {
  PositionGuard guard(*this);
  ReadBuf(buffer, count);
}

void IDataStream::SkipBytes(std::int64_t count) { SetPosition(GetPosition() + count); }

void IDataStream::WriteUInt8(std::uint8_t value) { WriteBuf(&value, 1); }
void IDataStream::WriteUInt16(std::uint16_t value) { WriteValue(*this, swapBytes, value); }
void IDataStream::WriteUInt32(std::uint32_t value) { WriteValue(*this, swapBytes, value); }
void IDataStream::WriteUInt64(std::uint64_t value) { WriteValue(*this, swapBytes, value); }
void IDataStream::WriteFloat32(float value) { WriteUInt32(std::bit_cast<std::uint32_t>(value)); }

void IDataStream::WriteString(const char* text) {
  WriteBuf(text, static_cast<std::uint32_t>(std::strlen(text) + 1));
}

void IDataStream::SetPosition(std::int64_t newPosition) { position = newPosition; }
std::int64_t IDataStream::GetParentPosition() { return GetPosition(); }
IDataStream* IDataStream::GetParent() { return nullptr; }

IDataStream* IDataStream::GetRootStream() {
  IDataStream* stream = this;
  while (IDataStream* parent = stream->GetParent()) stream = parent;
  return stream;
}

IDataSubStream::IDataSubStream(IDataStream* parentStream, std::int64_t rangeBase,
                               std::int64_t rangeLength)
    : parent(parentStream), base(rangeBase) {
  length = rangeLength;
  if (parent != nullptr) parent->SetPosition(base);
}

IDataSubStream::~IDataSubStream() = default;

void IDataSubStream::Bind(IDataStream* parentStream, std::int64_t rangeBase,
                          std::int64_t rangeLength) {
  parent = parentStream;
  base = rangeBase;
  length = rangeLength;
  // A position left over from the previous range would point the next transfer somewhere
  // unrelated to the new one.
  position = 0;
  if (parent != nullptr) parent->SetPosition(base);
}

void IDataSubStream::PlaceParent() {
  if (parent->GetPosition() != base + position) parent->SetPosition(base + position);
}

void IDataSubStream::ReadBuf(void* buffer, std::uint32_t count) {
  if (static_cast<std::int64_t>(count) > GetRemaining()) {
    ReportAssertionFailure(kSourceName, kSubStreamEofLine, "IDataSubStream::ReadBuf: hit eof");
  }
  if (parent == nullptr) return;
  PlaceParent();
  parent->ReadBuf(buffer, count);
  position += count;
}

void IDataSubStream::WriteBuf(const void* buffer, std::uint32_t count) {
  if (parent == nullptr) return;
  PlaceParent();
  parent->WriteBuf(buffer, count);
  position += count;
  if (position > length) length = position;
}

void IDataSubStream::SetPosition(std::int64_t newPosition) {
  if (parent != nullptr) parent->SetPosition(base + newPosition);
  position = newPosition;
}

std::int64_t IDataSubStream::GetParentPosition() {
  return parent != nullptr ? parent->GetPosition() : 0;
}

IDataStream* IDataSubStream::GetParent() { return parent; }

void CopyWholeStream(IDataStream* destination, IDataStream* source, std::uint64_t chunkSize,
                     std::uint8_t* buffer) {
  source->Rewind();
  CopyChunks(destination, source, static_cast<std::uint64_t>(source->GetLength()), chunkSize,
             buffer);
}

void CopyStreamRange(IDataStream* destination, IDataStream* source, std::uint64_t count,
                     std::uint64_t chunkSize, std::uint8_t* buffer) {
  CopyChunks(destination, source, count, chunkSize, buffer);
}

}  // namespace vialmark
