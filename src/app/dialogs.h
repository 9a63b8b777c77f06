// Every question, message, file, folder and colour dialog and beep of the
// windows goes through this seam: production shows Qt's dialogs, tests
// answer from a script and fail on any prompt they did not expect.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class QWidget;

namespace mosaicer {

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // File dialogs: `filter` is in the "Name (*.ext)|*.ext|All Files|*.*"
  // form the windows give; nothing when the user cancels.
  virtual std::optional<std::string> OpenFile(QWidget* parent, const std::string& folder,
                                              const std::string& filter) = 0;
  virtual std::optional<std::string> SaveFile(QWidget* parent, const std::string& title,
                                              const std::string& folder, const std::string& filter,
                                              const std::string& defaultExtension) = 0;
  virtual std::optional<std::string> ChooseFolder(QWidget* parent, const std::string& title,
                                                  const std::string& folder) = 0;
  // 0x00BBGGRR colours, as the settings keep them.
  virtual std::optional<std::uint32_t> ChooseColour(QWidget* parent, std::uint32_t colour) = 0;

  // A confirmation with OK and Cancel: true for OK.
  virtual bool Confirm(QWidget* parent, const std::string& text) = 0;
  virtual void Error(QWidget* parent, const std::string& text) = 0;
  virtual void Information(QWidget* parent, const std::string& text) = 0;
  virtual void Beep() = 0;
};

// Qt's own dialogs, message boxes and beep.
class QtDialogs : public Dialogs {
 public:
  std::optional<std::string> OpenFile(QWidget* parent, const std::string& folder,
                                      const std::string& filter) override;
  std::optional<std::string> SaveFile(QWidget* parent, const std::string& title,
                                      const std::string& folder, const std::string& filter,
                                      const std::string& defaultExtension) override;
  std::optional<std::string> ChooseFolder(QWidget* parent, const std::string& title,
                                          const std::string& folder) override;
  std::optional<std::uint32_t> ChooseColour(QWidget* parent, std::uint32_t colour) override;
  bool Confirm(QWidget* parent, const std::string& text) override;
  void Error(QWidget* parent, const std::string& text) override;
  void Information(QWidget* parent, const std::string& text) override;
  void Beep() override;
};

// "Bitmap Files (*.bmp)|*.bmp|All Files|*.*" as Qt's "Bitmap Files (*.bmp);;All Files (*)".
std::string QtFilter(const std::string& filter);

}  // namespace mosaicer
