// libtweenpack.so as a loader sees it: what it exports by name and nothing
// else, its information table, and its entry points wired to this
// program's registry and services.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <string>
#include <typeinfo>
#include <vector>

#include "package/TweenPack.h"
#include "platform/Designer.h"
#include "platform/Services.h"
#include "tweenkit/Tweenery.h"

using namespace tweenery;

namespace {

const std::string kData = std::string(TWEENERY_TEST_DATA) + "/";

void* Package() {
  // Never closed: the registrations this program receives hold its code.
  static void* handle = dlopen(TWEENPACK_PATH, RTLD_NOW | RTLD_LOCAL);
  return handle;
}

template <class T>
T Symbol(const char* Name) {
  return reinterpret_cast<T>(dlsym(Package(), Name));
}

// The package's defined dynamic symbols, demangled.
std::vector<std::string> ExportedNames() {
  const std::string command = std::string(TWEENERY_NM) + " -D --defined-only -C --format=posix '" + TWEENPACK_PATH + "'";
  std::vector<std::string> names;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return names;
  char line[4096];
  while (fgets(line, sizeof line, pipe)) {
    std::string text(line);
    // posix format: "<name> <type> <value> [<size>]"; names hold spaces.
    const std::regex row(R"(^(.*) ([A-Za-z]) [0-9a-f]+( [0-9a-f]+)?\s*$)");
    std::smatch m;
    if (std::regex_match(text, m, row)) names.push_back(m[1]);
  }
  pclose(pipe);
  return names;
}

const char* const kEffects[] = {
    "Push", "Blinds", "Checkerboard", "Crush", "ReverseCrush", "MonoReveal", "ReverseMonoReveal", "Reveal",
    "ReverseReveal", "Iris", "MonoSlider", "ReverseMonoSlider", "Slider", "ReverseSlider", "Strip", "Zoom",
    "Fade", "Mosaic", "Blend", "Glide", "ReverseGlide", "Replace", "RGB", "RGBBlend", "Spiral", "CheckerBlinds",
    "Shade", "ShadeContinue", "Squeeze", "ReverseSqueeze", "RandomBars", "TwinRandomBars", "Swarm",
    "ReverseSwarm", "StripedIris", "Roll"};

// The families a loader may find by name.
bool InFamilies(const std::string& Name) {
  static const std::regex families(
      R"(^(TweenpackInfo|TweenpackInitialize|TweenpackFinalize)$)"
      R"(|^tweenery::TTweenery::(TTweenery|~TTweenery)\()"
      R"(|^tweenery::TTweenery::(Clear|GenerateFrame|Paint|SetupFX|Done|Play|Stop|Pause|Resume)\(\)$)"
      R"(|^tweenery::TTweenery::(FromBitmapChanged|ToBitmapChanged|FXTimer)\(tweenery::TObject\*\)$)"
      R"(|^tweenery::TTweenery::Set(About|Active|Color|CurrentFrame|FromBitmap|FromImageFile|ToBitmap|ToImageFile|Delta|Interval|MaintainAspectRatio|Modifier|Operation|Reverse|RGBOrder|Stretch|UseThread|Steps|OnDone)\()"
      R"(|^tweenery::TTweeneryThread::(TTweeneryThread\(tweenery::TTweenery\*\)|Execute\(\)|Next\(\))$)"
      R"(|^tweenery::T(Twin)?RandomBarsFXState::(Init|Done|CreateList|DestroyList)\()"
      R"(|^tweenery::FX[A-Za-z]+\(tweenery::TBitmap\*, tweenery::TBitmap\*, tweenery::TBitmap\*, tweenery::TFXParams const&\)$)"
      R"(|^tweenery::Register\(\)$)"
      R"(|^(typeinfo|typeinfo name|vtable) for tweenery::[A-Za-z]+$)"
      // What the linker itself defines in every shared object.
      R"(|^(_init|_fini|_edata|_end|__bss_start)$)");
  return std::regex_search(Name, families);
}

TEST(PackageLibraryTest, LoadsAndOffersItsEntryPointsAndEffectsByName) {
  ASSERT_NE(Package(), nullptr) << dlerror();
  const auto* info = Symbol<const TTweenpackInfo*>(TweenpackInfoSymbol);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->Size, sizeof(TTweenpackInfo));
  EXPECT_STREQ(info->Name, "tweenpack");
  EXPECT_STREQ(info->Version, "4.1");
  EXPECT_TRUE(info->Flags & TweenpackRunTime);
  EXPECT_TRUE(info->Flags & TweenpackDesignTime);
  ASSERT_NE(info->Contains, nullptr);
  EXPECT_STREQ(info->Contains[0], "Tweenery");
  EXPECT_NE(Symbol<TTweenpackInitialize>(TweenpackInitializeSymbol), nullptr);
  EXPECT_NE(Symbol<TTweenpackFinalize>(TweenpackFinalizeSymbol), nullptr);
  EXPECT_NE(Symbol<TTweenpackRegister>(TweenpackRegisterSymbol), nullptr);
  // Effect functions by their mangled names: callable through the shared signature.
  for (const char* name : {"_ZN8tweenery6FXPushEPNS_7TBitmapES1_S1_RKNS_9TFXParamsE",
                           "_ZN8tweenery6FXFadeEPNS_7TBitmapES1_S1_RKNS_9TFXParamsE",
                           "_ZN8tweenery6FXRollEPNS_7TBitmapES1_S1_RKNS_9TFXParamsE"})
    EXPECT_NE(Symbol<TFXFunction>(name), nullptr) << name;
  // The platform stays inside.
  EXPECT_EQ(dlsym(Package(), "_ZN8tweenery7TBitmap8SetWidthEi"), nullptr);
  EXPECT_EQ(dlsym(Package(), "_ZN8tweenery11ShowMessageERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE"), nullptr);
}

