// The zkconv program's entry point.
#include <clocale>
#include <cstdio>

#include "host/zkconv.h"
#include "platform/files.h"

int main(int argc, char** argv) {
  // The locale's character set is the default on both sides, as the
  // environment names it.
  std::setlocale(LC_ALL, "");
  setStandardStreamsBinary();
  return zkconvMain(argc, argv, stdin, stdout, stderr);
}
