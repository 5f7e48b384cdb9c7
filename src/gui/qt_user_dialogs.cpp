#include "gui/qt_user_dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStringList>
#include <QUrl>

namespace tonvale {

void QtUserDialogs::ShowMessageBox(QWidget* owner, const std::string& text,
                                   const std::string& caption, MessageIcon icon) {
  QMessageBox box(icon == MessageIcon::kExclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                  QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                  owner);
  box.exec();
}

std::optional<std::string> QtUserDialogs::GetOpenFileName(QWidget* owner,
                                                          const FileOpenRequest& request) {
  QFileDialog dialog(owner);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setNameFilter(ToQtFileFilter(request.filter));
  dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  dialog.setOption(QFileDialog::ReadOnly, false);
  if (!request.initialName.empty()) dialog.selectFile(QString::fromStdString(request.initialName));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return QFileInfo(chosen.front()).absoluteFilePath().toStdString();
}

void QtDesktopOpener::OpenDocument(const std::string& documentPath,
                                   const std::string& workingDirectory) {
  QString path = QString::fromStdString(documentPath);
  if (!QFileInfo(path).isFile()) return;
  QProcess opener;
  opener.setProgram(QStringLiteral("xdg-open"));
  opener.setArguments({path});
  opener.setWorkingDirectory(QString::fromStdString(workingDirectory));
  opener.setStandardOutputFile(QProcess::nullDevice());
  opener.setStandardErrorFile(QProcess::nullDevice());
  if (opener.startDetached()) return;
  QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QString ToQtFileFilter(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    if (description.isEmpty()) break;  // the closing "||"
    QString pattern = parts[i + 1];
    pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
    QString own = QStringLiteral("(%1)").arg(pattern);
    entries << (description.endsWith(own) ? description
                                          : QStringLiteral("%1 %2").arg(description, own));
  }
  return entries.join(QStringLiteral(";;"));
}

}  // namespace tonvale
