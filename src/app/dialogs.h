// Every question, message, file, folder and colour dialog and beep of the
// windows goes through this seam: production shows Qt's dialogs, tests
// answer from a script and fail on any prompt they did not expect.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QColor;
class QWidget;

namespace mosaicer {

// The answers to "save the changes first?".
enum class SaveAnswer { Save, Discard, Cancel };

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // File dialogs: `filter` is in the "Name (*.ext)|*.ext|All Files|*.*"
  // form the windows give; nothing when the user cancels.
  virtual std::optional<std::string> OpenFile(QWidget* parent, const std::string& title,
                                              const std::string& folder,
                                              const std::string& filter) = 0;
  virtual std::optional<std::string> SaveFile(QWidget* parent, const std::string& title,
                                              const std::string& folder, const std::string& filter,
                                              const std::string& defaultExtension) = 0;
  virtual std::optional<std::string> ChooseFolder(QWidget* parent, const std::string& title,
                                                  const std::string& folder) = 0;
  // 0x00BBGGRR colours, as the settings keep them. `customColours` holds the
  // dialog's custom colours as lines "ColorA=BBGGRR" .. "ColorP=BBGGRR" (hex);
  // the dialog starts from them and writes back the ones the user left.
  virtual std::optional<std::uint32_t> ChooseColour(QWidget* parent, std::uint32_t colour,
                                                    std::vector<std::string>& customColours) = 0;

  // A confirmation with OK and Cancel: true for OK.
  virtual bool Confirm(QWidget* parent, const std::string& text) = 0;
  // Before unsaved work would be thrown away: save it, throw it away, or
  // keep it and do nothing.
  virtual SaveAnswer AskSave(QWidget* parent, const std::string& text) = 0;
  virtual void Error(QWidget* parent, const std::string& text) = 0;
  // A plain message with OK.
  virtual void Information(QWidget* parent, const std::string& text) = 0;
  virtual void Beep() = 0;
  // Opens a web page with the desktop's default handler. False when it could
  // not be handed over.
  virtual bool OpenUrl(const std::string& url) = 0;
};

// Qt's own dialogs, message boxes and beep.
class QtDialogs : public Dialogs {
 public:
  std::optional<std::string> OpenFile(QWidget* parent, const std::string& title,
                                      const std::string& folder,
                                      const std::string& filter) override;
  std::optional<std::string> SaveFile(QWidget* parent, const std::string& title,
                                      const std::string& folder, const std::string& filter,
                                      const std::string& defaultExtension) override;
  std::optional<std::string> ChooseFolder(QWidget* parent, const std::string& title,
                                          const std::string& folder) override;
  std::optional<std::uint32_t> ChooseColour(QWidget* parent, std::uint32_t colour,
                                            std::vector<std::string>& customColours) override;
  bool Confirm(QWidget* parent, const std::string& text) override;
  SaveAnswer AskSave(QWidget* parent, const std::string& text) override;
  void Error(QWidget* parent, const std::string& text) override;
  void Information(QWidget* parent, const std::string& text) override;
  void Beep() override;
  bool OpenUrl(const std::string& url) override;
};

// Colour values between the settings' 0x00BBGGRR and Qt.
QColor ToQColor(std::uint32_t colour);
std::uint32_t FromQColor(const QColor& colour);

// The colour dialog's custom colours as it keeps them: "ColorA=BBGGRR" for
// the first of 16, "ColorB=..." for the second, and so on.
inline constexpr int kCustomColourCount = 16;
std::string CustomColourLineFor(int index, std::uint32_t colour);
// The index and colour of such a line; nothing for any other text.
std::optional<std::pair<int, std::uint32_t>> ParseCustomColourLine(const std::string& line);

// "Bitmap Files (*.bmp)|*.bmp|All Files|*.*" as Qt's "Bitmap Files (*.bmp);;All Files (*)".
std::string QtFilter(const std::string& filter);

}  // namespace mosaicer
