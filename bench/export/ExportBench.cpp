// Exporting one keyword's companies with every field: 100 000 companies to a text file, and
// 60 000 (a worksheet holds 65 536 rows) to a spreadsheet through the built-in writer. Each
// turn builds the lines and writes the whole file, as the save step does.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/Text.h"
#include "export/ExportFile.h"

namespace vlmr {
namespace {

std::vector<std::shared_ptr<TComPanyInfo>> MakeCompanies(int count) {
  std::vector<std::shared_ptr<TComPanyInfo>> companies;
  companies.reserve(static_cast<std::size_t>(count));
  const std::string name = Utf8ToGbk("广州市天河区某某电子科技有限公司");
  const std::string address = Utf8ToGbk("广州市天河区天河路 123 号 4 楼");
  for (int i = 0; i < count; ++i) {
    auto company = std::make_shared<TComPanyInfo>();
    std::string n = std::to_string(i);
    company->SetComName(name + n);
    company->AddMobile("138" + std::string(8 - std::min<std::size_t>(8, n.size()), '0') + n);
    company->AddMobile("139" + std::string(8 - std::min<std::size_t>(8, n.size()), '0') + n);
    company->AddQQ("10" + n);
    company->AddEmail("sales" + n + "@example.cn");
    company->AddEmail("info" + n + "@example.cn");
    company->address = address;
    company->webUrl = "http://www.company" + n + ".cn/contact.html";
    companies.push_back(std::move(company));
  }
  return companies;
}

std::string OutFile(const char* name) {
  static std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "vlmr-export-bench-XXXXXX");
    if (!mkdtemp(pattern.data())) {
      std::abort();
    }
    return pattern;
  }();
  return folder + "/" + name;
}

TExportFields AllFields() {
  TExportFields fields;
  fields.company = fields.mobile = fields.qq = fields.email = fields.address = fields.webUrl = true;
  return fields;
}

void ExportAll(benchmark::State& state, bool text) {
  const auto companies = MakeCompanies(static_cast<int>(state.range(0)));
  const std::string file = OutFile(text ? "out.txt" : "out.xls");
  for (auto _ : state) {
    if (!WriteExport(companies, file, AllFields(), text)) {
      state.SkipWithError("export failed");
      break;
    }
  }
  state.counters["companies"] = static_cast<double>(companies.size());
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(file));
}

void BM_ExportText(benchmark::State& state) {
  ExportAll(state, true);
}
void BM_ExportSpreadsheet(benchmark::State& state) {
  ExportAll(state, false);
}

BENCHMARK(BM_ExportText)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportSpreadsheet)->Arg(60000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vlmr

BENCHMARK_MAIN();
