#include "app/dialogs.h"
#include "app/tr.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrl>

#include <cstdio>
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

std::optional<std::string> QtDialogs::OpenFile(QWidget* parent, const std::string& title,
                                               const std::string& folder,
                                               const std::string& filter) {
  return Chosen(QFileDialog::getOpenFileName(parent, Q(title), Q(folder), Q(QtFilter(filter))));
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
  // A name typed without an extension takes the one of the type chosen in
  // the list ("*.mp3"), or the default for "All Files".
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                   [&dialog, fallback = Q(extension)](const QString& chosen) {
                     const qsizetype star = chosen.indexOf(QLatin1String("(*."));
                     const qsizetype end = chosen.indexOf(QRegularExpression(QStringLiteral("[ ;)]")),
                                                          star + 3);
                     const QString suffix =
                         star < 0 || end < 0 ? QString() : chosen.mid(star + 3, end - star - 3);
                     dialog.setDefaultSuffix(suffix.isEmpty() || suffix == QLatin1String("*")
                                                 ? fallback
                                                 : suffix);
                   });
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return Chosen(dialog.selectedFiles().front());
}

std::optional<std::string> QtDialogs::ChooseFolder(QWidget* parent, const std::string& title,
                                                   const std::string& folder) {
  return Chosen(QFileDialog::getExistingDirectory(parent, Q(title), Q(folder)));
}

std::optional<std::uint32_t> QtDialogs::ChooseColour(QWidget* parent, std::uint32_t colour,
                                                     std::vector<std::string>& customColours) {
  for (const std::string& line : customColours) {
    const auto parsed = ParseCustomColourLine(line);
    if (parsed) QColorDialog::setCustomColor(parsed->first, ToQColor(parsed->second));
  }
  const QColor chosen = QColorDialog::getColor(ToQColor(colour), parent);
  customColours.clear();
  for (int i = 0; i < QColorDialog::customCount() && i < kCustomColourCount; ++i)
    customColours.push_back(CustomColourLineFor(i, FromQColor(QColorDialog::customColor(i))));
  if (!chosen.isValid()) return std::nullopt;
  return FromQColor(chosen);
}

bool QtDialogs::Confirm(QWidget* parent, const std::string& text) {
  return QMessageBox::question(parent, QApplication::applicationName(), Q(text),
                               QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

SaveAnswer QtDialogs::AskSave(QWidget* parent, const std::string& text) {
  QMessageBox box(QMessageBox::Question, QApplication::applicationName(), Q(text),
                  QMessageBox::NoButton, parent);
  QPushButton* save = box.addButton(Tq("&Save"), QMessageBox::AcceptRole);
  QPushButton* discard = box.addButton(Tq("Do&n't Save"), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(Tq("Cancel"), QMessageBox::RejectRole);
  save->setObjectName("SaveButton");
  discard->setObjectName("DiscardButton");
  cancel->setObjectName("CancelButton");
  box.setDefaultButton(save);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == save) return SaveAnswer::Save;
  if (box.clickedButton() == discard) return SaveAnswer::Discard;
  return SaveAnswer::Cancel;
}

void QtDialogs::Error(QWidget* parent, const std::string& text) {
  QMessageBox::critical(parent, QApplication::applicationName(), Q(text));
}

void QtDialogs::Information(QWidget* parent, const std::string& text) {
  // A plain message: no icon, just the text and OK.
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), Q(text), QMessageBox::Ok,
                  parent);
  box.exec();
}

void QtDialogs::Beep() { QApplication::beep(); }

bool QtDialogs::OpenUrl(const std::string& url) { return QDesktopServices::openUrl(QUrl(Q(url))); }

QColor ToQColor(std::uint32_t colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

std::uint32_t FromQColor(const QColor& colour) {
  return static_cast<std::uint32_t>(colour.red()) |
         static_cast<std::uint32_t>(colour.green()) << 8 |
         static_cast<std::uint32_t>(colour.blue()) << 16;
}

std::string CustomColourLineFor(int index, std::uint32_t colour) {
  char text[16];
  std::snprintf(text, sizeof text, "Color%c=%06X", 'A' + index, colour & 0xFFFFFFu);
  return text;
}

std::optional<std::pair<int, std::uint32_t>> ParseCustomColourLine(const std::string& line) {
  // "Color" + letter + "=" + hex
  constexpr std::size_t kValueStart = 7;
  if (line.size() <= kValueStart || line.compare(0, 5, "Color") != 0 || line[6] != '=')
    return std::nullopt;
  const int index = line[5] - 'A';
  if (index < 0 || index >= kCustomColourCount) return std::nullopt;
  std::uint32_t value = 0;
  for (std::size_t i = kValueStart; i < line.size(); ++i) {
    const char c = line[i];
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else
      return std::nullopt;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
    if (value > 0xFFFFFFu) return std::nullopt;
  }
  return std::make_pair(index, value);
}

}  // namespace mosaicer
