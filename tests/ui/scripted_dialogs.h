// A Dialogs that answers from a script and fails the test on any prompt it
// was not told to expect, on any scripted answer left unused, and on any
// error or information box the test never looked at (through Errors() or
// Informations()).
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs.h"

namespace mosaicer::testing {

class ScriptedDialogs : public Dialogs {
 public:
  std::deque<std::optional<std::string>> folders;  // answers to ChooseFolder, in order
  std::deque<std::optional<std::string>> files;    // answers to OpenFile and SaveFile
  std::deque<bool> confirms;
  std::deque<SaveAnswer> saveAnswers;                // answers to AskSave
  std::vector<std::string> questions;                // texts of Confirm and AskSave, in order
  std::deque<std::optional<std::uint32_t>> colours;  // answers to ChooseColour
  std::vector<std::string> urls;
  std::vector<std::string> titles;                 // of the save and folder dialogs
  std::vector<std::string> startFolders, filters;  // of the open and save dialogs
  int beeps = 0;

  std::optional<std::string> OpenFile(QWidget*, const std::string&, const std::string& folder,
                                      const std::string& filter) override {
    startFolders.push_back(folder);
    filters.push_back(filter);
    return Next(files, "OpenFile");
  }
  std::optional<std::string> SaveFile(QWidget*, const std::string& title,
                                      const std::string& folder, const std::string& filter,
                                      const std::string&) override {
    titles.push_back(title);
    startFolders.push_back(folder);
    filters.push_back(filter);
    return Next(files, "SaveFile");
  }
  std::optional<std::string> ChooseFolder(QWidget*, const std::string& title,
                                          const std::string&) override {
    titles.push_back(title);
    return Next(folders, "ChooseFolder");
  }
  std::optional<std::uint32_t> ChooseColour(QWidget*, std::uint32_t,
                                            std::vector<std::string>&) override {
    return Next(colours, "ChooseColour");
  }
  bool Confirm(QWidget*, const std::string& text) override {
    questions.push_back(text);
    return Next(confirms, "question: " + text);
  }
  SaveAnswer AskSave(QWidget*, const std::string& text) override {
    questions.push_back(text);
    return Next(saveAnswers, "save question: " + text, SaveAnswer::Cancel);
  }
  ~ScriptedDialogs() override {
    const auto unused = [](const char* what, std::size_t left) {
      if (left != 0) ADD_FAILURE() << left << " scripted answer(s) to " << what << " never used";
    };
    unused("OpenFile/SaveFile", files.size());
    unused("ChooseFolder", folders.size());
    unused("Confirm", confirms.size());
    unused("AskSave", saveAnswers.size());
    unused("ChooseColour", colours.size());
    for (std::size_t i = errorsSeen_; i < errors_.size(); ++i)
      ADD_FAILURE() << "unexpected error box: " << errors_[i];
    for (std::size_t i = informationsSeen_; i < informations_.size(); ++i)
      ADD_FAILURE() << "unexpected information box: " << informations_[i];
  }

  // The boxes shown so far; reading them is what makes them expected.
  const std::vector<std::string>& Errors() {
    errorsSeen_ = errors_.size();
    return errors_;
  }
  const std::vector<std::string>& Informations() {
    informationsSeen_ = informations_.size();
    return informations_;
  }

  // Forgets the error boxes shown so far, once the test has looked at them.
  void ClearErrors() {
    errors_.clear();
    errorsSeen_ = 0;
  }

  void Error(QWidget*, const std::string& text) override { errors_.push_back(text); }
  void Information(QWidget*, const std::string& text) override { informations_.push_back(text); }
  void Beep() override { ++beeps; }
  bool OpenUrl(const std::string& url) override {
    urls.push_back(url);
    return true;
  }

 private:
  std::vector<std::string> errors_, informations_;
  std::size_t errorsSeen_ = 0, informationsSeen_ = 0;

  // The next scripted answer; without one, a failure and `none`.
  template <typename T>
  static T Next(std::deque<T>& answers, const std::string& what, T none = T{}) {
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected " << what;
      return none;
    }
    T answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace mosaicer::testing
