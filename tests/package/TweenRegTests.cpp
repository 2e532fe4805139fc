// Register and the image-file property editor against the registry, with
// the open-file dialog scripted through the headless service hooks.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "package/TweenReg.h"
#include "platform/Designer.h"
#include "platform/Services.h"
#include "tweenkit/Tweenery.h"

using namespace tweenery;

namespace {

const std::string kData = std::string(TWEENERY_TEST_DATA) + "/";
const std::string kBitmapFile = kData + "rgb24-v3.bmp";
const std::string kJPEGFile = kData + "baseline.jpg";

class TweenRegTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetServiceHooks();
    ResetDesignerHooks();
    ClearDesignerRegistry();
    FinalizeTweenReg();
    Register();
  }
  void TearDown() override {
    ClearDesignerRegistry();
    FinalizeTweenReg();
    ResetServiceHooks();
  }

  // Runs the registered editor of Property with the next dialog answer
  // ("" cancels) and returns the request the dialog saw.
  TOpenDialogRequest EditWith(const std::string& Property, const std::string& Answer) {
    HeadlessServices().OpenAnswers.push_back(Answer);
    std::unique_ptr<TPropertyEditor> editor = CreatePropertyEditor(&FTweenery, Property);
    EXPECT_NE(editor, nullptr);
    if (editor) editor->Edit();
    EXPECT_FALSE(HeadlessServices().OpenRequests.empty());
    return HeadlessServices().OpenRequests.empty() ? TOpenDialogRequest{} : HeadlessServices().OpenRequests.back();
  }

  TTweenery FTweenery{nullptr};
};

TEST_F(TweenRegTest, RegisterPutsTheComponentOnDemoAndTheEditorOnBothFileProperties) {
  const std::vector<TRegisteredPage> pages = RegisteredComponents();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].Page, "Demo");
  EXPECT_EQ(pages[0].ClassNames, std::vector<std::string>{"TTweenery"});

  const TComponentFactory create = FindComponentClass("TTweenery");
  ASSERT_TRUE(create);
  TComponent owner(nullptr);
  TComponent* made = create(&owner);
  ASSERT_NE(dynamic_cast<TTweenery*>(made), nullptr);
  EXPECT_EQ(made->Owner(), &owner);

  const std::vector<TRegisteredPropertyEditor> editors = RegisteredPropertyEditors();
  ASSERT_EQ(editors.size(), 2u);
  EXPECT_EQ(editors[0].PropertyName, "FromImageFile");
  EXPECT_EQ(editors[1].PropertyName, "ToImageFile");
  for (const auto& entry : editors) {
    EXPECT_EQ(entry.PropertyType, FileNameType);
    EXPECT_EQ(entry.ComponentClass, "TTweenery");
  }
  for (const char* property : {"FromImageFile", "ToImageFile"}) {
    std::unique_ptr<TPropertyEditor> editor = CreatePropertyEditor(&FTweenery, property);
    ASSERT_NE(dynamic_cast<TImageFilePropertyEditor*>(editor.get()), nullptr) << property;
    EXPECT_EQ(editor->GetAttributes(), unsigned(paDialog));
    EXPECT_EQ(editor->PropertyName(), property);
  }
  // Other properties, and other classes' properties of the same name, have none.
  EXPECT_EQ(CreatePropertyEditor(&FTweenery, "Color"), nullptr);
  EXPECT_EQ(CreatePropertyEditor(&FTweenery, "NoSuchProperty"), nullptr);
  TComponent plain(nullptr);
  EXPECT_EQ(CreatePropertyEditor(&plain, "FromImageFile"), nullptr);
}

TEST_F(TweenRegTest, EveryRequestCarriesTheTitleFilterIndexOptionsAndThePresetName) {
  FTweenery.SetFromImageFile(kBitmapFile);
  const TOpenDialogRequest first = EditWith("FromImageFile", "");
  EXPECT_EQ(first.Title, "Select Image File");
  EXPECT_EQ(first.Filter,
            "Bitmap files (*.bmp)|*.bmp|JPEG files (*.jpg;*.jpe;*.jpeg)|*.jpg;*.jpe;*.jpeg|"
            "All image files|*.bmp;*.jpg;*.jpe;*.jpeg|All files|*.*");
  EXPECT_EQ(first.FilterIndex, 1);
  EXPECT_EQ(first.Options, unsigned(ofHideReadOnly | ofNoChangeDir | ofFileMustExist));
  EXPECT_EQ(first.FileName, kBitmapFile);
  EXPECT_EQ(first.InitialDir, "");

  const TOpenDialogRequest second = EditWith("ToImageFile", "");
  EXPECT_EQ(second.Title, first.Title);
  EXPECT_EQ(second.Filter, first.Filter);
  EXPECT_EQ(second.FilterIndex, 1);
  EXPECT_EQ(second.Options, first.Options);
  EXPECT_EQ(second.FileName, "");
}

