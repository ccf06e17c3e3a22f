#pragma once
// A work-list view on its own widgets and a real work list, for the view tests: the list
// control, three status labels, a "main window" to freeze and the hidden lock edit.
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/worklist_model.h"
#include "app/worklist_view.h"
#include "lang/fake_message_box.h"
#include "worklist/playlist.h"

struct ViewFixture {
  ViewFixture() {
    window.resize(900, 600);
    auto* layout = new QVBoxLayout(&window);
    list = new QTreeView(&window);
    list->setModel(model);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    layout->addWidget(list);
    for (auto*& p : panels) {
      p = new QLabel(&window);
      layout->addWidget(p);
    }
    lock = new QLineEdit(&window);
    lock->hide();

    WorkListView::Widgets w;
    w.list = list;
    w.model = model;
    w.panels = {panels[0], panels[1], panels[2]};
    w.mainWindow = &window;
    w.dummyLock = lock;
    WorkListView::Sources s;
    s.workList = [this] { return &workList; };
    s.columns = [this] { return columns; };
    s.mode = [this] { return mode; };
    view = std::make_unique<WorkListView>(w, s, &window);
    view->ListReformat(-1);
  }

  // Appends an entry and its row, as the adding routines do.
  int add(const std::string& origin, const std::string& descr, std::int64_t size = 1000,
          std::int32_t length = 0, std::int32_t flags = 0) {
    const int n = workList.Add(origin, "", descr, size, length, flags);
    view->ListAddItem(n);
    return n;
  }
  void addNumbered(int count) {
    for (int i = 1; i <= count; ++i)
      add("/music/" + std::to_string(i) + ".mp3", "Song " + std::to_string(i));
  }
  std::int32_t flagsAt(int position) {
    workList.SelectIndex(position);
    return workList.Cursor->GetFlags();
  }
  QString cell(int row, int column) const { return model->cellText(row, column); }
  void selectRows(const std::vector<int>& rows) {
    list->clearSelection();
    for (int r : rows)
      list->selectionModel()->select(model->index(r, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  std::string panel(int i) const {
    return panels[static_cast<std::size_t>(i)]->text().toStdString();
  }

  FakeMessageBox boxes;
  TkroPlayList workList;
  std::optional<std::vector<ListColumnSpec>> columns =
      std::vector<ListColumnSpec>{{-1, 2, 280}, {-1, 3, 60}, {-1, 4, 50}, {-1, 0, 400}};
  int mode = 1;
  QWidget window;
  WorkListModel* model = new WorkListModel(&window);
  QTreeView* list = nullptr;
  QLabel* panels[3] = {};
  QLineEdit* lock = nullptr;
  std::unique_ptr<WorkListView> view;
};
