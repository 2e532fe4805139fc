// Compiled ahead of every source of libtweenpack.so (-include), which is
// built with hidden visibility: the platform's declarations stay hidden,
// while the component unit's and the design-time unit's get default
// visibility, so that their classes carry exportable type information and
// vtables. The version script then picks the families the package exports.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Classes.h"
#include "platform/Controls.h"
#include "platform/DIB.h"
#include "platform/Designer.h"
#include "platform/Graphics.h"
#include "platform/Runtime.h"
#include "platform/Services.h"

#pragma GCC visibility push(default)
#include "tweenkit/Tweenery.h"
#include "package/TweenReg.h"
#pragma GCC visibility pop
