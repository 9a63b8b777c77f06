#include "app/dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

#include <vector>

namespace mosaicer {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::optional<std::string> Chosen(const QString& path) {
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

}  // namespace

std::string QtFilter(const std::string& filter) {
  // Pairs of caption and pattern; Qt reads the pattern from the caption.
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = filter.find('|', start);
    parts.push_back(
        filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  std::string out;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (!out.empty()) out += ";;";
    const std::string& caption = parts[i];
    const std::string pattern = parts[i + 1] == "*.*" ? "*" : parts[i + 1];
    out += caption.find('(') == std::string::npos ? caption + " (" + pattern + ")" : caption;
  }
  return out;
}

std::optional<std::string> QtDialogs::OpenFile(QWidget* parent, const std::string& folder,
                                               const std::string& filter) {
  return Chosen(QFileDialog::getOpenFileName(parent, QString(), Q(folder), Q(QtFilter(filter))));
}

std::optional<std::string> QtDialogs::SaveFile(QWidget* parent, const std::string& title,
                                               const std::string& folder, const std::string& filter,
                                               const std::string& defaultExtension) {
  QFileDialog dialog(parent, Q(title), Q(folder), Q(QtFilter(filter)));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // The windows ask before replacing a file themselves.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  std::string extension = defaultExtension;
  if (!extension.empty() && extension.front() == '.') extension.erase(0, 1);
  dialog.setDefaultSuffix(Q(extension));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return Chosen(dialog.selectedFiles().front());
}

std::optional<std::string> QtDialogs::ChooseFolder(QWidget* parent, const std::string& title,
                                                   const std::string& folder) {
  return Chosen(QFileDialog::getExistingDirectory(parent, Q(title), Q(folder)));
}

std::optional<std::uint32_t> QtDialogs::ChooseColour(QWidget* parent, std::uint32_t colour) {
  const QColor initial(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
  const QColor chosen = QColorDialog::getColor(initial, parent);
  if (!chosen.isValid()) return std::nullopt;
  return static_cast<std::uint32_t>(chosen.red()) |
         static_cast<std::uint32_t>(chosen.green()) << 8 |
         static_cast<std::uint32_t>(chosen.blue()) << 16;
}

bool QtDialogs::Confirm(QWidget* parent, const std::string& text) {
  return QMessageBox::question(parent, QApplication::applicationName(), Q(text),
                               QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

void QtDialogs::Error(QWidget* parent, const std::string& text) {
  QMessageBox::critical(parent, QApplication::applicationName(), Q(text));
}

void QtDialogs::Information(QWidget* parent, const std::string& text) {
  QMessageBox::information(parent, QApplication::applicationName(), Q(text));
}

void QtDialogs::Beep() { QApplication::beep(); }

}  // namespace mosaicer
