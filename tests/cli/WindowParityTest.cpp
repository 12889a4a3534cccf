// The window and vlmr-collect over the same simulated web store the same companies, and the
// window started on the collector's folder lists the keyword with its count.
#include <gtest/gtest.h>

#include "app/WindowFixture.h"
#include "cli/CollectProcess.h"
#include "cli/CollectWeb.h"
#include "cli/ScaledClock.h"

namespace vlmr::test {
namespace {

const char* const kKeyword = "广州 电子公司";

// The window's collecting fixture, paced as the collector's test build paces.
class WindowParityTest : public CollectingWindowTest {
 protected:
  void SetUp() override {
    CollectingWindowTest::SetUp();
    TEngineLocks::SetClockForTesting(&scaled_);
    ScriptCompanies(web_, sites_, 1);
  }

  TScaledClock scaled_{5};
};

TEST_F(WindowParityTest, TheCollectorStoresWhatTheWindowStoresAndTheWindowListsIt) {
  NewWindow();
  boxes_->Answer(MB_RESULT_OK);  // "任务已添加成功": start now
  TypeAndAdd(QString::fromUtf8(kKeyword));
  const std::string keyword = Utf8ToGbk(kKeyword);
  ASSERT_TRUE(Until([&] {
    const TKeyData* record = W().Store()->FindKeyword(keyword);
    return record && record->ListCount == 6;
  }));
  // The idle rule ends the task: every worker goes.
  ASSERT_TRUE(Until([&] { return TWorkerRegistry::Count() == 0; }));
  window_.reset();
  const TRows byWindow = StoredCompanies(root_.File("app"));
  ASSERT_EQ(byWindow.size(), 6u);

  const std::string data = root_.File("collector");
  TCollectProcess::TSetup setup;
  setup.args = {"run", kKeyword, "--data", data};
  setup.env = {{"VLMR_TEST_WEB_PORT", std::to_string(web_.Port())},
               {"XDG_CONFIG_HOME", root_.File("config")}};
  setup.folder = root_.Path().string();
  TCollectProcess collector(VLMR_COLLECT_TESTBUILD, setup);
  ASSERT_EQ(collector.Wait(60000), 0) << collector.Out() << collector.Err();
  EXPECT_EQ(StoredCompanies(data), byWindow);

  SetAppFolderOverride(data);
  NewWindow();
  ASSERT_NE(Item(keyword), nullptr);
  EXPECT_EQ(CountText(keyword), "6条");
}

}  // namespace
}  // namespace vlmr::test
