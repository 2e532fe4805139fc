// Writing a programme's frames: composed on several threads where a
// transition's frames do not depend on one another, encoded while the next
// ones are composed, and handed to the sink strictly in order.
#pragma once

#include <cstdint>
#include <functional>

#include "media/Output.h"
#include "media/Programme.h"

namespace tweenery {

// Whether any frame of the transition can be composed on its own, from its
// CurrentFrame alone: no state carried from frame to frame and no draws on
// the random generator (whose state lives in one process-wide variable).
bool ComposesApart(const TTransitionSettings& Settings);

// The number of composing threads to use for Jobs asked for, Width x Height
// frames: at most Jobs, and few enough that the frames in flight and each
// thread's copies of the pictures stay within a fixed memory budget. 1 means
// the single-threaded path.
int ComposingThreads(int Jobs, int Width, int Height);

using TFramesWritten = std::function<void(std::int64_t Written)>;

// Writes frames 0 to Count - 1 of Programme to Sink, in order, with Jobs
// threads composing (Jobs 1: one thread composes and writes, frame after
// frame). The programme itself is used on the calling thread only. A sink
// that encodes apart has its frames encoded by the threads that compose
// them; its Write or WriteEncoded runs on one thread, and Written after
// each frame on that same thread.
// The first failure in frame order, of composing or of writing, is raised
// as it was raised, after every thread has stopped; frames after it are not
// written.
void WriteFrames(TProgramme& Programme, std::int64_t Count, TFrameSink& Sink, int Jobs,
                 const TFramesWritten& Written);

}  // namespace tweenery
