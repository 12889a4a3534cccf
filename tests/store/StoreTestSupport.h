// A keyword store on a fresh program folder, with its events recorded and a settable clock.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "store/KeyListInfo.h"
#include "store/StoreFixture.h"

namespace vlmr::test {

class TStoreTest : public TStoreFolder {
 protected:
  void TearDown() override {
    store_.reset();
    TStoreFolder::TearDown();
  }

  // Opens the store the way the window does: create, hook the events, load the keywords.
  TKeyListInfo& Open() {
    store_.reset();
    store_ = std::make_unique<TKeyListInfo>([this] { return now_; });
    store_->OnKeywordAdded = [this](TKeyListInfo&, TKeyData& record) {
      added_.push_back(record.Keyword);
    };
    store_->OnCompaniesLoaded = [this](TKeyListInfo&, const std::string& keyword) {
      loaded_.push_back(keyword);
    };
    store_->OnCompanySaved = [this](TKeyListInfo&, const std::string& keyword,
                                    const std::shared_ptr<TComPanyInfo>& company) {
      saved_.emplace_back(keyword, company);
    };
    store_->LoadKeywords();
    return *store_;
  }

  TKeyListInfo& Store() { return *store_; }

  static TComPanyInfo Company(const std::string& name, std::vector<std::string> mobiles,
                              std::vector<std::string> tels = {}) {
    TComPanyInfo company;
    company.SetComName(name);
    for (const auto& m : mobiles) {
      company.AddMobile(m);
    }
    for (const auto& t : tels) {
      company.AddTel(t);
    }
    return company;
  }

  // Saves a company with one mobile number; true when the store kept it.
  bool Save(const std::string& keyword, const std::string& name) {
    std::size_t before = saved_.size();
    Store().SaveCompany(keyword, Company(name, {"13800000000"}));
    return saved_.size() == before + 1;
  }

  // Loads a keyword's companies and waits for the answer.
  bool LoadAndWait(const std::string& keyword) {
    std::size_t before = loaded_.size();
    Store().LoadCompanies(keyword);
    return PumpUntil([&] { return loaded_.size() > before && TWorkerRegistry::Count() == 0; });
  }

  std::vector<std::string> NamesOf(const std::string& keyword) {
    std::vector<std::string> names;
    if (const TCompanyList* list = Store().CompanyListOf(keyword)) {
      for (const auto& company : *list) {
        names.push_back(company->GetComName());
      }
    }
    return names;
  }

  std::int64_t now_ = 1000;
  std::unique_ptr<TKeyListInfo> store_;
  std::vector<std::string> added_;
  std::vector<std::string> loaded_;
  std::vector<std::pair<std::string, std::shared_ptr<TComPanyInfo>>> saved_;
};

}  // namespace vlmr::test
