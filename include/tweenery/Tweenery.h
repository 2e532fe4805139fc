// The transition component without a toolkit: TTweenery and its effects
// (tweenkit/Tweenery.h), and the time base that renders any frame of a run
// on its own (TTransitionRenderer, TTransitionRun, TEasing). Link
// Tweenery::tweenkit, or use pkg-config's tweenery.
#pragma once

#include "tweenkit/Tweenery.h"
#include "tweenkit/TimeBase.h"
