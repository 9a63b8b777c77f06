// The modal dialogs that show a long job's progress and let the user ask it
// to stop: TProgressDlg for creating a CDG file, TProgressDlg2 for the
// ripper's batches. Each registers a callback with the job's owner; the
// callback runs on the worker thread and hands every code to the dialog's
// own thread as a queued call.
#pragma once

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <string>

#include "authoring/job_owner.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace mosaicer {

class ProgressDialogBase : public QDialog {
  Q_OBJECT

 public:
  QTimer& Timer() { return Timer_; }

  // The callback registered with the owner; `context` is the dialog.
  static int ProgressCallback(std::int8_t code, int value, void* context);

 public slots:
  virtual void TimerTimer();

 protected:
  ProgressDialogBase(TJobOwner& owner, QWidget* parent);
  // Codes on the dialog's thread; the end codes close it.
  virtual void HandleCode(int code, int value);
  void ShowElapsed();
  QProgressBar* ProgressBar() const { return ProgressBar_; }
  QLabel* TimeLbl() const { return TimeLbl_; }
  // Only an end code closes the dialog: Escape and the window manager's
  // close do nothing.
  void reject() override {}
  void closeEvent(QCloseEvent* event) override;

  TJobOwner& owner_;
  int elapsed_ = 0;
  bool ending_ = false;

 private:
  QLabel* TimeLbl1_;
  QLabel* TimeLbl_;
  QProgressBar* ProgressBar_;
  QPushButton* CancelBtn_;
  QTimer Timer_;
};

class TProgressDlg : public ProgressDialogBase {
  Q_OBJECT

 public:
  explicit TProgressDlg(TJobOwner& owner, QWidget* parent = nullptr);
  void TimerTimer() override;

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow
};

class TProgressDlg2 : public ProgressDialogBase {
  Q_OBJECT

 public:
  explicit TProgressDlg2(TJobOwner& owner, QWidget* parent = nullptr);
  void TimerTimer() override;

  // Set by the owner before showing the dialog.
  void SetRwsOnly(bool rwsOnly) { rwsOnly_ = rwsOnly; }
  void SetCaptionText(const std::string& text) { captionText_ = text; }
  // The caption's words before the file counter for files of another kind;
  // empty: the CDG or RWS words, by the RWS flag.
  void SetBaseText(const std::string& text) { baseText_ = text; }

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow
  void HandleCode(int code, int value) override;

 private:
  std::string BaseText() const;
  std::string captionText_;
  std::string baseText_;
  bool rwsOnly_ = false;
  int total_ = 0;
  int counter_ = 0;
};

}  // namespace mosaicer
