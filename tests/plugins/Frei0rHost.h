// A small frei0r host for the plug-in tests: loads one plug-in library,
// resolves its entry points, and converts between host frames (bytes R, G,
// B, A) and the component's pictures byte by byte, independently of the
// plug-ins' own conversion.
#pragma once

#include <dlfcn.h>
extern "C" {
#include <frei0r.h>
}

#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Graphics.h"
#include "tweenkit/Presets.h"

namespace tweenery::test {

inline std::string PluginPath(TTransitionOperation Operation) {
  std::string lower = OperationText(Operation);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return std::string(TWEENERY_FREI0R_DIR) + "/tweenery_" + lower + ".so";
}

class TFrei0rLibrary {
 public:
  explicit TFrei0rLibrary(const std::string& Path) : FHandle(dlopen(Path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (!FHandle) throw std::runtime_error(dlerror());
    Resolve(init, "f0r_init");
    Resolve(deinit, "f0r_deinit");
    Resolve(get_plugin_info, "f0r_get_plugin_info");
    Resolve(get_param_info, "f0r_get_param_info");
    Resolve(construct, "f0r_construct");
    Resolve(destruct, "f0r_destruct");
    Resolve(set_param_value, "f0r_set_param_value");
    Resolve(get_param_value, "f0r_get_param_value");
    Resolve(update2, "f0r_update2");
  }
  ~TFrei0rLibrary() { dlclose(FHandle); }
  TFrei0rLibrary(const TFrei0rLibrary&) = delete;
  TFrei0rLibrary& operator=(const TFrei0rLibrary&) = delete;

  f0r_plugin_info_t Info() const {
    f0r_plugin_info_t info{};
    get_plugin_info(&info);
    return info;
  }
  // The index of the parameter called Name, or -1.
  int ParamIndex(const std::string& Name) const {
    for (int i = 0; i < Info().num_params; ++i) {
      f0r_param_info_t p{};
      get_param_info(&p, i);
      if (Name == p.name) return i;
    }
    return -1;
  }
  void SetDouble(f0r_instance_t Instance, const std::string& Name, double Value) const {
    const int index = ParamIndex(Name);
    if (index >= 0) set_param_value(Instance, &Value, index);
  }
  double GetDouble(f0r_instance_t Instance, const std::string& Name) const {
    double value = -1;
    get_param_value(Instance, &value, ParamIndex(Name));
    return value;
  }

  decltype(&f0r_init) init = nullptr;
  decltype(&f0r_deinit) deinit = nullptr;
  decltype(&f0r_get_plugin_info) get_plugin_info = nullptr;
  decltype(&f0r_get_param_info) get_param_info = nullptr;
  decltype(&f0r_construct) construct = nullptr;
  decltype(&f0r_destruct) destruct = nullptr;
  decltype(&f0r_set_param_value) set_param_value = nullptr;
  decltype(&f0r_get_param_value) get_param_value = nullptr;
  decltype(&f0r_update2) update2 = nullptr;

 private:
  template <class F>
  void Resolve(F& Function, const char* Name) {
    Function = reinterpret_cast<F>(dlsym(FHandle, Name));
    if (!Function) throw std::runtime_error(std::string("missing ") + Name);
  }
  void* FHandle;
};

// A host frame: Width * Height pixels of bytes R, G, B, A.
using THostFrame = std::vector<std::uint32_t>;

inline THostFrame RandomHostFrame(int Width, int Height, std::uint32_t Seed) {
  std::mt19937 random(Seed);
  THostFrame frame(static_cast<std::size_t>(Width) * Height);
  for (std::uint32_t& p : frame) p = random();  // alpha too: the plug-ins must ignore it
  return frame;
}

inline std::unique_ptr<TBitmap> PictureOf(const THostFrame& Frame, int Width, int Height) {
  auto picture = std::make_unique<TBitmap>(Width, Height);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      std::uint8_t rgba[4];
      std::memcpy(rgba, &Frame[static_cast<std::size_t>(y) * Width + x], 4);
      picture->ScanLine(y)[x] = 0xFF000000u | (rgba[0] << 16) | (rgba[1] << 8) | rgba[2];
    }
  return picture;
}

inline THostFrame HostFrameOf(const TBitmap& Picture) {
  THostFrame frame(static_cast<std::size_t>(Picture.Width()) * Picture.Height());
  for (int y = 0; y < Picture.Height(); ++y)
    for (int x = 0; x < Picture.Width(); ++x) {
      const std::uint32_t p = Picture.ScanLine(y)[x];
      const std::uint8_t rgba[4] = {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                                    static_cast<std::uint8_t>(p), 0xFF};
      std::memcpy(&frame[static_cast<std::size_t>(y) * Picture.Width() + x], rgba, 4);
    }
  return frame;
}

}  // namespace tweenery::test
