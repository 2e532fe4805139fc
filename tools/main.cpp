#include <iostream>

#include "tools/Commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return tweenery::RunTweenery(arguments, std::cout, std::cerr);
}
