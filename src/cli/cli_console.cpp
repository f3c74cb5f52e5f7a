// The process's console: standard input for bodies, the controlling terminal
// for passwords.
#include <errno.h>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <iostream>
#include <string>

#include "cli/kdx_cli.h"
#include "core/util/vell_file.h"

namespace {

void WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

// Reads one line from the controlling terminal, with echo off unless echo is
// set; false when the process has none. A line longer than any password is
// read whole and kept whole, so that the rules can refuse it rather than a cut
// copy pass.
bool AskAtTerminal(const std::string& prompt, std::string* typed, bool echo = false) {
  VellUniqueFd tty(open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (tty.get() < 0) return false;
  WriteAll(tty.get(), prompt);
  termios old{};
  const bool restore = !echo && tcgetattr(tty.get(), &old) == 0;
  if (restore) {
    termios quiet = old;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(tty.get(), TCSANOW, &quiet);
  }
  typed->clear();
  constexpr size_t kMaxLine = 4096;
  char c = 0;
  while (typed->size() < kMaxLine) {
    const ssize_t n = read(tty.get(), &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || c == '\n') break;
    typed->push_back(c);
  }
  if (!typed->empty() && typed->back() == '\r') typed->pop_back();
  if (restore) {
    tcsetattr(tty.get(), TCSANOW, &old);
    WriteAll(tty.get(), "\n");  // the one the person typed was not shown
  }
  return true;
}

}  // namespace

KdxConsole KdxProcessConsole() {
  KdxConsole console;
  console.in = &std::cin;
  console.inIsTerminal = isatty(STDIN_FILENO) == 1;
  console.outIsTerminal = isatty(STDOUT_FILENO) == 1;
  console.askPassword = [](const std::string& prompt, std::string* typed) {
    return AskAtTerminal(prompt, typed);
  };
  console.askQuestion = [](const std::string& prompt, std::string* typed) {
    return isatty(STDIN_FILENO) == 1 && isatty(STDERR_FILENO) == 1 &&
           AskAtTerminal(prompt, typed, true);
  };
  return console;
}
