#include "LineReader.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "System.h"

namespace {

bool Contains(std::string_view line, std::string_view needle) {
  return !needle.empty() && line.find(needle) != std::string_view::npos;
}

// Looks for the needle in carry + seg, where carry holds the needle-1 bytes
// seen before seg, then makes carry the last needle-1 bytes of both.
bool SearchSeam(char* carry, const char* seg, std::size_t segLen, std::string_view needle) {
  const std::size_t keep = needle.size() - 1;
  char joined[2 * LineReader::kMaxNeedle];
  const std::size_t head = std::min(segLen, keep);
  std::memcpy(joined, carry, keep);
  std::memcpy(joined + keep, seg, head);
  const bool hit = Contains(std::string_view(joined, keep + head), needle) ||
                   Contains(std::string_view(seg, segLen), needle);
  std::memcpy(carry, segLen >= keep ? seg + segLen - keep : joined + head, keep);
  return hit;
}

}  // namespace

LineReader::LineReader(const TextSource& source)
    : src(source),
      chunk(std::max<std::size_t>(source.chunk, 1)),
      maxLine(std::max(source.maxLine, kMaxNeedle)) {
  // A short text gets a buffer of its own size (one byte more, so that the
  // read which finds the end needs no room of its own). A size that cannot
  // be told gives a small buffer that doubles as it fills.
  Compact(static_cast<std::size_t>(std::min<uint64_t>(chunk, Size() + 1)));
}

uint64_t LineReader::Size() const {
  if (src.InMemory()) return src.size;
  uint64_t size = 0;
  return os::Size(src.fd, size) ? size : 0;
}

bool LineReader::GetLine(std::string_view& line, std::string_view needle, bool* found) {
  // The search across the seams of a long line keeps needle-sized pieces in
  // fixed buffers.
  if (needle.size() > kMaxNeedle)
    throw std::invalid_argument("LineReader::GetLine - needle longer than 16 bytes");
  line = {};
  if (found) *found = false;
  if (!good()) {
    fail = true;
    return false;
  }
  std::size_t scanned = 0;
  for (;;) {
    const std::size_t avail = end - pos;
    const std::size_t window = std::min(avail, maxLine + 1);
    const char* start = buf.get() + pos;
    const void* nl = std::memchr(start + scanned, '\n', window - scanned);
    if (nl) {
      line = std::string_view(start, static_cast<const char*>(nl) - start);
      pos += line.size() + 1;
      if (found) *found = Contains(line, needle);
      return true;
    }
    scanned = window;
    if (avail > maxLine) return LongLine(line, needle, found);
    if (!Fill()) {
      if (avail == 0) {
        eof = fail = true;
        return false;
      }
      eof = true;
      line = std::string_view(&buf[pos], avail);
      pos = end;
      if (found) *found = Contains(line, needle);
      return true;
    }
  }
}

bool LineReader::Lines(const char*& begin, const char*& stop) {
  std::size_t clean = 0;  // bytes after pos known to hold no newline
  for (;;) {
    if (!good()) return false;
    const char* start = buf.get() + pos;
    const char* last = buf.get() + end;
    while (last > start + clean && last[-1] != '\n') --last;
    if (last > start + clean) {
      begin = start;
      stop = last;
      return true;
    }
    clean = end - pos;
    if (clean > maxLine || !Fill()) return false;
  }
}

void LineReader::Rewind() {
  eof = false;
  if (fail) return;
  if (src.InMemory()) {
    offset = 0;
  } else if (!os::Rewind(src.fd)) {
    fail = true;
    return;
  }
  pos = end;  // what was read is dropped; the next fill starts at the front
  drained = false;
}

// Moves the unread bytes to the front of a buffer of at least capacity
// bytes, a new one when the present one is smaller.
void LineReader::Compact(std::size_t capacity) {
  const std::size_t unread = end - pos;
  if (capacity > cap) {
    // Zeroed, with kSlack bytes past the end for the number readers.
    std::unique_ptr<char[]> bigger(new char[capacity + kSlack]());
    if (unread) std::memcpy(bigger.get(), buf.get() + pos, unread);
    buf = std::move(bigger);
    cap = capacity;
  } else if (pos != 0) {
    std::memmove(buf.get(), buf.get() + pos, unread);
  }
  pos = 0;
  end = unread;
}

// Appends the next chunk after the unread bytes; false once the source is
// exhausted (a read error counts as the end, as it does for a stream).
bool LineReader::Fill() {
  if (drained) return false;
  // A full buffer holds less than a line (longer lines take LongLine): it doubles.
  const bool full = end - pos == cap;
  Compact(full ? std::min(cap * 2, maxLine + chunk) : cap);
  const std::size_t want = std::min(chunk, cap - end);
  std::size_t got = 0;
  if (src.InMemory()) {
    got = std::min(want, src.size - offset);
    if (got) std::memcpy(buf.get() + end, src.data + offset, got);
    offset += got;
  } else {
    got = os::Read(src.fd, buf.get() + end, want);
  }
  if (got == 0) {
    drained = true;
    return false;
  }
  end += got;
  return true;
}

// A line longer than maxLine: its first maxLine bytes stay at the front of the
// buffer as the line; the rest is read through and dropped, still searched
// for the needle across the seams.
bool LineReader::LongLine(std::string_view& line, std::string_view needle, bool* found) {
  Compact(std::max(cap, maxLine + chunk));
  line = std::string_view(buf.get(), maxLine);
  bool hit = Contains(line, needle);
  const std::size_t keep = needle.empty() ? 0 : needle.size() - 1;
  char carry[kMaxNeedle];  // the line limit is never shorter than a needle
  std::memcpy(carry, buf.get() + maxLine - keep, keep);

  const std::size_t rest = maxLine;
  for (;;) {
    const char* seg = buf.get() + rest;
    const std::size_t len = end - rest;
    const char* nl = len ? static_cast<const char*>(std::memchr(seg, '\n', len)) : nullptr;
    const std::size_t segLen = nl ? static_cast<std::size_t>(nl - seg) : len;
    if (!hit && keep > 0) hit = SearchSeam(carry, seg, segLen, needle);
    if (nl) {
      pos = rest + segLen + 1;
      break;
    }
    end = rest;
    if (!Fill()) {
      eof = true;
      pos = end;
      break;
    }
  }
  if (found) *found = hit;
  return true;
}
