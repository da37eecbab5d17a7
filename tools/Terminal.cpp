#include "tools/Terminal.h"

#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace zu::tools {

TPlainSignals::TPlainSignals() {
  FOldInt = std::signal(SIGINT, SIG_DFL);
  FOldTerm = std::signal(SIGTERM, SIG_DFL);
}

TPlainSignals::~TPlainSignals() {
  std::signal(SIGINT, FOldInt);
  std::signal(SIGTERM, FOldTerm);
}

bool AskTerminal(const std::string& Prompt, bool Secret, std::string& Answer) {
  const int Tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (Tty < 0) return false;
  TPlainSignals Plain;
  termios Old{};
  const bool IsTerm = ::tcgetattr(Tty, &Old) == 0;
  if (IsTerm && Secret) {
    termios Quiet = Old;
    Quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(Tty, TCSANOW, &Quiet);  // keeps what was typed ahead
  }
  [[maybe_unused]] ssize_t W = ::write(Tty, Prompt.data(), Prompt.size());
  Answer.clear();
  char C;
  bool Got = false;
  while (::read(Tty, &C, 1) == 1) {
    Got = true;
    if (C == '\n' || C == '\r') break;
    Answer += C;
  }
  if (IsTerm && Secret) {
    ::tcsetattr(Tty, TCSANOW, &Old);
    W = ::write(Tty, "\n", 1);
  }
  ::close(Tty);
  return Got;
}

void WriteTerminal(const std::string& Text) {
  const int Tty = ::open("/dev/tty", O_WRONLY | O_CLOEXEC);
  if (Tty < 0) return;
  [[maybe_unused]] ssize_t W = ::write(Tty, Text.data(), Text.size());
  ::close(Tty);
}

}  // namespace zu::tools
