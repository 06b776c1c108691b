// Abstract byte streams: typed reads and writes with optional byte reversal, text reads, peeks
// and skips, all built on a concrete stream's ReadBuf, WriteBuf and SetPosition; sub-range
// streams over another stream; and chunked copies between streams.
#pragma once

#include <cstdint>

namespace vialmark {

class IDataStream {
 public:
  IDataStream() = default;
  IDataStream(const IDataStream&) = delete;
  IDataStream& operator=(const IDataStream&) = delete;

  // The table of virtual operations keeps this order in every derived class. Operations
  // marked final are the same for every stream.
  virtual ~IDataStream();

  virtual std::uint8_t ReadUInt8() final;
  virtual std::uint16_t ReadUInt16() final;
  virtual std::uint32_t ReadUInt32() final;
  virtual std::uint64_t ReadUInt64() final;
  virtual float ReadFloat32() final;
  // Reads up to size - 1 characters, stopping at (and consuming) a zero byte or either
  // terminator. With a terminator of '\n' a CR, or CR LF, also ends the text. Always writes
  // the closing zero; returns the number of characters stored. A size of 0 is fatal.
  virtual std::uint32_t ReadString(char* buffer, std::uint32_t size, char terminator1,
                                   char terminator2) final;
  // Moves up to count bytes; what a stream does at its end is its own business.
  virtual void ReadBuf(void* buffer, std::uint32_t count) = 0;

  virtual std::uint8_t PeekUInt8() final;
  virtual std::uint16_t PeekUInt16() final;
  virtual std::uint32_t PeekUInt32() final;
  virtual std::uint64_t PeekUInt64() final;
  virtual float PeekFloat32() final;
  virtual void PeekBuf(void* buffer, std::uint32_t count) final;
  virtual void SkipBytes(std::int64_t count) final;

  virtual void WriteUInt8(std::uint8_t value) final;
  virtual void WriteUInt16(std::uint16_t value) final;
  virtual void WriteUInt32(std::uint32_t value) final;
  virtual void WriteUInt64(std::uint64_t value) final;
  virtual void WriteFloat32(float value) final;
  // The text and its terminating zero byte.
  virtual void WriteString(const char* text) final;
  virtual void WriteBuf(const void* buffer, std::uint32_t count) = 0;

  virtual void SetPosition(std::int64_t newPosition);
  virtual std::int64_t GetParentPosition();
  virtual IDataStream* GetParent();

  std::int64_t GetLength() const { return length; }
  // Negative when the position is past the end.
  std::int64_t GetRemaining() const { return length - position; }
  std::int64_t GetPosition() const { return position; }
  bool AtEnd() const { return position >= length; }
  void SetByteSwapping(bool on) { swapBytes = on; }
  // The outermost stream of a chain of sub-range streams.
  IDataStream* GetRootStream();
  void Rewind() { SetPosition(0); }

 protected:
  std::int64_t length = 0;
  std::int64_t position = 0;
  bool swapBytes = false;
};

// Restores a stream's position through its virtual SetPosition when it goes out of scope.
class PositionGuard {
 public:
  explicit PositionGuard(IDataStream& stream) : stream_(stream), saved_(stream.GetPosition()) {}
  ~PositionGuard() { stream_.SetPosition(saved_); }
  PositionGuard(const PositionGuard&) = delete;
  PositionGuard& operator=(const PositionGuard&) = delete;

 private:
  IDataStream& stream_;
  std::int64_t saved_;
};

// A range of another stream (not owned, must outlive this one). Position p here is the
// parent's position base + p; the parent is repositioned only when it is elsewhere. Reads are
// confined to the range (reading past its end is fatal); writes grow it.
class IDataSubStream : public IDataStream {
 public:
  IDataSubStream() = default;
  IDataSubStream(IDataStream* parentStream, std::int64_t rangeBase, std::int64_t rangeLength);
  ~IDataSubStream() override;

  // Moves this stream to another range and starts it at its first byte.
  void Bind(IDataStream* parentStream, std::int64_t rangeBase, std::int64_t rangeLength);

  void ReadBuf(void* buffer, std::uint32_t count) override;
  void WriteBuf(const void* buffer, std::uint32_t count) override;
  void SetPosition(std::int64_t newPosition) override;
  std::int64_t GetParentPosition() override;
  IDataStream* GetParent() override;

  std::int64_t GetBase() const { return base; }

 private:
  void PlaceParent();

  IDataStream* parent = nullptr;
  std::int64_t base = 0;
};

// Copies the whole source, from its first byte, to the destination's current position.
// buffer, when given, holds at least chunkSize bytes; otherwise one buffer is allocated for
// the call. A chunkSize of 0 copies nothing; one above 2^32 - 1 is taken as 2^32 - 1.
void CopyWholeStream(IDataStream* destination, IDataStream* source, std::uint64_t chunkSize,
                     std::uint8_t* buffer);
// Copies count bytes from the source's current position to the destination's.
void CopyStreamRange(IDataStream* destination, IDataStream* source, std::uint64_t count,
                     std::uint64_t chunkSize, std::uint8_t* buffer);

}  // namespace vialmark
