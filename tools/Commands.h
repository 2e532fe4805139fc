// The tweenery command line: render, show, list and gallery.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tweenery {

// Runs one command line (without the program's name) and returns the exit
// status: 0 done, 1 unreadable input or unwritable output, 2 a usage error.
// Messages and the summary go to Err, listings to Out.
int RunTweenery(const std::vector<std::string>& Arguments, std::ostream& Out, std::ostream& Err);

// For the program, after RunTweenery: flushes standard output, where
// listings and YUV4MPEG2 streams go, and turns a failure to write it into
// exit status 1 with a message on Err. Returns the exit status.
int FinishStandardOutput(int Status, std::ostream& Err);

}  // namespace tweenery
