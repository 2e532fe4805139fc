// One frei0r mixer2 plug-in: the entry points of the operation this library
// is built for (TWEENERY_FREI0R_OPERATION, set by CMakeLists.txt). Nothing
// thrown inside crosses into the host.
#include <cstring>

#include "plugins/frei0r/Frei0rMixer.h"

// frei0r.h declares the entry points without C linkage of its own.
#pragma GCC visibility push(default)
extern "C" {
#include <frei0r.h>
}
#pragma GCC visibility pop

namespace {

using tweenery::frei0r::TMixer;

constexpr tweenery::TTransitionOperation kOperation = tweenery::TWEENERY_FREI0R_OPERATION;

const tweenery::frei0r::TPluginDescription& Description() { return tweenery::frei0r::DescribePlugin(kOperation); }

}  // namespace

int f0r_init() { return 1; }

void f0r_deinit() {}

void f0r_get_plugin_info(f0r_plugin_info_t* info) {
  if (!info) return;
  info->name = Description().Name.c_str();
  info->author = "Tweenery";
  info->plugin_type = F0R_PLUGIN_TYPE_MIXER2;
  info->color_model = F0R_COLOR_MODEL_RGBA8888;
  info->frei0r_version = FREI0R_MAJOR_VERSION;
  info->major_version = 4;
  info->minor_version = 1;
  info->num_params = static_cast<int>(Description().Params.size());
  info->explanation = Description().Explanation.c_str();
}

void f0r_get_param_info(f0r_param_info_t* info, int param_index) {
  const auto& params = Description().Params;
  if (!info || param_index < 0 || param_index >= static_cast<int>(params.size())) return;
  info->name = params[param_index].Name;
  info->type = params[param_index].Type;
  info->explanation = params[param_index].Explanation;
}

f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
  try {
    return new TMixer(kOperation, width, height);
  } catch (...) {
    return nullptr;
  }
}

void f0r_destruct(f0r_instance_t instance) { delete static_cast<TMixer*>(instance); }

void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int param_index) {
  if (instance) static_cast<TMixer*>(instance)->SetParam(param_index, param);
}

void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int param_index) {
  if (instance) static_cast<const TMixer*>(instance)->GetParam(param_index, param);
}

void f0r_update2(f0r_instance_t instance, double time, const uint32_t* inframe1, const uint32_t* inframe2,
                 const uint32_t*, uint32_t* outframe) {
  if (!instance) return;
  auto* mixer = static_cast<TMixer*>(instance);
  try {
    mixer->Update(time, inframe1, inframe2, outframe);
  } catch (...) {
    // Out of memory or a failing effect: the host gets the first input
    // rather than a frame half drawn.
    if (inframe1 && outframe && inframe1 != outframe)
      std::memcpy(outframe, inframe1, mixer->PixelCount() * sizeof(uint32_t));
  }
}

// A mixer2 has no single-input update; hosts call f0r_update2.
void f0r_update(f0r_instance_t, double, const uint32_t*, uint32_t*) {}
