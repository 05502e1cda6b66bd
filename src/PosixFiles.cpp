#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "System.h"

// File reading on the systems with POSIX calls: Linux and the browser's
// file system alike; Windows has its own in windows/System.cpp.
namespace os {

int OpenForReading(const char* path) { return open(path, O_RDONLY | O_CLOEXEC); }

void Close(int fd) { close(fd); }

std::size_t Read(int fd, void* buffer, std::size_t size) {
  ssize_t n;
  do n = read(fd, buffer, size);
  while (n < 0 && errno == EINTR);
  return static_cast<std::size_t>(std::max<ssize_t>(n, 0));
}

bool Rewind(int fd) { return lseek(fd, 0, SEEK_SET) == 0; }

bool Size(int fd, uint64_t& size) {
  struct stat st;
  if (fstat(fd, &st) != 0 || st.st_size < 0) return false;
  size = static_cast<uint64_t>(st.st_size);
  return true;
}

}  // namespace os
