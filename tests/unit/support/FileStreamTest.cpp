#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "support/IDataStream.h"
#include "support/IFileStream.h"
#include "support/Platform.h"
#include "tests/support/Scratch.h"

#if defined(_WIN32)
#include <windows.h>
// windows.h first.
#include <dlgs.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#endif

namespace vialmark {
namespace {

namespace fs = std::filesystem;
using testing::ReadWholeFile;
using testing::WriteWholeFile;

class FileStreamTest : public ::testing::Test {
 protected:
  testing::ScratchDirectory scratch;
  std::string path = scratch.Path("data.bin");
};

TEST_F(FileStreamTest, OpeningAMissingFileFails) {
  IFileStream stream;
  EXPECT_FALSE(stream.OpenForReading(path.c_str()));
  EXPECT_FALSE(stream.IsOpen());
  IFileStream constructed(path.c_str());
  EXPECT_FALSE(constructed.IsOpen());
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(FileStreamTest, OpeningReadsTheSizeAndStartsAtZero) {
  WriteWholeFile(path, "0123456789");
  IFileStream stream(path.c_str());
  ASSERT_TRUE(stream.IsOpen());
  EXPECT_EQ(stream.GetLength(), 10);
  EXPECT_EQ(stream.GetPosition(), 0);
  stream.SetPosition(3);
  EXPECT_EQ(stream.ReadUInt16(), '3' | ('4' << 8));
  EXPECT_EQ(stream.GetPosition(), 5);
}

TEST_F(FileStreamTest, CreatingEmptiesAnExistingFile) {
  WriteWholeFile(path, "old content");
  IFileStream stream;
  ASSERT_TRUE(stream.CreateForWriting(path.c_str()));
  EXPECT_EQ(stream.GetLength(), 0);
  stream.Close();
  EXPECT_EQ(ReadWholeFile(path), "");
}

TEST_F(FileStreamTest, WritingFiveBytes) {
  IFileStream stream;
  ASSERT_TRUE(stream.CreateForWriting(path.c_str()));
  stream.WriteBuf("abcde", 5);
  EXPECT_EQ(stream.GetLength(), 5);
  EXPECT_EQ(stream.GetPosition(), 5);
  stream.Close();  // nobody may read beside a writer
  EXPECT_EQ(ReadWholeFile(path), "abcde");
}

TEST_F(FileStreamTest, WritingPastTheEndExtendsTheFileFirst) {
  IFileStream stream;
  ASSERT_TRUE(stream.CreateForWriting(path.c_str()));
  stream.WriteBuf("abcde", 5);
  stream.SetPosition(10);
  stream.WriteUInt8('z');
  EXPECT_EQ(stream.GetLength(), 11);
  EXPECT_EQ(stream.GetPosition(), 11);
  stream.Close();
  EXPECT_EQ(ReadWholeFile(path), std::string("abcde\0\0\0\0\0z", 11));
}

TEST_F(FileStreamTest, EvenAnEmptyWritePastTheEndExtendsTheFile) {
  IFileStream stream;
  ASSERT_TRUE(stream.CreateForWriting(path.c_str()));
  stream.WriteBuf("abc", 3);
  stream.SetPosition(8);
  stream.WriteBuf("", 0);
  EXPECT_EQ(stream.GetLength(), 8);
  stream.Close();
  EXPECT_EQ(ReadWholeFile(path), std::string("abc\0\0\0\0\0", 8));
}

TEST_F(FileStreamTest, ShortReadsAtTheEnd) {
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += static_cast<char>('a' + i % 26);
  WriteWholeFile(path, hundred);
  IFileStream stream(path.c_str());
  ASSERT_TRUE(stream.IsOpen());
  stream.SetPosition(95);
  std::string buffer(10, '#');
  stream.ReadBuf(buffer.data(), 10);
  EXPECT_EQ(buffer, hundred.substr(95) + "#####");
  EXPECT_EQ(stream.GetPosition(), 100);
  stream.ReadBuf(buffer.data(), 10);
  EXPECT_EQ(stream.GetPosition(), 100);
  EXPECT_EQ(buffer, hundred.substr(95) + "#####");
  EXPECT_EQ(stream.ReadUInt32(), 0u);
}

TEST_F(FileStreamTest, TypedValuesRoundTripThroughAFile) {
  {
    IFileStream writer;
    ASSERT_TRUE(writer.CreateForWriting(path.c_str()));
    writer.SetByteSwapping(true);
    writer.WriteUInt32(0x01020304);
    writer.WriteFloat32(1.5f);
    writer.WriteString("line\r\nnext");
  }
  IFileStream reader(path.c_str());
  ASSERT_TRUE(reader.IsOpen());
  EXPECT_EQ(reader.PeekUInt8(), 1);
  reader.SetByteSwapping(true);
  EXPECT_EQ(reader.ReadUInt32(), 0x01020304u);
  EXPECT_EQ(reader.ReadFloat32(), 1.5f);
  char text[32];
  EXPECT_EQ(reader.ReadString(text, sizeof text, '\n', 0), 4u);
  EXPECT_EQ(std::string(text), "line");
  EXPECT_EQ(reader.ReadString(text, sizeof text, 0, 0), 4u);
  EXPECT_EQ(std::string(text), "next");
  EXPECT_TRUE(reader.AtEnd());
}

TEST_F(FileStreamTest, EachDirectionRefusesTheOther) {
  WriteWholeFile(path, "abc");
  IFileStream reader(path.c_str());
  ASSERT_TRUE(reader.IsOpen());
  reader.WriteBuf("xyz", 3);
  EXPECT_EQ(reader.GetPosition(), 0);
  EXPECT_EQ(reader.GetLength(), 3);
  reader.Close();
  EXPECT_EQ(ReadWholeFile(path), "abc");

  IFileStream writer;
  ASSERT_TRUE(writer.CreateForWriting(path.c_str()));
  writer.WriteBuf("abc", 3);
  writer.Rewind();
  char buffer[3] = {'#', '#', '#'};
  writer.ReadBuf(buffer, 3);
  EXPECT_EQ(writer.GetPosition(), 0);
  EXPECT_EQ(std::string(buffer, 3), "###");
}

TEST_F(FileStreamTest, CloseKeepsLengthAndPositionAndReleasesTheFile) {
  IFileStream writer;
  ASSERT_TRUE(writer.CreateForWriting(path.c_str()));
  writer.WriteBuf("abcd", 4);
  writer.Close();
  EXPECT_FALSE(writer.IsOpen());
  EXPECT_EQ(writer.GetLength(), 4);
  EXPECT_EQ(writer.GetPosition(), 4);
  writer.WriteBuf("ef", 2);
  EXPECT_EQ(writer.GetPosition(), 4);
  IFileStream other;
  EXPECT_TRUE(other.CreateForWriting(path.c_str()));
}

TEST_F(FileStreamTest, OpeningAgainClosesTheFormerFile) {
  const std::string second = scratch.Path("second.bin");
  WriteWholeFile(second, "2");
  IFileStream stream;
  ASSERT_TRUE(stream.CreateForWriting(path.c_str()));
  ASSERT_TRUE(stream.OpenForReading(second.c_str()));
  IFileStream other;
  EXPECT_TRUE(other.CreateForWriting(path.c_str())) << "the first file is still held";
}

// --- Sharing between openers -----------------------------------------------------------------

enum class Opener { kReader, kWriter, kLog };

// An open file of one kind, held until destruction.
class Holder {
 public:
  Holder(Opener kind, const std::string& path) {
    if (kind == Opener::kLog) {
      log_ = platform::OpenLogStream(path.c_str());
      open_ = log_ != nullptr;
    } else {
      open_ = kind == Opener::kReader ? stream_.OpenForReading(path.c_str())
                                      : stream_.CreateForWriting(path.c_str());
    }
  }
  ~Holder() {
    if (log_ != nullptr) std::fclose(log_);
  }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;
  bool open() const { return open_; }
  // Writers leave a mark of their own, which a refused opener must not erase.
  void Mark() {
    if (log_ != nullptr) {
      std::fputs("mine", log_);
      std::fflush(log_);
    } else {
      stream_.WriteBuf("mine", 4);
    }
  }

 private:
  IFileStream stream_;
  std::FILE* log_ = nullptr;
  bool open_ = false;
};

struct SharingCase {
  const char* name;
  Opener first;
  Opener second;
  bool secondOpens;
};

class FileSharingTest : public FileStreamTest, public ::testing::WithParamInterface<SharingCase> {};

TEST_P(FileSharingTest, SecondOpenerIsAdmittedOnlyBesideReaders) {
  const SharingCase& c = GetParam();
  WriteWholeFile(path, "content");
  {
    Holder first(c.first, path);
    ASSERT_TRUE(first.open());
    if (c.first != Opener::kReader) first.Mark();
    Holder second(c.second, path);
    EXPECT_EQ(second.open(), c.secondOpens);
  }
  EXPECT_EQ(ReadWholeFile(path), c.first == Opener::kReader ? "content" : "mine")
      << "a refused opener emptied the file";
  Holder afterwards(c.second, path);
  EXPECT_TRUE(afterwards.open()) << "the first opener still holds the file";
}

INSTANTIATE_TEST_SUITE_P(
    Openers, FileSharingTest,
    ::testing::Values(SharingCase{"ReaderBesideReader", Opener::kReader, Opener::kReader, true},
                      SharingCase{"WriterBesideReader", Opener::kReader, Opener::kWriter, false},
                      SharingCase{"LogBesideReader", Opener::kReader, Opener::kLog, false},
                      SharingCase{"ReaderBesideWriter", Opener::kWriter, Opener::kReader, false},
                      SharingCase{"WriterBesideWriter", Opener::kWriter, Opener::kWriter, false},
                      SharingCase{"ReaderBesideLog", Opener::kLog, Opener::kReader, false},
                      SharingCase{"LogBesideLog", Opener::kLog, Opener::kLog, false}),
    [](const auto& tested) { return std::string(tested.param.name); });

// --- Streams layered over a file -------------------------------------------------------------

TEST_F(FileStreamTest, SubRangesOverAFile) {
  WriteWholeFile(path, "0123456789");
  IFileStream file(path.c_str());
  ASSERT_TRUE(file.IsOpen());
  IDataSubStream inner(&file, 2, 6);
  IDataSubStream outer(&inner, 1, 4);
  EXPECT_EQ(outer.GetRootStream(), &file);
  EXPECT_EQ(outer.ReadUInt8(), '3');
  EXPECT_EQ(outer.GetParentPosition(), inner.GetPosition());
  EXPECT_EQ(inner.GetPosition(), 2);
  EXPECT_EQ(outer.PeekUInt16(), '4' | ('5' << 8));
  EXPECT_EQ(file.GetPosition(), 4);
  EXPECT_EQ(file.ReadUInt8(), '4') << "the file pointer moved back with the position";
}

TEST_F(FileStreamTest, CopyBetweenFilesInChunks) {
  std::string content;
  for (int i = 0; i < 1000; ++i) content += static_cast<char>(i * 31);
  WriteWholeFile(path, content);
  const std::string copy = scratch.Path("copy.bin");
  IFileStream source(path.c_str());
  IFileStream destination;
  ASSERT_TRUE(destination.CreateForWriting(copy.c_str()));
  source.SetPosition(500);
  CopyWholeStream(&destination, &source, 64, nullptr);
  destination.Close();
  EXPECT_EQ(ReadWholeFile(copy), content);
}

// --- Dialogs ---------------------------------------------------------------------------------

#if defined(_WIN32)
// Waits for this process's dialog box, notes the text of its file-name field, and cancels it.
class DialogCanceller {
 public:
  DialogCanceller() : thread_([this] { Run(); }) {}
  ~DialogCanceller() {
    stop_ = true;
    thread_.join();
  }
  DialogCanceller(const DialogCanceller&) = delete;
  DialogCanceller& operator=(const DialogCanceller&) = delete;

  bool cancelled() const { return cancelled_; }
  const std::string& fileNameField() const { return fileNameField_; }

 private:
  static BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window) ||
        std::string(className) != "#32770") {
      return TRUE;
    }
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }

