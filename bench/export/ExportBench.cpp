// Exporting one keyword's companies with every field: 100 000 companies to a text file, 60 000
// (a BIFF worksheet holds 65 536 rows) to a spreadsheet through the built-in writer, 100 000
// and 1 000 000 to XLSX, 100 000 to UTF-8 CSV. Each turn builds the rows and writes the whole
// file, as the save step does. The XLSX runs also report the peak resident memory the export
// added above what the process held before it (the records included), in MB.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/Text.h"
#include "export/ExportFile.h"
#include "support/TempFolder.h"

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

// A temporary folder of the run's own, removed with everything in it when the run ends.
std::string OutFile(const char* name) {
  static test::TTempFolder folder;
  return folder.File(name);
}

TExportFields AllFields() {
  TExportFields fields;
  fields.company = fields.mobile = fields.qq = fields.email = fields.address = fields.webUrl = true;
  return fields;
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.compare(0, prefix.size(), prefix) == 0) {
      return std::stol(line.substr(prefix.size()));
    }
  }
  return 0;
}

// Makes the peak resident size start again from the present one.
void ResetPeakRss() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

void ExportAll(benchmark::State& state, TExportFormat format) {
  const auto companies = MakeCompanies(static_cast<int>(state.range(0)));
  const std::string file = OutFile(("out." + std::string(ExportExtension(format))).c_str());
  long addedKb = 0;
  for (auto _ : state) {
    ResetPeakRss();
    const long baseKb = StatusKb("VmRSS");
    if (!WriteExport(companies, file, AllFields(), format, "bench")) {
      state.SkipWithError("export failed");
      break;
    }
    addedKb = std::max(addedKb, StatusKb("VmHWM") - baseKb);
  }
  state.counters["companies"] = static_cast<double>(companies.size());
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(file));
  state.counters["peak_rss_added_MB"] = static_cast<double>(addedKb) / 1024;
}

void BM_ExportText(benchmark::State& state) {
  ExportAll(state, TExportFormat::Text);
}
void BM_ExportSpreadsheet(benchmark::State& state) {
  ExportAll(state, TExportFormat::Excel);
}
void BM_ExportXlsx(benchmark::State& state) {
  ExportAll(state, TExportFormat::Xlsx);
}
void BM_ExportCsv(benchmark::State& state) {
  ExportAll(state, TExportFormat::Csv);
}

BENCHMARK(BM_ExportText)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportSpreadsheet)->Arg(60000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportXlsx)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportXlsx)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportCsv)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vlmr

BENCHMARK_MAIN();
