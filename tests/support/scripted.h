// Stand-ins for a person and for the per-user settings store, for tests of
// the desktop program.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "core/interaction.h"
#include "scene/persistent.h"

class ScriptedInteraction : public Interaction {
 public:
  std::deque<std::string> openAnswers;
  std::deque<std::string> saveAnswers;
  std::deque<Answer> answers;
  std::vector<std::string> questions;
  std::vector<FileDialogRequest> saveRequests;
  std::vector<std::string> errors;

  std::string AskOpenFile(const FileDialogRequest&) override { return Take(&openAnswers); }
  std::string AskSaveFile(const FileDialogRequest& request) override {
    saveRequests.push_back(request);
    return Take(&saveAnswers);
  }
  Answer AskYesNoCancel(const std::string& title, const std::string& text) override {
    questions.push_back(title + "|" + text);
    if (answers.empty()) return Answer::Cancel;
    Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void ShowErrorBox(const std::string& text) override { errors.push_back(text); }

 private:
  static std::string Take(std::deque<std::string>* queue) {
    if (queue->empty()) return {};
    std::string value = queue->front();
    queue->pop_front();
    return value;
  }
};

class MapStore : public KeyValueStore {
 public:
  std::map<std::string, std::string> values;
  int ReadText(const std::string& name, std::string* text) override {
    auto found = values.find(name);
    if (found == values.end()) return 1;
    *text = found->second;
    return 0;
  }
  int WriteText(const std::string& name, const std::string& text) override {
    values[name] = text;
    return 0;
  }
};
