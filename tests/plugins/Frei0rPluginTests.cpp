// Every frei0r plug-in through a host of our own: what it lists, its
// parameters set and read back, and its frames against the component's
// frame at the CurrentFrame the time base gives for the same position.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

#include "Frei0rHost.h"
#include "tweenkit/TimeBase.h"

namespace tweenery {
namespace {

using test::HostFrameOf;
using test::PictureOf;
using test::RandomHostFrame;
using test::TFrei0rLibrary;
using test::THostFrame;

std::vector<TTransitionOperation> AllOperations() {
  std::vector<TTransitionOperation> all;
  for (int i = 0; i < TransitionOperationCount; ++i) all.push_back(static_cast<TTransitionOperation>(i));
  return all;
}

// The parameters an operation's plug-in must list, in order.
std::vector<std::pair<std::string, int>> ExpectedParams(TTransitionOperation Operation) {
  const unsigned reads = OperationParameters(Operation);
  std::vector<std::pair<std::string, int>> p{
      {"progress", F0R_PARAM_DOUBLE}, {"easing", F0R_PARAM_STRING}, {"duration", F0R_PARAM_DOUBLE}};
  if (reads & opModifier) p.push_back({"direction", F0R_PARAM_DOUBLE});
  if (reads & opReverse) p.push_back({"reverse", F0R_PARAM_BOOL});
  if (reads & opDelta) p.push_back({"delta", F0R_PARAM_DOUBLE});
  if (reads & opColor) p.push_back({"color", F0R_PARAM_COLOR});
  if (reads & opRGBOrder) p.push_back({"order", F0R_PARAM_DOUBLE});
  if (UsesRandom(Operation)) p.push_back({"seed", F0R_PARAM_DOUBLE});
  return p;
}

// The look every frame test sets, and the component's settings it stands
// for by the documented scaling.
struct TLook {
  double Direction = 0.6;  // up
  bool Reverse = false;
  double Delta = 0.2;
  f0r_param_color_t Color{0.2f, 0.4f, 0.6f};
  double Order = 0.5;  // GBR
  double Seed = 0.25;
};

void SetLook(const TFrei0rLibrary& L, f0r_instance_t I, const TLook& Look) {
  L.SetDouble(I, "direction", Look.Direction);
  L.SetDouble(I, "reverse", Look.Reverse ? 1 : 0);
  L.SetDouble(I, "delta", Look.Delta);
  L.SetDouble(I, "order", Look.Order);
  L.SetDouble(I, "seed", Look.Seed);
  if (const int color = L.ParamIndex("color"); color >= 0) L.set_param_value(I, &const_cast<TLook&>(Look).Color, color);
}

TTransitionSettings SettingsOf(TTransitionOperation Operation, const TLook& Look, int Width, int Height) {
  TTransitionSettings s;
  s.Operation = Operation;
  const unsigned reads = OperationParameters(Operation);
  s.Modifier = (reads & opModifier) ? tmUp : tmLeft;
  s.Reverse = Look.Reverse;
  const double side = Operation == toMosaic ? 16 : std::min(Width, Height);
  s.Delta = std::max(1, static_cast<int>(std::nearbyint(Look.Delta * side)));
  s.RGBOrder = coGBR;
  s.Color = (reads & opColor) ? static_cast<TColor>(0x996633) : clBlack;
  s.Seed = 1073741824;
  return s;
}

// The host's frame at Progress and the component's for the same settings.
struct TFramePair {
  THostFrame Plugin, Component;
};

TFramePair FramesAt(const TFrei0rLibrary& L, TTransitionOperation Operation, int Width, int Height, double Progress,
                    const TLook& Look = {}, const char* Easing = "linear") {
  const THostFrame from = RandomHostFrame(Width, Height, 1), to = RandomHostFrame(Width, Height, 2);
  f0r_instance_t instance = L.construct(Width, Height);
  EXPECT_NE(instance, nullptr);
  SetLook(L, instance, Look);
  L.SetDouble(instance, "progress", Progress);
  const char* easing = Easing;
  L.set_param_value(instance, &easing, L.ParamIndex("easing"));
  TFramePair pair;
  pair.Plugin.assign(from.size(), 0);
  L.update2(instance, 7.0, from.data(), to.data(), nullptr, pair.Plugin.data());
  L.destruct(instance);

  auto fromPicture = PictureOf(from, Width, Height), toPicture = PictureOf(to, Width, Height);
  TTransitionRenderer renderer(*fromPicture, *toPicture, SettingsOf(Operation, Look, Width, Height));
  pair.Component = HostFrameOf(renderer.Compose(renderer.FrameAtProgress(Progress, TEasing::Parse(Easing))));
  return pair;
}

TEST(Frei0rPlugins, EachListsItsOperationAsAnRGBAMixerWithTheParametersItReads) {
  for (TTransitionOperation op : AllOperations()) {
    SCOPED_TRACE(OperationText(op));
    TFrei0rLibrary library(test::PluginPath(op));
    ASSERT_EQ(library.init(), 1);
    const f0r_plugin_info_t info = library.Info();
    EXPECT_EQ(std::string(info.name), std::string("Tweenery ") + OperationText(op));
    EXPECT_EQ(info.plugin_type, F0R_PLUGIN_TYPE_MIXER2);
    EXPECT_EQ(info.color_model, F0R_COLOR_MODEL_RGBA8888);
    EXPECT_EQ(info.frei0r_version, FREI0R_MAJOR_VERSION);
    EXPECT_GT(std::strlen(info.explanation), 10u);
    const auto expected = ExpectedParams(op);
    ASSERT_EQ(info.num_params, static_cast<int>(expected.size()));
    for (int i = 0; i < info.num_params; ++i) {
      f0r_param_info_t p{};
      library.get_param_info(&p, i);
      EXPECT_EQ(p.name, expected[i].first);
      EXPECT_EQ(p.type, expected[i].second);
      EXPECT_NE(p.explanation, nullptr);
    }
    f0r_param_info_t outside{"untouched", -7, nullptr};
    library.get_param_info(&outside, info.num_params);
    EXPECT_EQ(outside.type, -7);
    library.deinit();
  }
}

TEST(Frei0rPlugins, EveryParameterReadsBackAndHostileValuesAreBounded) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  for (TTransitionOperation op : AllOperations()) {
    SCOPED_TRACE(OperationText(op));
    TFrei0rLibrary library(test::PluginPath(op));
    library.init();
    f0r_instance_t instance = library.construct(9, 7);
    ASSERT_NE(instance, nullptr);
    for (int i = 0; i < library.Info().num_params; ++i) {
      f0r_param_info_t p{};
      library.get_param_info(&p, i);
      SCOPED_TRACE(p.name);
      if (p.type == F0R_PARAM_STRING) {
        const char* easing = "ease-in";
        library.set_param_value(instance, &easing, i);
        char* back = nullptr;
        library.get_param_value(instance, &back, i);
        EXPECT_STREQ(back, "ease-in");
        for (const char* hostile : {"steps(0)", "cubic-bezier(2,0,1,1)", "no such curve", "", static_cast<const char*>(nullptr)}) {
          library.set_param_value(instance, &hostile, i);
          library.get_param_value(instance, &back, i);
          EXPECT_STREQ(back, "linear");
        }
      } else if (p.type == F0R_PARAM_COLOR) {
        f0r_param_color_t color{0.25f, 0.5f, 1.0f}, back{};
        library.set_param_value(instance, &color, i);
        library.get_param_value(instance, &back, i);
        EXPECT_EQ(back.r, 0.25f);
        EXPECT_EQ(back.g, 0.5f);
        EXPECT_EQ(back.b, 1.0f);
        f0r_param_color_t hostile{std::nanf(""), -3.0f, 1e30f};
        library.set_param_value(instance, &hostile, i);
        library.get_param_value(instance, &back, i);
        EXPECT_EQ(back.r, 0.0f);
        EXPECT_EQ(back.g, 0.0f);
        EXPECT_EQ(back.b, 1.0f);
      } else {
        const double value = p.type == F0R_PARAM_BOOL ? 1.0 : 0.375;
        library.set_param_value(instance, const_cast<double*>(&value), i);
        EXPECT_EQ(library.GetDouble(instance, p.name), value);
        for (auto [hostile, bounded] : {std::pair{-5.0, 0.0}, {1e300, 1.0}, {inf, 1.0}, {-inf, 0.0}}) {
          library.set_param_value(instance, &hostile, i);
          EXPECT_EQ(library.GetDouble(instance, p.name), bounded) << hostile;
        }
        library.set_param_value(instance, const_cast<double*>(&nan), i);
        const double fallback = library.GetDouble(instance, p.name);
        EXPECT_TRUE(fallback >= 0 && fallback <= 1) << fallback;
      }
    }
    // After all that the frame is still a whole, opaque frame.
    const THostFrame from = RandomHostFrame(9, 7, 3), to = RandomHostFrame(9, 7, 4);
    THostFrame out(from.size(), 0);
    library.update2(instance, nan, from.data(), to.data(), nullptr, out.data());
    for (std::uint32_t p : out) ASSERT_EQ(p >> 24, 0xFFu);
    library.destruct(instance);
    library.deinit();
  }
}

TEST(Frei0rPlugins, FramesAtProgressEqualTheComponentsFrameAtTheTimeBasesCurrentFrame) {
  for (TTransitionOperation op : AllOperations()) {
    TFrei0rLibrary library(test::PluginPath(op));
    library.init();
    for (bool reverse : {false, true})
      for (double progress : {0.0, 0.5, 1.0}) {
        TLook look;
        look.Reverse = reverse;
        const TFramePair frames = FramesAt(library, op, 23, 17, progress, look);
        EXPECT_TRUE(frames.Plugin == frames.Component)
            << OperationText(op) << (reverse ? " reverse" : "") << " at " << progress;
      }
    const TFramePair eased = FramesAt(library, op, 23, 17, 0.3, {}, "ease-in-out");
    EXPECT_TRUE(eased.Plugin == eased.Component) << OperationText(op) << " eased";
    library.deinit();
  }
}

TEST(Frei0rPlugins, ProgressZeroShowsTheFromPictureAndOneTheToPicture) {
  TFrei0rLibrary library(test::PluginPath(toPush));
  const THostFrame from = RandomHostFrame(10, 6, 5), to = RandomHostFrame(10, 6, 6);
  const THostFrame opaqueFrom = HostFrameOf(*PictureOf(from, 10, 6)), opaqueTo = HostFrameOf(*PictureOf(to, 10, 6));
  f0r_instance_t instance = library.construct(10, 6);
  THostFrame out(from.size());
  library.SetDouble(instance, "progress", 0);
  library.update2(instance, 0, from.data(), to.data(), nullptr, out.data());
  EXPECT_TRUE(out == opaqueFrom);
  library.SetDouble(instance, "progress", 1);
  library.update2(instance, 0, from.data(), to.data(), nullptr, out.data());
  EXPECT_TRUE(out == opaqueTo);
  library.destruct(instance);
}

TEST(Frei0rPlugins, OddAndTinySizesAndAnInstancePerSize) {
  for (TTransitionOperation op : {toPush, toRoll, toSpiral, toFade, toRandomBars, toTwinRandomBars, toSwarm, toStripedIris, toMosaic})
    for (auto [w, h] : {std::pair{1, 1}, {3, 5}, {641, 479}}) {
      if (w == 641 && op != toPush && op != toRandomBars && op != toFade) continue;  // keep the run short
      TFrei0rLibrary library(test::PluginPath(op));
      const TFramePair frames = FramesAt(library, op, w, h, 0.5);
      EXPECT_TRUE(frames.Plugin == frames.Component) << OperationText(op) << " " << w << " x " << h;
    }
  // Two sizes live at once, interleaved, as a host does when the project's
  // size changes (frei0r fixes the size at construction).
  TFrei0rLibrary library(test::PluginPath(toRoll));
  f0r_instance_t small = library.construct(8, 6), large = library.construct(31, 20);
  const THostFrame a8 = RandomHostFrame(8, 6, 1), b8 = RandomHostFrame(8, 6, 2);
  const THostFrame a31 = RandomHostFrame(31, 20, 1), b31 = RandomHostFrame(31, 20, 2);
  THostFrame out8(a8.size()), out31(a31.size());
  for (f0r_instance_t i : {small, large}) SetLook(library, i, {}), library.SetDouble(i, "progress", 0.5);
  library.update2(small, 0, a8.data(), b8.data(), nullptr, out8.data());
  library.update2(large, 0, a31.data(), b31.data(), nullptr, out31.data());
  library.update2(small, 0, a8.data(), b8.data(), nullptr, out8.data());
  library.destruct(small);
  library.destruct(large);
  EXPECT_TRUE(out8 == FramesAt(library, toRoll, 8, 6, 0.5).Component);
  EXPECT_TRUE(out31 == FramesAt(library, toRoll, 31, 20, 0.5).Component);
}

TEST(Frei0rPlugins, ImpossibleSizesAndMissingFramesAreRefusedWithoutHarm) {
  TFrei0rLibrary library(test::PluginPath(toPush));
  EXPECT_EQ(library.construct(0, 10), nullptr);
  EXPECT_EQ(library.construct(10, 0), nullptr);
  EXPECT_EQ(library.construct(100000, 100000), nullptr);
  EXPECT_EQ(library.construct(4294967295u, 1), nullptr);
  library.update2(nullptr, 0, nullptr, nullptr, nullptr, nullptr);
  double value = 0.5;
  library.set_param_value(nullptr, &value, 0);
  f0r_instance_t instance = library.construct(4, 4);
  library.set_param_value(instance, &value, -1);
  library.set_param_value(instance, &value, 99);
  library.set_param_value(instance, nullptr, 0);
  THostFrame out(16, 0x12345678u);
  library.update2(instance, 0, nullptr, nullptr, nullptr, out.data());
  EXPECT_EQ(out[0], 0x12345678u);
  library.destruct(instance);
  library.destruct(nullptr);
}

TEST(Frei0rPlugins, RandomFramesDependOnlyOnSeedAndPositionHoweverTheHostSeeks) {
  for (TTransitionOperation op : {toRandomBars, toTwinRandomBars, toSwarm}) {
    SCOPED_TRACE(OperationText(op));
    TFrei0rLibrary library(test::PluginPath(op));
    const THostFrame from = RandomHostFrame(30, 20, 1), to = RandomHostFrame(30, 20, 2);  // as FramesAt
    f0r_instance_t instance = library.construct(30, 20);
    SetLook(library, instance, {});
    auto at = [&](double progress) {
      THostFrame out(from.size());
      library.SetDouble(instance, "progress", progress);
      library.update2(instance, 0, from.data(), to.data(), nullptr, out.data());
      return out;
    };
    const THostFrame first = at(0.7);
    at(0.2);
    at(0.9);
    EXPECT_TRUE(at(0.7) == first);
    EXPECT_TRUE(first == FramesAt(library, op, 30, 20, 0.7).Component);
    TLook otherSeed;
    otherSeed.Seed = 0.5;
    SetLook(library, instance, otherSeed);
    EXPECT_FALSE(at(0.7) == first);
    library.destruct(instance);
  }
}

TEST(Frei0rPlugins, WithoutProgressTheHostsTimeOverTheDurationGivesThePosition) {
  TFrei0rLibrary library(test::PluginPath(toGlide));
  const THostFrame from = RandomHostFrame(40, 10, 9), to = RandomHostFrame(40, 10, 10);
  f0r_instance_t instance = library.construct(40, 10);
  library.SetDouble(instance, "duration", 0.02);  // 2 s
  auto at = [&](double time) {
    THostFrame out(from.size());
    library.update2(instance, time, from.data(), to.data(), nullptr, out.data());
    return out;
  };
  TLook look;
  look.Direction = 0;  // the plug-in's default, left
  auto expected = [&](double progress) {
    auto a = PictureOf(from, 40, 10), b = PictureOf(to, 40, 10);
    TTransitionSettings s = SettingsOf(toGlide, look, 40, 10);
    s.Modifier = tmLeft;
    s.Color = clBlack;
    TTransitionRenderer renderer(*a, *b, s);
    return HostFrameOf(renderer.Compose(renderer.FrameAtProgress(progress, TEasing())));
  };
  EXPECT_TRUE(at(1.0) == expected(0.5));
  EXPECT_TRUE(at(2.0) == expected(1));
  EXPECT_TRUE(at(1e300) == expected(1));
  EXPECT_TRUE(at(-1) == expected(0));
  EXPECT_TRUE(at(std::numeric_limits<double>::quiet_NaN()) == expected(0));
  // Once the host sets progress, time no longer counts.
  library.SetDouble(instance, "progress", 0.25);
  EXPECT_TRUE(at(2.0) == expected(0.25));
  library.destruct(instance);
}

// A host that hands every parameter its value once, at construction, and
// then only advances time (GStreamer's bridge) gets the transition by time;
// a host that sets progress before every frame gets progress, even 0.
TEST(Frei0rPlugins, ProgressHandedOverOnceLeavesThePositionToTime) {
  TFrei0rLibrary library(test::PluginPath(toPush));
  const THostFrame from = RandomHostFrame(40, 10, 3), to = RandomHostFrame(40, 10, 4);
  auto expected = [&](double progress) {
    auto a = PictureOf(from, 40, 10), b = PictureOf(to, 40, 10);
    TTransitionSettings s = SettingsOf(toPush, TLook{}, 40, 10);
    s.Modifier = tmLeft;
    s.Color = clBlack;
    TTransitionRenderer renderer(*a, *b, s);
    return HostFrameOf(renderer.Compose(renderer.FrameAtProgress(progress, TEasing())));
  };
  auto at = [&](f0r_instance_t Instance, double Time) {
    THostFrame out(from.size());
    library.update2(Instance, Time, from.data(), to.data(), nullptr, out.data());
    return out;
  };
  f0r_instance_t once = library.construct(40, 10);
  library.SetDouble(once, "progress", 0);
  library.SetDouble(once, "duration", 0.02);  // 2 s
  EXPECT_TRUE(at(once, 0) == expected(0));
  EXPECT_TRUE(at(once, 0.5) == expected(0.25));
  EXPECT_TRUE(at(once, 1.5) == expected(0.75));
  library.destruct(once);

  f0r_instance_t everyFrame = library.construct(40, 10);
  for (double time : {0.0, 0.5, 1.5}) {
    library.SetDouble(everyFrame, "progress", 0);
    EXPECT_TRUE(at(everyFrame, time) == expected(0)) << time;
  }
  library.SetDouble(everyFrame, "progress", 0.5);
  EXPECT_TRUE(at(everyFrame, 0.1) == expected(0.5));
  // Moved once, progress keeps the position when the host stops setting it.
  EXPECT_TRUE(at(everyFrame, 1.9) == expected(0.5));
  library.destruct(everyFrame);
}

TEST(Frei0rPlugins, InstancesOnSeveralThreadsGiveTheFramesTheyGiveAlone) {
  TFrei0rLibrary library(test::PluginPath(toSwarm));
  const TFramePair alone = FramesAt(library, toSwarm, 48, 32, 0.4);
  std::vector<THostFrame> results(3);
  std::vector<std::thread> threads;
  for (THostFrame& result : results)
    threads.emplace_back([&library, &result] {
      const THostFrame from = RandomHostFrame(48, 32, 1), to = RandomHostFrame(48, 32, 2);
      f0r_instance_t instance = library.construct(48, 32);
      SetLook(library, instance, {});
      library.SetDouble(instance, "progress", 0.4);
      result.assign(from.size(), 0);
      for (int i = 0; i < 5; ++i) library.update2(instance, 0, from.data(), to.data(), nullptr, result.data());
      library.destruct(instance);
    });
  for (std::thread& t : threads) t.join();
  for (const THostFrame& result : results) EXPECT_TRUE(result == alone.Component);
}

}  // namespace
}  // namespace tweenery
