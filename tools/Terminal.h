// Questions on the terminal for the command-line programs.
#pragma once

#include <string>

namespace zu::tools {

// While the program blocks on a question, Ctrl+C ends it at once instead of waiting for the
// message loop, which does not run meanwhile.
class TPlainSignals {
 public:
  TPlainSignals();
  ~TPlainSignals();
  TPlainSignals(const TPlainSignals&) = delete;
  TPlainSignals& operator=(const TPlainSignals&) = delete;

 private:
  void (*FOldInt)(int);
  void (*FOldTerm)(int);
};

// Reads a line on the terminal (/dev/tty), without echo when Secret; false when there is no
// terminal or it gave nothing.
bool AskTerminal(const std::string& Prompt, bool Secret, std::string& Answer);
// Writes to the terminal, whatever standard output and standard error are.
void WriteTerminal(const std::string& Text);

}  // namespace zu::tools