TEST_F(TweenRegTest, ChoosingAFromFileLoadsItAndOpensTheToDialogInItsFolder) {
  EditWith("FromImageFile", kBitmapFile);
  EXPECT_EQ(FTweenery.FromImageFile(), kBitmapFile);
  EXPECT_EQ(FTweenery.FromBitmap()->Width(), 37);
  EXPECT_EQ(LastImageDir(), kData);

  const TOpenDialogRequest to = EditWith("ToImageFile", kJPEGFile);
  EXPECT_EQ(to.InitialDir, kData);
  EXPECT_EQ(FTweenery.ToImageFile(), kJPEGFile);
  // Fitted to the picture on the other side.
  EXPECT_EQ(FTweenery.ToBitmap()->Width(), 37);
  EXPECT_EQ(FTweenery.ToBitmap()->Height(), 23);
  EXPECT_TRUE(HeadlessServices().Messages.empty());
}

TEST_F(TweenRegTest, CancellingLeavesThePropertyAndTheLastFolderUnchanged) {
  EditWith("FromImageFile", kBitmapFile);
  const std::string folder = LastImageDir();
  const TOpenDialogRequest cancelled = EditWith("FromImageFile", "");
  EXPECT_EQ(cancelled.FileName, kBitmapFile);
  EXPECT_EQ(FTweenery.FromImageFile(), kBitmapFile);
  EXPECT_EQ(LastImageDir(), folder);
  EXPECT_EQ(FTweenery.FromBitmap()->Width(), 37);
}

TEST_F(TweenRegTest, TheFolderKeepsItsTrailingSeparatorAndFinalisingForgetsIt) {
  EditWith("FromImageFile", "/");
  EXPECT_EQ(LastImageDir(), "/");
  // A bare name has no folder part: the next dialog opens where the platform chooses.
  EditWith("FromImageFile", "picture.bmp");
  EXPECT_EQ(LastImageDir(), "");
  EditWith("ToImageFile", kBitmapFile);
  EXPECT_EQ(LastImageDir(), kData);
  FinalizeTweenReg();
  EXPECT_EQ(EditWith("FromImageFile", "").InitialDir, "");
}

TEST_F(TweenRegTest, ADesignersWriterReceivesTheChoiceInsteadOfTheProperty) {
  std::unique_ptr<TPropertyEditor> editor = CreatePropertyEditor(&FTweenery, "FromImageFile");
  ASSERT_NE(editor, nullptr);
  std::vector<std::string> writes;
  editor->SetWriter([&](TComponent* Component, const std::string& Name, const std::string& Value) {
    EXPECT_EQ(Component, &FTweenery);
    writes.push_back(Name + "=" + Value);
  });
  HeadlessServices().OpenAnswers.push_back(kBitmapFile);
  editor->Edit();
  EXPECT_EQ(writes, std::vector<std::string>{"FromImageFile=" + kBitmapFile});
  EXPECT_EQ(FTweenery.FromImageFile(), "");
  EXPECT_EQ(LastImageDir(), kData);
}

TEST(PropertyEditorTest, GivesPlainAccessAndRefusesWhatIsNotThere) {
  ClearDesignerRegistry();
  TTweenery tweenery(nullptr);
  EXPECT_THROW(TPropertyEditor(&tweenery, "NoSuchProperty"), EDesignerError);
  EXPECT_THROW(TPropertyEditor(nullptr, "Delta"), EDesignerError);

  TPropertyEditor delta(&tweenery, "Delta");
  EXPECT_EQ(delta.GetValue(), "10");
  delta.SetValue("25");
  EXPECT_EQ(tweenery.Delta(), 25);
  EXPECT_THROW(delta.SetValue("25px"), EDesignerError);
  EXPECT_THROW(delta.SetValue(""), EDesignerError);
  EXPECT_EQ(tweenery.Delta(), 25);
  delta.Edit();  // no dialog of its own
  EXPECT_EQ(delta.GetAttributes(), unsigned(paMultiSelect | paRevertable));

  TPropertyEditor picture(&tweenery, "FromBitmap");
  EXPECT_EQ(picture.GetValue(), "(TBitmap)");
  EXPECT_THROW(picture.SetValue("x"), EDesignerError);
}

TEST(DesignerRegistryTest, TheLatestMatchingRegistrationWinsAndEmptyNamesMatchAny) {
  ClearDesignerRegistry();
  ResetDesignerHooks();
  TTweenery tweenery(nullptr);
  int made = 0;
  const auto counting = [&made](int Id) {
    return [&made, Id](TComponent* C, const std::string& P) {
      made = Id;
      return std::make_unique<TPropertyEditor>(C, P);
    };
  };
  RegisterPropertyEditor("string", "", "", counting(1));
  RegisterPropertyEditor("Integer", "TTweenery", "Delta", counting(2));
  RegisterPropertyEditor("TColor", "TTweenery", "Delta", counting(3));  // wrong type: never used
  EXPECT_NE(CreatePropertyEditor(&tweenery, "ToImageFile"), nullptr);
  EXPECT_EQ(made, 1);
  EXPECT_NE(CreatePropertyEditor(&tweenery, "Delta"), nullptr);
  EXPECT_EQ(made, 2);
  RegisterComponents("Demo", {{"A", nullptr}});
  RegisterComponents("Other", {{"B", nullptr}});
  RegisterComponents("Demo", {{"C", nullptr}});
  const auto pages = RegisteredComponents();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].ClassNames, (std::vector<std::string>{"A", "C"}));
  ClearDesignerRegistry();
  EXPECT_TRUE(RegisteredComponents().empty());
  EXPECT_EQ(CreatePropertyEditor(&tweenery, "Delta"), nullptr);
}

}  // namespace
