#include "windows/ProxyDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "engine/ProxyPool.h"
#include "net/ProxyCheckThread.h"
#include "windows/GuiText.h"
#include "windows/OneWindow.h"

namespace vlmr {
namespace {

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

constexpr int kRefreshMs = 1000;

}  // namespace

TProxyDialog::TProxyDialog(TProxyStore store, QWidget* parent)
    : QDialog(parent), store_(std::move(store)) {
  setObjectName("fmproxy");
  setWindowTitle(U("代理设置"));

  lvproxy_ = new QTableWidget(0, ColCount, this);
  lvproxy_->setObjectName("lvproxy");
  lvproxy_->setHorizontalHeaderLabels(
      {U("代理"), U("状态"), U("请求"), U("验证页"), U("失败"), U("测试结果")});
  lvproxy_->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvproxy_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lvproxy_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvproxy_->verticalHeader()->setVisible(true);
  lvproxy_->setWordWrap(false);
  QHeaderView* header = lvproxy_->horizontalHeader();
  header->setSectionResizeMode(ColProxy, QHeaderView::Stretch);
  for (int c : {ColState, ColRequests, ColVerifications, ColFailures}) {
    header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
  }
  header->setSectionResizeMode(ColTest, QHeaderView::Interactive);
  lvproxy_->setColumnWidth(ColTest, 190);

  auto* empty = new QLabel(U("还没有代理。在下面填写代理地址后点“添加”。"), lvproxy_->viewport());
  empty->setObjectName("lblempty");
  empty->setAlignment(Qt::AlignCenter);
  empty->setStyleSheet("color: #808080;");
  auto* emptyRows = new QVBoxLayout(lvproxy_->viewport());
  emptyRows->addWidget(empty);

  edtproxy_ = new QLineEdit(this);
  edtproxy_->setObjectName("edtproxy");
  edtproxy_->setPlaceholderText(U("例如 http://1.2.3.4:8080、socks5://用户:密码@主机:1080"));
  edtuser_ = new QLineEdit(this);
  edtuser_->setObjectName("edtuser");
  edtuser_->setPlaceholderText(U("可不填"));
  edtpass_ = new QLineEdit(this);
  edtpass_->setObjectName("edtpass");
  edtpass_->setEchoMode(QLineEdit::Password);
  edtpass_->setPlaceholderText(U("可不填"));
  btnadd_ = new QPushButton(U("添加"), this);
  btnadd_->setObjectName("btnadd");
  btndel_ = new QPushButton(U("删除"), this);
  btndel_->setObjectName("btndel");
  btntest_ = new QPushButton(U("测试"), this);
  btntest_->setObjectName("btntest");
  btntest_->setToolTip(U("通过选中的代理（未选中时为全部代理）访问百度首页"));
  chksites_ = new QCheckBox(U("企业网站和备案查询也通过代理"), this);
  chksites_->setObjectName("chksites");
  lblhint_ = new QLabel(this);
  lblhint_->setObjectName("lblhint");
  lblhint_->setWordWrap(true);
  lblhint_->setTextFormat(Qt::PlainText);
  auto* note =
      new QLabel(U("设置代理后，搜索引擎的结果页总是通过代理获取，各代理轮流使用、分别计时。"
                   "密码只保存在本机的设置文件中（仅本人可读）。"),
                 this);
  note->setObjectName("lblnote");
  note->setWordWrap(true);
  note->setStyleSheet("color: #606060;");

  auto* ok = new QPushButton(U("确定"), this);
  ok->setObjectName("btnok");
  ok->setDefault(false);
  ok->setAutoDefault(false);
  auto* cancel = new QPushButton(U("取消"), this);
  cancel->setObjectName("btncancel");
  cancel->setAutoDefault(false);
  for (QPushButton* b : {btnadd_, btndel_, btntest_, ok, cancel}) {
    b->setMinimumWidth(80);
    b->setAutoDefault(false);
  }
  btnadd_->setDefault(true);

  auto* entry = new QGridLayout;
  entry->addWidget(new QLabel(U("代理地址："), this), 0, 0);
  entry->addWidget(edtproxy_, 0, 1, 1, 3);
  entry->addWidget(btnadd_, 0, 4);
  entry->addWidget(new QLabel(U("用户名："), this), 1, 0);
  entry->addWidget(edtuser_, 1, 1);
  entry->addWidget(new QLabel(U("密码："), this), 1, 2);
  entry->addWidget(edtpass_, 1, 3);
  entry->setColumnStretch(1, 1);
  entry->setColumnStretch(3, 1);

  auto* listButtons = new QHBoxLayout;
  listButtons->addWidget(btndel_);
  listButtons->addWidget(btntest_);
  listButtons->addStretch();
  listButtons->addWidget(chksites_);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(ok);
  bottom->addWidget(cancel);

  auto* rows = new QVBoxLayout(this);
  rows->addWidget(lvproxy_, 1);
  rows->addLayout(listButtons);
  rows->addWidget(lblhint_);
  rows->addLayout(entry);
  rows->addWidget(note);
  rows->addLayout(bottom);
  resize(720, 460);
  setMinimumSize(600, 380);

  connect(btnadd_, &QPushButton::clicked, this, [this] { AddClick(); });
  connect(btndel_, &QPushButton::clicked, this, [this] { RemoveClick(); });
  connect(btntest_, &QPushButton::clicked, this, [this] { TestClick(); });
  connect(ok, &QPushButton::clicked, this, [this] { OkClick(); });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });

  int bad = 0;
  std::string problem;
  const TProxySettings settings = store_.Load(&bad, &problem);
  for (const TProxy& p : settings.proxies) {
    rows_.push_back({p, {}, false});
  }
  chksites_->setChecked(settings.sitesThroughProxies);
  if (!problem.empty()) {
    ShowHint(FromGbk(problem), true);
  } else if (bad > 0) {
    ShowHint(U("设置文件中有 %1 个无法识别的代理，已略去；点“确定”后不再保存它们。").arg(bad),
             true);
  }
  Fill();

  tmrstatus_ = new QTimer(this);
  tmrstatus_->setObjectName("tmrstatus");
  connect(tmrstatus_, &QTimer::timeout, this, [this] { RefreshStatus(); });
  tmrstatus_->start(kRefreshMs);
}

