#include "windows/FileDialog.h"
#include "base/Guarded.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace vlmr {
namespace {

class TQtFileDialogService : public TFileDialogService {
 public:
  std::optional<std::string> AskSaveFileName(const TSaveDialogRequest& request) override {
    QFileDialog dialog;
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);  // the caller asks
    dialog.setNameFilter(
        QString::fromStdString(request.filterName + " (" + request.filterPattern + ")"));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    // The last folder saved to, else the user's documents rather than the current folder.
    dialog.setDirectory(request.folder.empty()
                            ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                            : QString::fromStdString(request.folder));
    dialog.selectFile(QString::fromStdString(request.proposedName));
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
      return std::nullopt;
    }
    return QDir::toNativeSeparators(dialog.selectedFiles().first()).toStdString();
  }
};

TGuarded<std::shared_ptr<TFileDialogService>>& Service() {
  static TGuarded<std::shared_ptr<TFileDialogService>> s(std::make_shared<TQtFileDialogService>());
  return s;
}

}  // namespace

void InstallFileDialogService(std::shared_ptr<TFileDialogService> service) {
  Service().Set(service ? std::move(service) : std::make_shared<TQtFileDialogService>());
}

std::optional<std::string> AskSaveFileName(const TSaveDialogRequest& request) {
  return Service().Get()->AskSaveFileName(request);
}

}  // namespace vlmr
