#pragma once
// The main window as the operation panel and the command dispatch see it: the string
// table put on, a real work list behind the list view, the program log kept in memory so
// its lines can be read back, and boxes answered by a fake.
#include <QCoreApplication>
#include <QLabel>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/limit_bar.h"
#include "app/load_language.h"
#include "app/main_window.h"
#include "app/main_window_parts.h"
#include "app/playlist_flows.h"
#include "app/program.h"
#include "app/worklist_model.h"
#include "app/worklist_view.h"
#include "lang/fake_message_box.h"
#include "lang/lang.h"
#include "test_support.h"
#include "worklist/playlist.h"

// Records the titles of the file dialogs the commands ask for; every dialog is cancelled.
class RecordingDialogs : public IFileDialogs {
 public:
  std::vector<std::string> openFiles(const std::string& title, const std::string&, bool) override {
    titles.push_back(title);
    return {};
  }
  std::optional<SaveChoice> saveFile(const std::string& title, const std::string&) override {
    titles.push_back(title);
    return std::nullopt;
  }
  std::vector<std::string> titles;
};

struct FormFixture {
  FormFixture() {
    program.openLog();
    // A fresh configuration, as the start-up makes it: the default columns and mode.
    program.loadConfiguration();
    LoadLanguage(form.languageWidgets());
    view->ListReformat(-1);
    form.resize(1000, 700);
  }
  ~FormFixture() { ResetSizeUnits(); }

  // Appends an entry of `size` bytes and its row.
  int add(std::int64_t size, bool checked = false) {
    const int n = workList.Add("/music/" + std::to_string(workList.EntryCount() + 1) + ".mp3", "",
                               "Song", size, 0, 0);
    view->ListAddItem(n);
    if (checked) tick(form.listModel()->rowCountTotal() - 1, true);
    return n;
  }
  // The user ticks or clears the check box of a row.
  void tick(int row, bool on) {
    WorkListModel* m = form.listModel();
    m->setData(m->index(row, 0), on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
  }
  std::string status(int panel = 0) const { return form.statusPanel(panel)->text().toStdString(); }
  // The lines the program log has collected since `from`, without their time stamps.
  std::vector<std::string> logLines(std::size_t from = 0) {
    std::vector<std::string> out;
    const auto& pending = program.log().pending;
    for (std::size_t i = from; i < pending.size(); ++i) {
      std::string line = pending[i];
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
      const std::size_t mark = line.find("]  ");
      out.push_back(mark == std::string::npos ? line : line.substr(mark + 3));
    }
    return out;
  }
  std::size_t logSize() { return program.log().pending.size(); }
  bool logHas(const std::string& line, std::size_t from = 0) {
    const auto lines = logLines(from);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  TempDir home;
  FakeMessageBox boxes;
  // The desktop as the tests answer it: the file dialogs recorded and cancelled, the folder
  // picker and the document opener as a test sets them (cancelled and failing until then).
  RecordingDialogs dialogs;
  std::function<std::optional<std::string>(const std::string&)> pickFolder;
  std::function<bool(const std::string&)> opener;
  TavelProgram program{
      ParseStartupOptions({"tavel"}), home.str(),
      AppServices{&dialogs,
                  [this](const std::string& title) {
                    return pickFolder ? pickFolder(title) : std::nullopt;
                  },
                  [this](const std::string& path) { return opener && opener(path); },
                  {}}};
  TkroPlayList& workList = program.createWorkList();
  TForm1 form{program};
  WorkListView* view = &form.parts().view;
};
