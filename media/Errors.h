// The two kinds of failure a run reports: a command it cannot carry out
// as given (exit status 2) and input it cannot read or output it cannot
// write (exit status 1).
#pragma once

#include "platform/Classes.h"

namespace tweenery {

class EUsage : public Exception {
 public:
  using Exception::Exception;
};

class EToolFailure : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace tweenery
