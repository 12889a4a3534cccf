// The command line read into options, and the texts a run writes: event lines and the status
// block's cut to the terminal's width.
#include <gtest/gtest.h>

#include "base/Text.h"
#include "cli/CollectEvent.h"
#include "cli/CollectOptions.h"
#include "cli/StatusBlock.h"

namespace vlmr {
namespace {

TParsedCommandLine Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "vlmr-collect");
  return ParseCollectCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(CollectOptions, ReadsEachCommand) {
  TParsedCommandLine run = Parse({"run", "  广州 电子公司 ", "b", "--engines", "Sogou,360", "--for",
                                  "1.5", "--data", "/srv/x", "--json"});
  ASSERT_EQ(run.outcome, TParsedCommandLine::TOutcome::Options) << run.text;
  const TCollectOptions& o = run.options;
  EXPECT_EQ(o.action, TCollectAction::Run);
  EXPECT_EQ(o.keywords, (std::vector<std::string>{Utf8ToGbk("广州 电子公司"), "b"}));
  EXPECT_FALSE(o.engines.baidu);
  EXPECT_TRUE(o.engines.sogou && o.engines.so360);
  EXPECT_DOUBLE_EQ(o.minutes, 1.5);
  EXPECT_EQ(o.dataFolder, "/srv/x");
  EXPECT_TRUE(o.json);

  TParsedCommandLine all = Parse({"run", "k"});
  ASSERT_EQ(all.outcome, TParsedCommandLine::TOutcome::Options);
  EXPECT_TRUE(all.options.engines.baidu && all.options.engines.sogou && all.options.engines.so360);
  EXPECT_EQ(all.options.minutes, 0);

  TParsedCommandLine out =
      Parse({"export", "k", "--format", "XLS", "--fields", "mobile,url", "-o", "f.xls"});
  ASSERT_EQ(out.outcome, TParsedCommandLine::TOutcome::Options) << out.text;
  EXPECT_EQ(out.options.action, TCollectAction::Export);
  EXPECT_EQ(out.options.format, TExportFormat::Excel);
  EXPECT_EQ(out.options.outputFile, "f.xls");
  for (auto [name, format] :
       {std::pair{"txt", TExportFormat::Text}, std::pair{"xlsx", TExportFormat::Xlsx},
        std::pair{"CSV", TExportFormat::Csv}}) {
    TParsedCommandLine other = Parse({"export", "k", "--format", name, "-o", "f"});
    ASSERT_EQ(other.outcome, TParsedCommandLine::TOutcome::Options) << name;
    EXPECT_EQ(other.options.format, format) << name;
  }
  const TExportFields& f = out.options.fields;
  EXPECT_TRUE(f.mobile && f.webUrl);
  EXPECT_FALSE(f.company || f.qq || f.email || f.address);

  // The window's filter, as options of the export.
  TParsedCommandLine filtered = Parse(
      {"export", "k", "--format", "txt", "-o", "f", "--region", "广东", "--source", "sogou",
       "--with", "landline,wechat", "--name", " 电子 ", "--no-shared", "--fields", "name,wechat"});
  ASSERT_EQ(filtered.outcome, TParsedCommandLine::TOutcome::Options) << filtered.text;
  const TCollectOptions& fo = filtered.options;
  EXPECT_EQ(fo.region, Utf8ToGbk("广东"));
  EXPECT_EQ(fo.filter.source, Utf8ToGbk("搜狗"));
  EXPECT_TRUE(fo.filter.hasLandline && fo.filter.hasWeChat && !fo.filter.hasEmail);
  EXPECT_EQ(fo.filter.name, Utf8ToGbk("电子"));
  EXPECT_TRUE(fo.noShared);
  EXPECT_TRUE(fo.fields.company && fo.fields.wechat && !fo.fields.mobile);
  EXPECT_FALSE(out.options.noShared);
  EXPECT_FALSE(out.options.filter.Active());

  EXPECT_EQ(Parse({"list", "--json"}).options.action, TCollectAction::List);
  TParsedCommandLine help = Parse({"--help"});
  EXPECT_EQ(help.outcome, TParsedCommandLine::TOutcome::Help);
  EXPECT_NE(help.text.find("run"), std::string::npos);
}

TEST(CollectOptions, BadUsageIsOneLine) {
  for (auto args : std::vector<std::vector<const char*>>{
           {},
           {"run"},
           {"run", "k", "--for", "-2"},
           {"export", "a", "b", "--format", "txt", "-o", "x"},
           {"export", "a", "--format", "txt", "-o", "x", "--with", "fax"},
           {"export", "a", "--format", "txt", "-o", "x", "--source", "google"},
           {"list", "extra"},
           {"run", "\xff\xfe"}}) {
    TParsedCommandLine parsed = Parse(args);
    EXPECT_EQ(parsed.outcome, TParsedCommandLine::TOutcome::Usage);
    EXPECT_EQ(parsed.text.find('\n'), std::string::npos) << parsed.text;
    EXPECT_NE(parsed.text.find("--help"), std::string::npos) << parsed.text;
  }
}

TEST(CollectEvent, JsonStringsEscapeWhatJsonMust) {
  EXPECT_EQ(JsonString("a\"b\\c"), R"("a\"b\\c")");
  EXPECT_EQ(JsonString("x\ny\r\tz"), R"("x\ny\r\tz")");
  EXPECT_EQ(JsonString(std::string("\x01\x1f\x7f", 3)), R"("\u0001\u001f\u007f")");
  EXPECT_EQ(JsonString("广州"), "\"广州\"");
}

TEST(CollectEvent, LinesOfEachKind) {
  TComPanyInfo company;
  company.SetComName(Utf8ToGbk("甲\"公司"));
  company.AddMobile("13800000001");
  company.AddMobile("13900000002");
  company.webUrl = "http://a.com/";
  TCollectEvent found;
  found.kind = TCollectEvent::TKind::Company;
  found.keyword = Utf8ToGbk("广州");
  found.company = &company;
  EXPECT_EQ(PlainLine(found), "company\t广州\t甲\"公司\t13800000001,13900000002\thttp://a.com/");
  EXPECT_NE(JsonLine(found).find(R"("name":"甲\"公司","mobiles":["13800000001","13900000002"])"),
            std::string::npos)
      << JsonLine(found);

  TCollectEvent ended;
  ended.kind = TCollectEvent::TKind::Ended;
  ended.keyword = "k";
  ended.end = TTaskEnd::Time;
  ended.companies = 7;
  EXPECT_EQ(JsonLine(ended), R"({"event":"ended","keyword":"k","reason":"time","companies":7})");
  TCollectEvent check;
  check.kind = TCollectEvent::TKind::Verification;
  check.keyword = "k";
  check.engine = ENGINE_360;
  EXPECT_EQ(PlainLine(check), "verification\tk\t360");
}

TEST(StatusBlock, LinesAreCutOnCharactersToTheWidth) {
  EXPECT_EQ(TextColumns("ab广州"), 6);
  EXPECT_EQ(CutToColumns("ab广州", 5), "ab广");
  EXPECT_EQ(CutToColumns("ab广州", 4), "ab广");
  EXPECT_EQ(CutToColumns("ab广州", 3), "ab");
  EXPECT_EQ(CutToColumns("ab广州", 99), "ab广州");

  TRunStatus status;
  status.elapsedMs = 90'000;
  status.keywords.push_back({"广州", "采集中", 3, 10, {4, 2, 1}});
  status.site = "http://www.a.com/";
  const std::vector<std::string> lines = StatusLines(status);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_NE(lines[0].find("00:01:30"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("本次入库 3 家  2.0 家/分钟"), std::string::npos) << lines[0];
  EXPECT_NE(lines[2].find("3/10"), std::string::npos) << lines[2];
  EXPECT_NE(lines[3].find("http://www.a.com/"), std::string::npos);
}

}  // namespace
}  // namespace vlmr
