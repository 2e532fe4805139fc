/// @file
/// The loader's view of libtweenpack.so: its information table and its
/// initialise and finalise entry points, with C linkage so that a loader
/// finds them by plain name. The C++ families the package exports (the
/// component, its thread, the state classes, the 36 effect functions and
/// Register) are declared in tweenkit/Tweenery.h and package/TweenReg.h.
///
/// A loader dlopens the package, calls TweenpackInitialize with its own
/// registry and services, then calls tweenery::Register (TweenpackRegisterSymbol)
/// for a designer, and TweenpackFinalize before it lets the package go.
#pragma once

#include <cstdint>

#include "platform/Designer.h"

/// Marks the package's entry points for export when the package itself is
/// built (TWEENPACK_BUILDING); empty for those who include the header.
#if defined(TWEENPACK_BUILDING)
#define TWEENPACK_API __attribute__((visibility("default")))
#else
#define TWEENPACK_API
#endif

extern "C" {

/// Flags of TTweenpackInfo::Flags.
enum TTweenpackFlag : std::uint32_t {
  TweenpackRunTime = 1u << 0,     ///< programs may load it to use the component
  TweenpackDesignTime = 1u << 1,  ///< a form designer may load it and call Register
};

/// What a loader reads before it calls anything.
struct TTweenpackInfo {
  std::uint32_t Size;              ///< sizeof(TTweenpackInfo)
  std::uint32_t Flags;             ///< TTweenpackFlag values
  const char* Name;                ///< "tweenpack"
  const char* Version;             ///< the component's version, "4.1"
  const char* Description;         ///< one line for a loader's list of packages
  const char* const* Contains;     ///< the units inside, ending with nullptr
  const char* const* Requires;     ///< the platform packages it relies on, ending with nullptr
};

/// The package information table.
TWEENPACK_API extern const TTweenpackInfo TweenpackInfo;

/// Prepares the package for use. Host, when not nullptr, receives the
/// package's registrations and serves its dialogs; the package starts no
/// thread and no timer. Calls nest: each needs its TweenpackFinalize.
/// Returns 0, or -1 when Host is of another layout.
TWEENPACK_API int TweenpackInitialize(const tweenery::TPackageHost* Host);

/// Undoes the matching TweenpackInitialize; the last one forgets the last
/// image folder and detaches the host.
TWEENPACK_API void TweenpackFinalize(void);

}  // extern "C"

namespace tweenery {
/**@{*/
/// Exported names a loader looks up with dlsym.
inline constexpr const char* TweenpackInfoSymbol = "TweenpackInfo";
inline constexpr const char* TweenpackInitializeSymbol = "TweenpackInitialize";
inline constexpr const char* TweenpackFinalizeSymbol = "TweenpackFinalize";
/**@}*/
/// tweenery::Register(), mangled.
inline constexpr const char* TweenpackRegisterSymbol = "_ZN8tweenery8RegisterEv";

using TTweenpackInitialize = int (*)(const TPackageHost* Host);  ///< type of TweenpackInitialize
using TTweenpackFinalize = void (*)();                         ///< type of TweenpackFinalize
using TTweenpackRegister = void (*)();                         ///< type of tweenery::Register
}  // namespace tweenery
