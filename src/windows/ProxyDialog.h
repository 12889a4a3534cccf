// The proxy dialog "代理设置" (设置 → 代理…): the user's proxies as a list, shown by their display
// form (never a password), with what the pool reports of each (state, requests, verification
// pages, failures), refreshed once a second while open; a proxy not yet taken by the pool (added
// here, not saved yet) shows "未启用".
//
// 添加 takes the address box (any form ProxyList.h reads) and, when filled, the user and password
// boxes (a user in the address and another in the box is refused); a bad address or one already
// listed is refused with the reason under the list, and the boxes keep their text. 删除 removes
// the selected rows. 测试 checks the selected proxies, or all when none is selected, on a worker
// thread (TProxyCheckThread): each row says what failed or how long it took, and the window
// stays responsive; closing the dialog stops the check before its next proxy.
//
// 确定 saves the list and the "company sites and filing lookup through the proxies" option
// through the proxy store (mode 0600) and hands them to the pool at once, then closes; a save
// that fails says so and keeps the dialog open with nothing changed. 取消 changes nothing.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "base/LifeLink.h"
#include "net/ProxyCheck.h"
#include "net/ProxyStore.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTimer;

namespace vlmr {

class TProxyCheckThread;

class TProxyDialog : public QDialog {
  Q_OBJECT

 public:
  // Columns of the list.
  enum TColumn {
    ColProxy,
    ColState,
    ColRequests,
    ColVerifications,
    ColFailures,
    ColTest,
    ColCount
  };

  // Reads the list from `store`; a file that cannot be read is said under the list.
  explicit TProxyDialog(TProxyStore store = TProxyStore(), QWidget* parent = nullptr);
  ~TProxyDialog() override;

  // The list and the option as edited so far.
  TProxySettings Settings() const;
  // The page 测试 fetches through each proxy and the time-out (the defaults of ProxyCheck.h).
  void SetCheckTarget(std::string url, int timeoutMs);
  // True while a check runs.
  bool Checking() const { return checkThread_ != nullptr; }

  void AddClick();
  void RemoveClick();
  void TestClick();
  void OkClick();
  // Takes the pool's counters and states into the list.
  void RefreshStatus();

 private:
  struct TRow {
    TProxy proxy;
    QString test;  // the last check's outcome, or empty
    bool testOk = false;
  };

  void Fill();
  void ShowHint(const QString& text, bool error);
  void CheckDone(const std::string& key, const TProxyCheck& check);

  TProxyStore store_;
  std::vector<TRow> rows_;
  std::string checkUrl_ = kProxyCheckUrl;
  int checkTimeoutMs_ = kProxyCheckTimeoutMs;
  TProxyCheckThread* checkThread_ = nullptr;  // running, until its end notification
  int checkFailures_ = 0;
  int checkCount_ = 0;

  QTableWidget* lvproxy_;  // the proxies
  QLineEdit* edtproxy_;    // the address to add
  QLineEdit* edtuser_;
  QLineEdit* edtpass_;
  QPushButton* btnadd_;
  QPushButton* btndel_;
  QPushButton* btntest_;
  QCheckBox* chksites_;  // company sites and the filing lookup through the proxies too
  QLabel* lblhint_;      // the last refusal, a failed save or the check's summary
  QTimer* tmrstatus_;    // refreshes the pool's counters

  TLifeLink<TProxyDialog> life_{*this};
};

// Opens the dialog (one at a time; asked again, the open one comes to the front), non-modal,
// freed when closed.
TProxyDialog* OpenProxyDialog(QWidget* owner);

}  // namespace vlmr