  void Run() {
    // Bounded: a dialog that never shows leaves cancelled() false after about a minute.
    for (int attempt = 0; attempt < 600 && !stop_; ++attempt) {
      HWND dialog = nullptr;
      EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&dialog));
      if (dialog != nullptr) {
        char text[256] = {};
        // The file-name field is a combo box (cmb13) or, in older layouts, an edit (edt1).
        if (GetDlgItemTextA(dialog, cmb13, text, sizeof text) == 0) {
          GetDlgItemTextA(dialog, edt1, text, sizeof text);
        }
        fileNameField_ = text;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        cancelled_ = true;
        return;
      }
      Sleep(100);
    }
  }

  std::atomic<bool> stop_{false};
  std::atomic<bool> cancelled_{false};
  std::string fileNameField_;
  std::thread thread_;
};

TEST_F(FileStreamTest, CancelledDialogsKeepTheOpenFile) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "the dialogs need a display";
  WriteWholeFile(path, "kept");
  IFileStream stream(path.c_str());
  ASSERT_TRUE(stream.IsOpen());
  {
    DialogCanceller canceller;
    EXPECT_FALSE(stream.ChooseAndOpen());
    EXPECT_TRUE(canceller.cancelled()) << "no Open dialog appeared";
  }
  {
    DialogCanceller canceller;
    EXPECT_FALSE(stream.ChooseAndCreate("suggested.txt", scratch.Root().string().c_str(), "Save"));
    EXPECT_TRUE(canceller.cancelled()) << "no Save As dialog appeared";
    EXPECT_EQ(canceller.fileNameField(), "suggested.txt");
  }
  {
    DialogCanceller canceller;
    EXPECT_FALSE(stream.ChooseAndCreate(nullptr, nullptr, nullptr));
    EXPECT_TRUE(canceller.cancelled()) << "no Save As dialog appeared";
    EXPECT_EQ(canceller.fileNameField(), "");
  }
  EXPECT_TRUE(stream.IsOpen());
  char text[8];
  EXPECT_EQ(stream.ReadString(text, sizeof text, 0, 0), 4u);
  EXPECT_EQ(std::string(text), "kept");
  EXPECT_FALSE(fs::exists(scratch.Root() / "suggested.txt"));
}
#else
TEST_F(FileStreamTest, WithoutDialogsNothingIsChosenAndTheFileStaysOpen) {
  WriteWholeFile(path, "kept");
  IFileStream stream(path.c_str());
  ASSERT_TRUE(stream.IsOpen());
  EXPECT_FALSE(stream.ChooseAndOpen());
  EXPECT_FALSE(stream.ChooseAndCreate("name.txt", nullptr, "Save"));
  EXPECT_TRUE(stream.IsOpen());
  char text[8];
  EXPECT_EQ(stream.ReadString(text, sizeof text, 0, 0), 4u);
  EXPECT_EQ(std::string(text), "kept");
}
#endif