TEST(PackageLibraryTest, ExportsTheListedFamiliesAndNothingElse) {
  const std::vector<std::string> names = ExportedNames();
  ASSERT_FALSE(names.empty());
  std::set<std::string> unique(names.begin(), names.end());
  for (const std::string& name : unique) EXPECT_TRUE(InFamilies(name)) << "exported outside the families: " << name;

  int effects = 0;
  for (const char* effect : kEffects) {
    const std::string name = std::string("tweenery::FX") + effect +
                             "(tweenery::TBitmap*, tweenery::TBitmap*, tweenery::TBitmap*, tweenery::TFXParams const&)";
    effects += unique.count(name) ? 1 : 0;
    EXPECT_TRUE(unique.count(name)) << name;
  }
  EXPECT_EQ(effects, 36);
  for (const char* name :
       {"tweenery::Register()", "tweenery::TTweenery::TTweenery(tweenery::TComponent*)",
        "tweenery::TTweenery::~TTweenery()", "tweenery::TTweenery::SetupFX()", "tweenery::TTweenery::Done()",
        "tweenery::TTweenery::FromBitmapChanged(tweenery::TObject*)", "tweenery::TTweenery::SetDelta(int)",
        "tweenery::TTweenery::SetOperation(tweenery::TTransitionOperation)", "tweenery::TTweeneryThread::Execute()",
        "tweenery::TTweeneryThread::Next()", "tweenery::TTwinRandomBarsFXState::DestroyList(tweenery::TNode*&, tweenery::TNode*&)",
        "typeinfo for tweenery::TTweenery", "typeinfo for tweenery::ETweenBitmapConvert",
        "typeinfo for tweenery::TTransitionOperation", "vtable for tweenery::TTweenery", "TweenpackInfo"})
    EXPECT_TRUE(unique.count(name)) << "not exported: " << name;
  EXPECT_FALSE(unique.count("tweenery::TTweenery::Paused() const"));
}

// Registrations and dialogs of the loaded package reach this program's
// registry and headless services, and the shared last folder lives in the
// package until it is finalised.
TEST(PackageLibraryTest, RegistersIntoItsHostAndEditsThroughTheHostsDialog) {
  ASSERT_NE(Package(), nullptr) << dlerror();
  auto initialize = Symbol<TTweenpackInitialize>(TweenpackInitializeSymbol);
  auto finalize = Symbol<TTweenpackFinalize>(TweenpackFinalizeSymbol);
  auto registerPackage = Symbol<TTweenpackRegister>(TweenpackRegisterSymbol);
  ASSERT_TRUE(initialize && finalize && registerPackage);
  ResetServiceHooks();
  ClearDesignerRegistry();

  TPackageHost stranger;
  stranger.Size = 4;
  EXPECT_EQ(initialize(&stranger), -1);

  TPackageHost host;
  host.Designer = &DesignerHooks();
  host.Services = &ServiceHooks();
  ASSERT_EQ(initialize(&host), 0);
  registerPackage();
  const auto pages = RegisteredComponents();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].Page, "Demo");
  EXPECT_EQ(pages[0].ClassNames, std::vector<std::string>{"TTweenery"});
  ASSERT_EQ(RegisteredPropertyEditors().size(), 2u);

  TTweenery tweenery(nullptr);
  {
    std::unique_ptr<TPropertyEditor> editor = CreatePropertyEditor(&tweenery, "FromImageFile");
    ASSERT_NE(editor, nullptr);
    EXPECT_STREQ(typeid(*editor).name(), "N8tweenery24TImageFilePropertyEditorE");
    EXPECT_EQ(editor->GetAttributes(), unsigned(paDialog));
    HeadlessServices().OpenAnswers.push_back(kData + "rgb24-v3.bmp");
    editor->Edit();
  }
  EXPECT_EQ(tweenery.FromImageFile(), kData + "rgb24-v3.bmp");
  EXPECT_FALSE(tweenery.FromBitmap()->Empty());
  {
    std::unique_ptr<TPropertyEditor> editor = CreatePropertyEditor(&tweenery, "ToImageFile");
    editor->Edit();  // no answer queued: cancelled
  }
  ASSERT_EQ(HeadlessServices().OpenRequests.size(), 2u);
  EXPECT_EQ(HeadlessServices().OpenRequests[0].Title, "Select Image File");
  EXPECT_EQ(HeadlessServices().OpenRequests[1].InitialDir, kData);
  EXPECT_EQ(tweenery.ToImageFile(), "");

  // The registrations hold the package's code: they go before it is finalised.
  ClearDesignerRegistry();
  finalize();
  ASSERT_EQ(initialize(&host), 0);
  registerPackage();
  CreatePropertyEditor(&tweenery, "ToImageFile")->Edit();
  EXPECT_EQ(HeadlessServices().OpenRequests.back().InitialDir, "");
  ClearDesignerRegistry();
  finalize();
  ResetServiceHooks();
}

}  // namespace