TProxyDialog::~TProxyDialog() {
  OneWindowOf<TProxyDialog>().Forget(this);
  life_.Cut();
  if (checkThread_) {
    checkThread_->Terminate();
  }
}

TProxySettings TProxyDialog::Settings() const {
  TProxySettings settings;
  for (const TRow& r : rows_) {
    settings.proxies.push_back(r.proxy);
  }
  settings.sitesThroughProxies = chksites_->isChecked();
  return settings;
}

void TProxyDialog::SetCheckTarget(std::string url, int timeoutMs) {
  checkUrl_ = std::move(url);
  checkTimeoutMs_ = timeoutMs;
}

void TProxyDialog::ShowHint(const QString& text, bool error) {
  lblhint_->setStyleSheet(error ? "color: #c00000;" : "color: #006000;");
  lblhint_->setText(text);
}

void TProxyDialog::Fill() {
  lvproxy_->setRowCount(static_cast<int>(rows_.size()));
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const int row = static_cast<int>(i);
    for (int c = 0; c < ColCount; ++c) {
      if (!lvproxy_->item(row, c)) {
        auto* item = new QTableWidgetItem;
        if (c != ColProxy && c != ColTest) {
          item->setTextAlignment(Qt::AlignCenter);
        }
        lvproxy_->setItem(row, c, item);
      }
    }
    lvproxy_->item(row, ColProxy)->setText(FromGbk(rows_[i].proxy.Display()));
    QTableWidgetItem* test = lvproxy_->item(row, ColTest);
    test->setText(rows_[i].test);
    test->setToolTip(rows_[i].test);
    test->setForeground(rows_[i].testOk ? QColor(0, 120, 0) : QColor(192, 0, 0));
  }
  lvproxy_->viewport()->findChild<QLabel*>("lblempty")->setVisible(rows_.empty());
  RefreshStatus();
}

void TProxyDialog::RefreshStatus() {
  const std::vector<TProxyStatus> statuses = TProxyPool::Status();
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const int row = static_cast<int>(i);
    const std::string key = rows_[i].proxy.Key();
    auto it = std::find_if(statuses.begin(), statuses.end(),
                           [&](const TProxyStatus& s) { return s.key == key; });
    const bool known = it != statuses.end();
    lvproxy_->item(row, ColState)
        ->setText(known ? FromGbk(ProxyStateText(it->state)) : U("未启用"));
    lvproxy_->item(row, ColRequests)->setText(known ? QString::number(it->requests) : U("-"));
    lvproxy_->item(row, ColVerifications)
        ->setText(known ? QString::number(it->verifications) : U("-"));
    lvproxy_->item(row, ColFailures)->setText(known ? QString::number(it->failures) : U("-"));
  }
}

