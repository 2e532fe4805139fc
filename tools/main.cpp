#include <iostream>

#include "tools/Commands.h"
#include "media/Interruption.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  tweenery::InstallInterruptHandlers();
  const int status = tweenery::RunTweenery(arguments, std::cout, std::cerr);
  return tweenery::FinishStandardOutput(status, std::cerr);
}
