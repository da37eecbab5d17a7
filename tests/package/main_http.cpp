// The HTTP component alone: one GET from the URL given, its body written to stdout.
#include <QCoreApplication>
#include <cstdio>
#include <string>

#include "http/zuHTTP.h"

int main(int argc, char** argv) {
  QCoreApplication App(argc, argv);
  if (argc < 2) {
    zu::TzuCustomHTTP Http(nullptr);  // constructing is all that is asked without a URL
    return 0;
  }
  const std::string Body = zu::HTTPReadString(argv[1], 10000);
  if (Body.empty()) {
    std::fprintf(stderr, "nothing read from %s\n", argv[1]);
    return 1;
  }
  std::fwrite(Body.data(), 1, Body.size(), stdout);
  return 0;
}
