// Prints what the online test says, for tests that run it inside a network namespace.
#include <cstdio>

#include "http/zuInet.h"

int main() {
  std::puts(zu::IsOnline() ? "online" : "offline");
  return 0;
}
