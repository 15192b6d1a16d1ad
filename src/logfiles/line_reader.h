// LineReader: the text lines of a file, streamed through one fixed buffer so that memory
// does not grow with the file. A line ends at CR LF, LF or CR; a last line without a
// line end counts, unless a byte limit cut it: the file goes on after the limit (a writer
// is in the middle of that line), so it is left to a later read of the whole line. A run of NUL
// bytes (the zero-filled block that a crashed writer leaves behind) ends the current line like a
// line end and is passed over together with a line end directly after it; a run at the start of a
// line gives no line of its own, and the lines after the run are read as usual. Each line is handed
// out cut to a maximum length (the rest of a longer line is skipped unread into memory), as a view
// that stays valid until the next call. A gzip-compressed file (told by its content, see
// byte_source.h) gives the lines of its inflated text by the same rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

namespace kestrune {

class ByteSource;

class LineReader {
 public:
  static constexpr std::size_t kDefaultBufferSize = 256 * 1024;

  // Opens `fileName` for reading (its first `byteLimit` bytes at most); throws
  // kestrune::Error naming the file and the reason when it cannot be opened.
  explicit LineReader(const std::string& fileName, std::size_t maxLineLength = 255,
                      std::size_t bufferSize = kDefaultBufferSize,
                      std::uint64_t byteLimit = std::numeric_limits<std::uint64_t>::max());
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Counts the lines of the whole file in a fast pass, then starts again at the first
  // line (a compressed file is inflated twice for it). Throws kestrune::Error when the
  // file cannot be read or its compressed data are damaged.
  int CountLines();

  // The next line, without its line end and cut to the maximum length; false when the
  // text has ended. Throws kestrune::Error when the file cannot be read or its
  // compressed data are damaged; the lines before stay read.
  bool Next(std::string_view& line);

  // Starts again at the first line.
  void Rewind();

  // Whether the file is gzip-compressed.
  bool Compressed() const;
  // The file's size in bytes and how many of them have been read so far: a progress
  // measure that needs no counting pass.
  std::uint64_t FileSize() const;
  std::uint64_t FilePosition() const;

 private:
  bool Fill();  // reads the next chunk into the buffer; false at the end of the text

  std::unique_ptr<ByteSource> source_;
  std::size_t maxLineLength_;
  std::size_t bufferSize_;
  std::unique_ptr<char[]> buffer_;
  std::unique_ptr<char[]> carry_;  // the start of a line that crosses a chunk boundary
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool endOfFile_ = false;
  bool endOfText_ = false;  // the end of the file was met
  // What the start of the next line must pass over first (one state, so that the usual
  // line costs one test): an LF after a CR that ended the last line, or the rest of a
  // NUL run that ended it.
  enum class Pending : unsigned char { kNothing, kLf, kNulRun };
  Pending pending_ = Pending::kNothing;
};

}  // namespace kestrune
