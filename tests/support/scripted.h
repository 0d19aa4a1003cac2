// Stand-ins for a person and for the per-user settings store, for tests of
// the desktop program.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "core/interaction.h"
#include "scene/persistent.h"

// Answers from queues (an empty queue cancels) and a record of what was asked.
class ScriptedInteraction : public Interaction {
 public:
  std::deque<std::string> openAnswers;
  std::deque<int> openFilters;  // the filter shown with each open answer; 0 when none is queued
  std::deque<std::string> saveAnswers;
  std::deque<Answer> answers;
  Answer answer = Answer::Cancel;  // once `answers` is used up
  std::vector<FileDialogRequest> openRequests;
  std::vector<FileDialogRequest> saveRequests;
  std::vector<std::string> questions;  // "title|text"
  std::vector<std::string> errors;

  std::string AskOpenFile(const FileDialogRequest& request) override {
    int filter = 0;
    return AskOpenFileWithFilter(request, &filter);
  }
  std::string AskOpenFileWithFilter(const FileDialogRequest& request, int* chosenFilter) override {
    openRequests.push_back(request);
    *chosenFilter = Take(&openFilters, 0);
    return Take(&openAnswers, std::string());
  }
  std::string AskSaveFile(const FileDialogRequest& request) override {
    saveRequests.push_back(request);
    return Take(&saveAnswers, std::string());
  }
  Answer AskYesNoCancel(const std::string& title, const std::string& text) override {
    questions.push_back(title + "|" + text);
    return Take(&answers, answer);
  }
  void ShowErrorBox(const std::string& text) override { errors.push_back(text); }

 private:
  template <typename T>
  static T Take(std::deque<T>* queue, T none) {
    if (queue->empty()) return none;
    T value = std::move(queue->front());
    queue->pop_front();
    return value;
  }
};

// An in-memory per-user store; `failWrites` makes every write fail.
class MapStore : public KeyValueStore {
 public:
  std::map<std::string, std::string> values;
  bool failWrites = false;
  int ReadText(const std::string& name, std::string* text) override {
    auto found = values.find(name);
    if (found == values.end()) return 1;
    *text = found->second;
    return 0;
  }
  int WriteText(const std::string& name, const std::string& text) override {
    if (failWrites) return 1;
    values[name] = text;
    return 0;
  }
};
