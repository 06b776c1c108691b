#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "fuzz/ByteReader.h"
#include "fuzz/support/SupportInput.h"
#include "support/IDataStream.h"
#include "support/IFileStream.h"
#include "tests/support/MemoryStream.h"

namespace vialmark::fuzz {
namespace {

using Bytes = std::vector<std::uint8_t>;

// What a stream should hold: its bytes and position, as a file would keep them.
struct Model {
  Bytes bytes;
  std::int64_t position = 0;

  void Write(const Bytes& data) {
    auto end = static_cast<std::size_t>(position) + data.size();
    if (end > bytes.size()) bytes.resize(end);
    std::copy(data.begin(), data.end(), bytes.begin() + position);
    position += static_cast<std::int64_t>(data.size());
  }
  // The bytes a read of `count` delivers; only asked for when they are all there.
  Bytes Read(std::size_t count) {
    Bytes out(bytes.begin() + position, bytes.begin() + position + count);
    position += static_cast<std::int64_t>(count);
    return out;
  }
  std::int64_t Remaining() const { return static_cast<std::int64_t>(bytes.size()) - position; }
};

Bytes LittleEndian(std::uint64_t value, int width, bool swap) {
  Bytes out(width);
  for (int i = 0; i < width; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
  if (swap) std::reverse(out.begin(), out.end());
  return out;
}

class Checker {
 public:
  Checker(ByteReader& in, std::vector<std::string>& problems) : in_(in), problems_(problems) {}

  // One operation on `stream`, whose expected state is `model`. A sub-range stays inside the
  // bytes it was given when it moves (beyond them lie its parent's bytes, not zeros); a file
  // being written is only written and moved.
  void Step(IDataStream& stream, Model& model, bool swap, bool sub, bool writeOnly) {
    const int width = 1 << in_.Below(4);  // 1, 2, 4 or 8 bytes
    std::uint32_t operation = in_.Below(9);
    if (writeOnly && (operation == 1 || operation == 2 || operation == 6)) operation = 0;
    switch (operation) {
      case 0: {
        std::uint64_t value = (std::uint64_t{in_.Word()} << 32) | in_.Word();
        Write(stream, width, value);
        model.Write(LittleEndian(value, width, swap));
        break;
      }
      case 1:
      case 2: {
        if (model.Remaining() < width) break;
        const bool peek = in_.Below(2) == 0;
        std::uint64_t got = peek ? Peek(stream, width) : Read(stream, width);
        std::int64_t at = model.position;
        Bytes expected = model.Read(width);
        if (peek) model.position = at;
        Expect(got == Value(expected, swap), "a typed read or peek delivered other bytes");
        break;
      }
      case 3: {
        std::int64_t to = in_.Below(64);
        if (sub) to = std::min<std::int64_t>(to, static_cast<std::int64_t>(model.bytes.size()));
        stream.SetPosition(to);
        model.position = to;
        break;
      }
      case 4: {
        std::int64_t by = static_cast<std::int64_t>(in_.Below(16)) - 4;
        if (model.position + by < 0) break;
        if (sub && model.position + by > static_cast<std::int64_t>(model.bytes.size())) break;
        stream.SkipBytes(by);
        model.position += by;
        break;
      }
      case 5: {
        std::string text(in_.Below(12), 'a');
        for (char& c : text) c = static_cast<char>('a' + in_.Below(26));
        stream.WriteString(text.c_str());
        Bytes bytes(text.begin(), text.end());
        bytes.push_back(0);
        model.Write(bytes);
        break;
      }
      case 6: {
        // A text read stops at a zero, a terminator or the buffer's end; only taken where the
        // whole buffer could be filled, so the stream's end cannot interfere.
        const std::uint32_t size = 1 + in_.Below(16);
        if (model.Remaining() < static_cast<std::int64_t>(size)) break;
        const char terminator = in_.Below(2) == 0 ? '\n' : ';';
        char buffer[17];
        std::memset(buffer, 0x7F, sizeof buffer);
        std::uint32_t stored = stream.ReadString(buffer, size, terminator, 0);
        Expect(stored < size && buffer[stored] == 0 && buffer[size] == 0x7F,
               "ReadString wrote outside its buffer or left no closing zero");
        std::string expected;
        std::int64_t at = model.position;
        while (expected.size() + 1 < size && at < static_cast<std::int64_t>(model.bytes.size())) {
          char c = static_cast<char>(model.bytes[at]);
          if (c == 0 || c == terminator || (terminator == '\n' && c == '\r')) break;
          expected.push_back(c);
          ++at;
        }
        // Whatever ended the text is consumed with it; where exactly is the stream's rule,
        // so the model takes the stream's position from here on.
        Expect(std::string(buffer, stored) == expected, "ReadString delivered other text");
        model.position = stream.GetPosition();
        break;
      }
      case 7:
        Expect(stream.GetPosition() == model.position, "the position differs from the model");
        Expect(sub || stream.GetLength() == static_cast<std::int64_t>(model.bytes.size()),
               "the length differs from the model");
        break;
      default: {
        Bytes data(in_.Below(24));
        for (auto& b : data) b = in_.Byte();
        stream.WriteBuf(data.data(), static_cast<std::uint32_t>(data.size()));
        model.Write(data);
        break;
      }
    }
    if (stream.GetPosition() != model.position) {
      problems_.push_back("after an operation the position is " +
                          std::to_string(stream.GetPosition()) + ", the model says " +
                          std::to_string(model.position));
    }
  }

  void Expect(bool ok, const char* what) {
    if (!ok) problems_.push_back(what);
  }

 private:
  static std::uint64_t Value(const Bytes& bytes, bool swap) {
    Bytes b = bytes;
    if (swap) std::reverse(b.begin(), b.end());
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < b.size(); ++i) value |= std::uint64_t{b[i]} << (8 * i);
    return value;
  }
  static void Write(IDataStream& s, int width, std::uint64_t v) {
    if (width == 1) s.WriteUInt8(static_cast<std::uint8_t>(v));
    if (width == 2) s.WriteUInt16(static_cast<std::uint16_t>(v));
    if (width == 4) s.WriteUInt32(static_cast<std::uint32_t>(v));
    if (width == 8) s.WriteUInt64(v);
  }
  static std::uint64_t Read(IDataStream& s, int width) {
    if (width == 1) return s.ReadUInt8();
    if (width == 2) return s.ReadUInt16();
    if (width == 4) return s.ReadUInt32();
    return s.ReadUInt64();
  }
  static std::uint64_t Peek(IDataStream& s, int width) {
    if (width == 1) return s.PeekUInt8();
    if (width == 2) return s.PeekUInt16();
    if (width == 4) return s.PeekUInt32();
    return s.PeekUInt64();
  }

  ByteReader& in_;
  std::vector<std::string>& problems_;
};

}  // namespace

std::vector<std::string> RunStreamsInput(const std::uint8_t* data, std::size_t size,
                                         const std::string& folder) {
  ByteReader in(data, size);
  std::vector<std::string> problems;
  Checker checker(in, problems);
  const bool swap = in.Below(2) == 0;

  // A memory stream, and now and then a sub-range of what it holds so far.
  testing::MemoryStream memory;
  memory.SetByteSwapping(swap);
  Model model;
  for (int step = 0; step < 64 && !in.Empty() && problems.empty(); ++step) {
    if (in.Below(8) != 0 || model.bytes.empty()) {
      checker.Step(memory, model, swap, false, false);
      continue;
    }
    // A sub-range is read only inside itself, so its model is a copy of its bytes; writes go
    // through to the parent at base + position, as the parent's model records.
    const auto length = static_cast<std::int64_t>(model.bytes.size());
    const std::int64_t base =
        in.Below(static_cast<std::uint32_t>(std::min<std::int64_t>(length, 255)));
    const std::int64_t rangeLength = in.Below(static_cast<std::uint32_t>(length - base) + 1);
    IDataSubStream sub(&memory, base, rangeLength);
    sub.SetByteSwapping(swap);
    Model inner{Bytes(model.bytes.begin() + base, model.bytes.begin() + base + rangeLength), 0};
    for (int n = in.Below(8); n > 0 && problems.empty(); --n)
      checker.Step(sub, inner, swap, true, false);
    // The range's bytes, grown or not, replace the parent's bytes at the base.
    Model merged = model;
    merged.position = base;
    merged.Write(inner.bytes);
    model.bytes = merged.bytes;
    model.position = memory.GetPosition();
  }
  if (problems.empty() && memory.bytes != model.bytes) {
    problems.push_back("the memory stream's bytes differ from the model");
  }

  // The same kind of sequence written through a file, then read back whole.
  const std::string path = folder + "/streams.bin";
  Model fileModel;
  {
    IFileStream file;
    if (!file.CreateForWriting(path.c_str())) return {"cannot create " + path};
    file.SetByteSwapping(swap);
    for (int step = 0; step < 32 && !in.Empty() && problems.empty(); ++step) {
      checker.Step(file, fileModel, swap, false, true);
    }
  }
  std::ifstream back(path, std::ios::binary);
  Bytes onDisk((std::istreambuf_iterator<char>(back)), std::istreambuf_iterator<char>());
  if (problems.empty() && onDisk != fileModel.bytes) {
    problems.push_back("the file holds " + std::to_string(onDisk.size()) +
                       " bytes other than the model's " + std::to_string(fileModel.bytes.size()));
  }
  return problems;
}

}  // namespace vialmark::fuzz
