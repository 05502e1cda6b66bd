#pragma once
#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

#include "temp_dir.h"

namespace testsupport {

// A child process whose standard output and error go to files, so that a
// chatty child never blocks on a full pipe.
class Process {
 public:
  // env: "NAME=value" entries added to (or, with an empty value, removed
  // from) the current environment.
  Process(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
          const std::string& cwd = "");
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // True once the child has ended within the timeout.
  bool Wait(std::chrono::milliseconds timeout);
  // Exit status of an ended child; -1 if a signal ended it.
  int ExitStatus() const { return status_; }
  bool Running();
  // Polls standard output until it contains the text.
  bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout);

  std::string Stdout() const { return ReadFile(dir_.File("out")); }
  std::string Stderr() const { return ReadFile(dir_.File("err")); }
  pid_t pid() const { return pid_; }

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  int status_ = -1;
  bool ended_ = false;
};

// Runs a shell command and returns its standard output; the exit status goes
// to *status when given.
std::string Shell(const std::string& command, int* status = nullptr);

}  // namespace testsupport
