// A reader's own rules for a description's values (ReadComponentText with
// a TFormCheck): they see every ordinal value with its line before anything
// is set, and what they refuse names the line and leaves the component as
// it was.
#include <gtest/gtest.h>

#include "platform/FormText.h"
#include "tweenkit/Tweenery.h"

namespace tweenery {
namespace {

const char* const kText =
    "object Tweenery: TTweenery\n"
    "  Delta = 3\n"
    "  Width = 2147483647\n"
    "  Operation = toFade\n"
    "end\n";

TEST(FormCheck, SeesEveryOrdinalWithItsLineBeforeAnythingIsSet) {
  TTweenery tweenery(nullptr);
  std::vector<std::pair<std::string, int>> seen;
  ReadComponentText(kText, tweenery, [&](const std::vector<TFormOrdinal>& Values) {
    for (const TFormOrdinal& value : Values) seen.emplace_back(value.Info->Name, value.Line);
    EXPECT_EQ(tweenery.Delta(), 10);  // nothing set yet
    ASSERT_EQ(Values.size(), 3u);
    EXPECT_EQ(Values[1].Value, 2147483647);
    EXPECT_EQ(Values[2].Value, toFade);
  });
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, int>>{{"Delta", 2}, {"Width", 3}, {"Operation", 4}}));
  EXPECT_EQ(tweenery.Delta(), 3);
  EXPECT_EQ(tweenery.Width(), 2147483647);
}

TEST(FormCheck, WhatItRefusesNamesTheLineAndChangesNothing) {
  TTweenery tweenery(nullptr);
  const auto check = [](const std::vector<TFormOrdinal>& Values) {
    for (const TFormOrdinal& value : Values)
      if (value.Info->Name == "Width" && value.Value > 16777215) throw EFormError(value.Line, "too wide");
  };
  try {
    ReadComponentText(kText, tweenery, check);
    FAIL() << "accepted";
  } catch (const EFormError& error) {
    EXPECT_EQ(error.Line(), 3);
    EXPECT_STREQ(error.what(), "Line 3: too wide");
  }
  EXPECT_EQ(tweenery.Delta(), 10);
  EXPECT_EQ(tweenery.Width(), 65);
  EXPECT_EQ(tweenery.Operation(), toPush);
  EXPECT_FALSE(tweenery.IsLoading());
  // Without a check, as before.
  ReadComponentText("object Tweenery: TTweenery\n  Delta = 4\nend\n", tweenery, TFormCheck());
  EXPECT_EQ(tweenery.Delta(), 4);
}

}  // namespace
}  // namespace tweenery
