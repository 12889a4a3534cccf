#include <gtest/gtest.h>

#include "base/Clipboard.h"
#include "base/MessageBox.h"
#include "support/PresetMessageBoxes.h"

namespace vlmr {
namespace {

TEST(MessageBox, KindsAndAnswers) {
  auto boxes = test::TPresetMessageBoxes::Install();
  struct Case {
    int kind;
    int answer;
    int expected;
    bool shown;
  } cases[] = {
      {1, MB_RESULT_OK, 0, true},
      {2, MB_RESULT_OK, 0, true},
      {3, MB_RESULT_CANCEL, 0, true},
      {4, MB_RESULT_OK, MB_RESULT_OK, true},
      {4, MB_RESULT_CANCEL, MB_RESULT_CANCEL, true},
      {4, 0, MB_RESULT_CANCEL, true},  // a closed box counts as Cancel
      {0, MB_RESULT_OK, 0, false},
      {5, MB_RESULT_OK, 0, false},
  };
  std::size_t shown = 0;
  for (const auto& c : cases) {
    boxes->SetDefaultAnswer(c.answer);
    EXPECT_EQ(ShowMessageBox("t", MessageCaption(), c.kind), c.expected) << c.kind;
    if (c.shown)
      ++shown;
    ASSERT_EQ(boxes->Asked().size(), shown) << c.kind;
  }
  EXPECT_EQ(boxes->Asked()[0].caption, MessageCaption());
  InstallMessageBoxService(nullptr);
  // Without a service a question is never taken as consent.
  EXPECT_EQ(ShowMessageBox("t", "c", 4), MB_RESULT_CANCEL);
}

TEST(Clipboard, LocalFallbackKeepsText) {
  SetClipboardText("a\tb");
  EXPECT_EQ(ClipboardText(), "a\tb");
}

}  // namespace
}  // namespace vlmr
