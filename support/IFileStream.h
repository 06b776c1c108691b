// A stream over a file: opened for reading (others may read beside it, nobody may write) or
// created for writing (nobody else may open it), by path or through the system's Open and
// Save As dialogs. On POSIX the sharing rules are kept with advisory flock locks, which other
// programs that take no locks do not see, and there is no dialog service.
#pragma once

#include "support/IDataStream.h"

namespace vialmark {

class IFileStream : public IDataStream {
 public:
  IFileStream() = default;
  // Tries OpenForReading; whether it worked shows through IsOpen.
  explicit IFileStream(const char* path);
  ~IFileStream() override;

  // Each closes the stream's current file first (the dialogs only once a file is chosen).
  bool OpenForReading(const char* path);
  bool CreateForWriting(const char* path);
  bool ChooseAndOpen();
  // Any argument may be null. defaultName is cut to the dialog's 4095 characters.
  bool ChooseAndCreate(const char* defaultName, const char* initialDirectory, const char* title);
  // Keeps length and position.
  void Close();
  bool IsOpen() const { return fileHandle != kNoFile; }

  // Both move as many bytes as the file allows; position follows the count moved.
  void ReadBuf(void* buffer, std::uint32_t count) override;
  // A position past the end first extends the file up to it.
  void WriteBuf(const void* buffer, std::uint32_t count) override;
  // Takes the new position even when the file refuses it.
  void SetPosition(std::int64_t newPosition) override;

  // Creates every directory named before a backslash or slash of path, outer ones first;
  // what follows the last separator is a file name. Failures are ignored; a path of 1024
  // bytes or more creates nothing.
  static void MakeDirectories(const char* path);
  // The character after the last backslash or slash, or null when there is none.
  static const char* FindFileName(const char* path);

 private:
#if defined(_WIN32)
  using Handle = void*;
  static constexpr Handle kNoFile = nullptr;
#else
  using Handle = int;
  static constexpr Handle kNoFile = -1;
#endif
  Handle fileHandle = kNoFile;
};

}  // namespace vialmark