void TProxyDialog::AddClick() {
  TProxy proxy;
  const TProxyError error = ParseProxy(ToGbk(edtproxy_->text()), proxy);
  if (error != TProxyError::None) {
    ShowHint(U("代理地址无效：") + FromGbk(ProxyErrorText(error)), true);
    edtproxy_->setFocus();
    return;
  }
  const std::string user = ToGbk(edtuser_->text());
  const std::string password = ToGbk(edtpass_->text());
  if (!user.empty() || !password.empty()) {
    if (!proxy.user.empty() || !proxy.password.empty()) {
      ShowHint(FromGbk(ProxyErrorText(TProxyError::TwoCredentials)), true);
      return;
    }
    proxy.user = user;
    proxy.password = password;
  }
  const std::string key = proxy.Key();
  if (std::any_of(rows_.begin(), rows_.end(),
                  [&](const TRow& r) { return r.proxy.Key() == key; })) {
    ShowHint(U("这个代理已在列表中：") + FromGbk(proxy.Display()), true);
    return;
  }
  rows_.push_back({proxy, {}, false});
  Fill();
  edtproxy_->clear();
  edtuser_->clear();
  edtpass_->clear();
  ShowHint(U("已添加 ") + FromGbk(proxy.Display()) + U("，点“确定”后生效。"), false);
}

void TProxyDialog::RemoveClick() {
  std::set<int> selected;
  for (const QModelIndex& index : lvproxy_->selectionModel()->selectedRows()) {
    selected.insert(index.row());
  }
  if (selected.empty()) {
    ShowHint(U("请先在列表中选择要删除的代理。"), true);
    return;
  }
  for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
    rows_.erase(rows_.begin() + *it);
  }
  lvproxy_->clearSelection();
  Fill();
  ShowHint(U("已删除 %1 个代理，点“确定”后生效。").arg(selected.size()), false);
}

void TProxyDialog::TestClick() {
  if (checkThread_) {
    return;
  }
  std::set<int> selected;
  for (const QModelIndex& index : lvproxy_->selectionModel()->selectedRows()) {
    selected.insert(index.row());
  }
  std::vector<TProxy> proxies;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (selected.empty() || selected.count(static_cast<int>(i))) {
      proxies.push_back(rows_[i].proxy);
      rows_[i].test = U("正在测试…");
      rows_[i].testOk = true;
    }
  }
  if (proxies.empty()) {
    ShowHint(U("列表中没有代理可测试。"), true);
    return;
  }
  Fill();
  checkFailures_ = 0;
  checkCount_ = 0;
  btntest_->setEnabled(false);
  ShowHint(U("正在测试 %1 个代理…").arg(proxies.size()), false);
  std::vector<std::string> keys;
  for (const TProxy& p : proxies) {
    keys.push_back(p.Key());
  }
  TLifeToken<TProxyDialog> token = life_.Token();
  checkThread_ = TProxyCheckThread::Launch(
      std::move(proxies),
      [token, keys](std::size_t index, const TProxyCheck& check) {
        token.With([&](TProxyDialog& d) { d.CheckDone(keys[index], check); });
      },
      [token] {
        token.With([](TProxyDialog& d) {
          d.checkThread_ = nullptr;
          d.btntest_->setEnabled(true);
          d.ShowHint(
              d.checkFailures_ == 0
                  ? U("测试完成：%1 个代理全部可用。").arg(d.checkCount_)
                  : U("测试完成：%1 个代理中 %2 个失败。").arg(d.checkCount_).arg(d.checkFailures_),
              d.checkFailures_ > 0);
        });
      },
      checkUrl_, checkTimeoutMs_);
}

void TProxyDialog::CheckDone(const std::string& key, const TProxyCheck& check) {
  ++checkCount_;
  if (!check.ok) {
    ++checkFailures_;
  }
  for (TRow& r : rows_) {
    if (r.proxy.Key() == key) {
      r.test = FromGbk(check.text);
      r.testOk = check.ok;
    }
  }
  Fill();
}

void TProxyDialog::OkClick() {
  const TProxySettings settings = Settings();
  if (!store_.Save(settings)) {
    ShowHint(
        U("无法保存代理设置到 ") + QString::fromStdString(store_.Path()) + U("，设置没有改变。"),
        true);
    return;
  }
  TProxyPool::Configure(settings);
  accept();
}

TProxyDialog* OpenProxyDialog(QWidget* owner) {
  TProxyDialog* dialog = OneWindowOf<TProxyDialog>().Current();
  if (!dialog) {
    dialog = new TProxyDialog(TProxyStore(), owner);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    OneWindowOf<TProxyDialog>().Remember(dialog);
  }
  BringToFront(dialog);
  return dialog;
}

}  // namespace vlmr
