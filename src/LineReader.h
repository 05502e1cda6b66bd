#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

// Where text comes from: an open file, or memory. Small
// chunks and line limits let tests and the fuzzer reach every buffer seam
// with short inputs.
struct TextSource {
  static constexpr std::size_t kChunk = std::size_t(1) << 20;
  static constexpr std::size_t kMaxLine = std::size_t(16) << 20;

  static constexpr int kMemory = -1;  // the fd of text in memory

  static TextSource File(int fd) { return {fd, nullptr, 0, kChunk, kMaxLine}; }
  static TextSource Memory(std::string_view text, std::size_t chunk = kChunk,
                           std::size_t maxLine = kMaxLine) {
    return {kMemory, text.data(), text.size(), chunk, maxLine};
  }
  bool InMemory() const { return fd == kMemory; }

  int fd;
  const char* data;
  std::size_t size;
  std::size_t chunk;    // bytes per read
  std::size_t maxLine;  // longer lines keep this many bytes for their numbers
};

// Reads text in chunks and hands out one line at a time, mirroring the states
// of std::getline on an ifstream: a last line without a newline sets
// end-of-file, a read with nothing left also fails, and Rewind behaves like
// seekg(0) (clears end-of-file, does nothing once the stream has failed).
// At most maxLine + chunk bytes are held, however long a line is, and never
// much more than the whole text. The bytes are read once, in order.
//
// Every view handed out points into the buffer, which keeps kSlack readable
// bytes past its data: number readers may look up to that far beyond a line.
class LineReader {
 public:
  static constexpr std::size_t kSlack = 48;
  // No longer than the shortest line limit, so that a long line's kept
  // bytes always hold a whole needle's worth of carry.
  static constexpr std::size_t kMaxNeedle = 16;

  explicit LineReader(const TextSource& source);

  bool good() const { return !eof && !fail; }
  // The size of the whole text (0 if a file cannot tell).
  uint64_t Size() const;
  std::size_t MaxLine() const { return maxLine; }

  // False when no line could be read. The view holds at most maxLine bytes
  // and stays valid until the next call; *found tells whether the needle
  // occurs anywhere in the whole line, however long. A needle longer than
  // kMaxNeedle throws std::invalid_argument.
  bool GetLine(std::string_view& line, std::string_view needle = {}, bool* found = nullptr);

  // The whole lines now in the buffer: from the read position to just past
  // its last newline, reading more when there is none yet. False when no
  // whole line can be had this way (a line longer than the limit, the last
  // line without a newline, the end): GetLine then takes the next line.
  // Consume tells how far the lines were read.
  bool Lines(const char*& begin, const char*& stop);
  void Consume(const char* upTo) { pos = static_cast<std::size_t>(upTo - buf.get()); }

  void Rewind();

 private:
  void Compact(std::size_t capacity);
  bool Fill();
  bool LongLine(std::string_view& line, std::string_view needle, bool* found);

  const TextSource src;
  const std::size_t chunk;
  const std::size_t maxLine;
  std::unique_ptr<char[]> buf;
  std::size_t cap = 0;
  std::size_t pos = 0;     // first unread byte
  std::size_t end = 0;     // end of the bytes read
  std::size_t offset = 0;  // read position in a memory source
  bool eof = false;
  bool fail = false;
  bool drained = false;
};