// --- Paths -----------------------------------------------------------------------------------

TEST_F(FileStreamTest, MakeDirectoriesCreatesEachLevelButNotTheFileName) {
  IFileStream::MakeDirectories((scratch.Root().string() + "/outer\\inner/file.txt").c_str());
  EXPECT_TRUE(fs::is_directory(scratch.Root() / "outer"));
  EXPECT_TRUE(fs::is_directory(scratch.Root() / "outer" / "inner"));
  EXPECT_FALSE(fs::exists(scratch.Root() / "outer" / "inner" / "file.txt"));
#if !defined(_WIN32)
  EXPECT_FALSE(fs::exists(scratch.Root() / "outer\\inner")) << "a backslash separates here too";
#endif
}

TEST_F(FileStreamTest, MakeDirectoriesWithATrailingSeparatorCreatesTheLast) {
  IFileStream::MakeDirectories((scratch.Root().string() + "/a/b/").c_str());
  EXPECT_TRUE(fs::is_directory(scratch.Root() / "a" / "b"));
  IFileStream::MakeDirectories((scratch.Root().string() + "/a/b/").c_str());
  EXPECT_TRUE(fs::is_directory(scratch.Root() / "a" / "b")) << "existing directories are fine";
}

TEST_F(FileStreamTest, MakeDirectoriesRefusesA1024BytePath) {
  std::string longPath = scratch.Root().string() + "/first/";
  longPath += std::string(1024 - longPath.size(), 'x');
  ASSERT_EQ(longPath.size(), 1024u);
  IFileStream::MakeDirectories(longPath.c_str());
  EXPECT_FALSE(fs::exists(scratch.Root() / "first"));
  longPath.pop_back();
  IFileStream::MakeDirectories(longPath.c_str());
  EXPECT_TRUE(fs::is_directory(scratch.Root() / "first"));
}

struct NameCase {
  const char* path;
  int offset;  // -1: none
};

class FindFileNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(FindFileNameTest, PointsJustAfterTheLastSeparator) {
  const NameCase& c = GetParam();
  const char* found = IFileStream::FindFileName(c.path);
  if (c.offset < 0) {
    EXPECT_EQ(found, nullptr) << c.path;
  } else {
    EXPECT_EQ(found, c.path + c.offset) << c.path;
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, FindFileNameTest,
                         ::testing::Values(NameCase{"name.txt", -1}, NameCase{"", -1},
                                           NameCase{"dir\\name.txt", 4}, NameCase{"a/b\\c", 4},
                                           NameCase{"a\\b/c", 4}, NameCase{"dir/", 4},
                                           NameCase{"\\", 1}));

}  // namespace
}  // namespace vialmark
