#include "app/progress_dialog.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "lang/message_box.h"
#include "test_support.h"
#include "worklist/playlist.h"

namespace fs = std::filesystem;

namespace {

class YesBox : public IMessageBox {
 public:
  YesBox() { SetMessageBox(this); }
  ~YesBox() override { SetMessageBox(nullptr); }
  MsgResult show(const MessageRequest& r) override {
    texts.push_back(r.text);
    return MsgResult::Yes;
  }
  std::vector<std::string> texts;
};

class TickedRows : public IListRows {
 public:
  explicit TickedRows(TkroPlayList& l) : list(l) {}
  int RowCount() const override { return list.EntryCount(); }
  int RowEntryId(int row) const override { return list.EntryAt(row); }
  bool RowChecked(int) const override { return true; }
  bool RowSelected(int) const override { return false; }
  TkroPlayList& list;
};

std::vector<std::string> logLines(const TForm3& dialog) {
  std::vector<std::string> lines;
  for (int i = 0; i < dialog.lbLog->count(); ++i)
    lines.push_back(dialog.lbLog->item(i)->text().toStdString());
  return lines;
}

}  // namespace

TEST(ProgressDialog, SizesAndTheLogSwitch) {
  TForm3 dialog;
  EXPECT_EQ(dialog.width(), 539);
  EXPECT_EQ(dialog.height(), 218);
  EXPECT_FALSE(dialog.logPanelVisible());
  bool stored = false;
  dialog.setLogSetting([&] { return stored; }, [&](bool on) { stored = on; });
  dialog.Button3->click();
  EXPECT_TRUE(stored);
  EXPECT_EQ(dialog.height(), 337);
  EXPECT_TRUE(dialog.logPanelVisible());
  dialog.Button3->click();
  EXPECT_FALSE(stored);
  EXPECT_EQ(dialog.height(), 218);
  // Idle: Close, enabled; Skip disabled.
  EXPECT_EQ(dialog.Button1->text().toStdString(), "Закрыть");
  EXPECT_TRUE(dialog.Button1->isEnabled());
  EXPECT_FALSE(dialog.Button2->isEnabled());
}

TEST(ProgressDialog, RunsACopyAndShowsItsLog) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", std::string(3 << 20, 'a'));
  writeFile(tmp / "src/b.mp3", "b");
  TkroPlayList list;
  list.Add((tmp / "src/a.mp3").string(), "", "", 0, 0, FLAG_MARKED);
  list.Add((tmp / "src/b.mp3").string(), "", "", 0, 0, FLAG_MARKED);
  TickedRows rows(list);
  YesBox box;
  TForm3 dialog;
  bool stored = true;
  dialog.setLogSetting([&] { return stored; }, [&](bool on) { stored = on; });
  OperationParameters params;
  params.destination = (tmp / "dst").string();

  std::string captionDuringRun, button1DuringRun;
  bool skipEnabledDuringRun = false;
  QTimer watch;
  watch.setInterval(0);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (dialog.engine() && dialog.engine()->flags().running) {
      captionDuringRun = dialog.windowTitle().toStdString();
      button1DuringRun = dialog.Button1->text().toStdString();
      skipEnabledDuringRun |= dialog.Button2->isEnabled();
    } else if (dialog.l1->text() == "Операция завершена") {
      watch.stop();
      dialog.Button1->click();  // Close
    }
  });
  watch.start();
  QTimer::singleShot(20000, &dialog, [&] { dialog.done(0); });
  dialog.RunModal(list, rows, params, true);

  EXPECT_EQ(readFile(tmp / "dst/b.mp3"), "b");
  EXPECT_EQ(fs::file_size(tmp / "dst/a.mp3"), 3u << 20);
  EXPECT_EQ(captionDuringRun, "Операция: Копирование");
  EXPECT_EQ(button1DuringRun, "Прервать");
  EXPECT_TRUE(skipEnabledDuringRun);
  EXPECT_EQ(dialog.Button1->text().toStdString(), "Закрыть");
  EXPECT_FALSE(dialog.Button2->isEnabled());
  EXPECT_EQ(dialog.height(), 337);
  EXPECT_EQ(dialog.pb1->value(), 1000);
  EXPECT_EQ(dialog.pb2->value(), 0);
  EXPECT_EQ(dialog.Label3->text().toStdString(), "100%");
  const auto lines = logLines(dialog);
  ASSERT_EQ(lines.size(), 9u);
  // "[hh.nn:ss] " before each timed line.
  EXPECT_EQ(
      lines[0].substr(0, 1) + lines[0].substr(3, 1) + lines[0].substr(6, 1) + lines[0].substr(9, 2),
      "[.:] ")
      << lines[0];
  EXPECT_EQ(lines[0].substr(11), "Создание рабочего списка");
  EXPECT_EQ(lines[4].substr(11),
            "Копирование \"" + (tmp / "src/a.mp3").string() + "\"...        - завершено");
  EXPECT_EQ(lines[7], "");
  EXPECT_EQ(lines[8].substr(11), "Операция завершена");
  EXPECT_TRUE(box.texts.empty());  // a plain copy asks nothing
}

TEST(ProgressDialog, EscapeCancelsARunningCopy) {
  TempDir tmp;
  writeFile(tmp / "src/big.flac", std::string(64 << 20, 'x'));
  TkroPlayList list;
  list.Add((tmp / "src/big.flac").string(), "", "", 0, 0, FLAG_MARKED);
  TickedRows rows(list);
  YesBox box;
  TForm3 dialog;
  // Every pump is a redraw, so the file's bar shows the first chunk as soon as it is done.
  std::int64_t clock = 0;
  dialog.setClock([&] { return clock += TForm3::kRedrawMs; });
  OperationParameters params;
  params.destination = (tmp / "dst").string();
  bool sawDisabledCancel = false;
  QTimer watch;
  watch.setInterval(0);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    TOperationEngine* e = dialog.engine();
    if (e && e->flags().running && dialog.pb2->value() > 0) {
      dialog.reject();  // what Escape does
      sawDisabledCancel = !dialog.Button1->isEnabled() && !dialog.Button2->isEnabled();
    } else if (dialog.l1->text() == "Операция прервана пользователем") {
      watch.stop();
      dialog.reject();  // now it closes
    }
  });
  watch.start();
  QTimer::singleShot(20000, &dialog, [&] { dialog.done(0); });
  dialog.RunModal(list, rows, params, true);
  EXPECT_TRUE(sawDisabledCancel);
  EXPECT_TRUE(fs::is_empty(tmp / "dst"));
  EXPECT_FALSE(dialog.isVisible());
}

TEST(ProgressDialog, RunWithFailuresSaysHowManyAndOpensTheLog) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", "a");
  writeFile(tmp / "src/Blocked/b.mp3", "b");
  writeFile(tmp / "dst/Blocked", "a file where a folder is wanted");
  TkroPlayList list;
  list.Add((tmp / "src/a.mp3").string(), "", "", 0, 0, FLAG_MARKED);
  list.Add((tmp / "src/missing.mp3").string(), "", "", 0, 0, FLAG_MARKED);
  list.Add((tmp / "src/Blocked/b.mp3").string(), "", "", 0, 0, FLAG_MARKED);
  TickedRows rows(list);
  YesBox box;
  TForm3 dialog;
  bool stored = false;  // the user keeps the log panel closed
  dialog.setLogSetting([&] { return stored; }, [&](bool on) { stored = on; });
  OperationParameters params;
  params.destination = (tmp / "dst").string();
  params.folderLayout = layoutNearestFolder;

  bool openAtEnd = false;
  QTimer watch;
  watch.setInterval(0);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (dialog.engine() && !dialog.engine()->flags().running &&
        dialog.l1->text().startsWith(QStringLiteral("Операция завершена"))) {
      watch.stop();
      openAtEnd = dialog.logPanelVisible();
      // A picture of the end of the run, for whoever looks at the dialog by eye.
      if (const char* dir = std::getenv("TAVEL_SHOT_DIR"))
        dialog.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/progress_failures.png"));
      dialog.Button1->click();
    }
  });
  watch.start();
  QTimer::singleShot(20000, &dialog, [&] { dialog.done(0); });
  dialog.RunModal(list, rows, params, true);

  EXPECT_EQ(dialog.l1->text().toStdString(), "Операция завершена с ошибками: 2");
  EXPECT_TRUE(openAtEnd);
  EXPECT_EQ(dialog.height(), 337);
  EXPECT_FALSE(stored);  // opened for this run only
  const auto lines = logLines(dialog);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                         [](const std::string& l) {
                           return l.find(
                                      "b.mp3\"...        - ошибка (папка назначения не "
                                      "создана)") != std::string::npos;
                         }),
            lines.end());
  // The failed line is wider than the log; its reason must still be on the screen, and
  // the whole line is its tool tip.
  bool reasonShown = false;
  for (int row = 0; row < dialog.lbLog->count(); ++row) {
    const QListWidgetItem* item = dialog.lbLog->item(row);
    if (!item->text().contains(QStringLiteral("Blocked"))) continue;
    EXPECT_EQ(item->toolTip(), item->text());
    const QFontMetrics fm(dialog.lbLog->font());
    const QString shown = fm.elidedText(item->text(), dialog.lbLog->textElideMode(),
                                        dialog.lbLog->visualItemRect(item).width());
    reasonShown = shown.endsWith(QStringLiteral("создана)"));
  }
  EXPECT_TRUE(reasonShown);
  // The first press of Log closes the panel the run opened.
  dialog.Button3->click();
  EXPECT_FALSE(dialog.logPanelVisible());
  EXPECT_FALSE(stored);
}

TEST(ProgressDialog, DrawsAtABoundedRateAndKeepsEveryLine) {
  TForm3 dialog;
  std::int64_t now = 1000;
  dialog.setClock([&] { return now; });
  IProgressDisplay& display = dialog;
  bool eventRan = false;
  auto postEvent = [&] {
    eventRan = false;
    QMetaObject::invokeMethod(
        &dialog, [&] { eventRan = true; }, Qt::QueuedConnection);
  };

  // The first pump draws and runs the window's messages at once.
  display.setBars(10, 20);
  postEvent();
  display.pumpMessages();
  EXPECT_EQ(dialog.pb1->value(), 10);
  EXPECT_TRUE(eventRan);

  // Thousands of reports within one redraw period change nothing on screen; messages run
  // only once kPumpMs have passed.
  postEvent();
  for (int i = 0; i < 3000; ++i) {
    display.addLogLine("file " + std::to_string(i), false);
    display.appendToLastLogLine(" - done");
    display.setBars(i / 3, 500);
    display.setCurrentFile("/dst/" + std::to_string(i) + ".mp3");
    ProgressFigures f;
    f.percent = std::to_string(i / 30) + "%";
    f.doneText = "1 MB\r\n00:00:01";
    display.setFigures(f);
    display.pumpMessages();
  }
  EXPECT_EQ(dialog.lbLog->count(), 0);
  EXPECT_EQ(dialog.pb1->value(), 10);
  EXPECT_TRUE(dialog.Label2->text().isEmpty());
  EXPECT_FALSE(eventRan);
  now += TForm3::kPumpMs;
  display.pumpMessages();
  EXPECT_TRUE(eventRan);  // Cancel and Skip get through although nothing was drawn
  EXPECT_EQ(dialog.lbLog->count(), 0);

  // The redraw shows the latest state and the whole batch, scrolled to its end.
  now += TForm3::kRedrawMs;
  display.pumpMessages();
  EXPECT_EQ(dialog.pb1->value(), 999);
  EXPECT_EQ(dialog.pb2->value(), 500);
  EXPECT_EQ(dialog.Label2->text().toStdString(), "/dst/2999.mp3");
  EXPECT_EQ(dialog.Label3->text().toStdString(), "99%");
  EXPECT_EQ(dialog.Label7->text().toStdString(), "1 MB\n00:00:01");
  ASSERT_EQ(dialog.lbLog->count(), 3000);
  EXPECT_EQ(dialog.lbLog->item(0)->text().toStdString(), "file 0 - done");
  EXPECT_EQ(dialog.lbLog->item(2999)->text().toStdString(), "file 2999 - done");

  // Text appended to a line already on screen goes to that line; the run's end and its
  // questions show what is pending at once, whatever the clock says.
  display.appendToLastLogLine("!");
  display.addLogLine("last", false);
  display.setBars(1000, 0);
  RunFlags running;
  running.running = true;
  display.updateControls(running);
  EXPECT_EQ(dialog.lbLog->count(), 3000);
  EXPECT_EQ(dialog.lbLog->item(2999)->text().toStdString(), "file 2999 - done!");
  std::size_t linesAtQuestion = 0;
  class CountingBox : public IMessageBox {
   public:
    std::function<void()> onShow;
    CountingBox() { SetMessageBox(this); }
    ~CountingBox() override { SetMessageBox(nullptr); }
    MsgResult show(const MessageRequest&) override {
      onShow();
      return MsgResult::No;
    }
  } box;
  box.onShow = [&] { linesAtQuestion = static_cast<std::size_t>(dialog.lbLog->count()); };
  EXPECT_FALSE(display.askYesNo("caption", "text"));
  EXPECT_EQ(linesAtQuestion, 3001u);
  display.addLogLine("after", false);
  display.updateControls(RunFlags{});
  EXPECT_EQ(dialog.lbLog->count(), 3002);
  EXPECT_EQ(dialog.pb1->value(), 1000);
  EXPECT_EQ(dialog.pb2->value(), 0);

  // A cleared log starts again from nothing, pending lines included.
  display.addLogLine("gone", false);
  display.clearLog();
  display.appendToLastLogLine("fresh");
  display.updateControls(RunFlags{});
  ASSERT_EQ(dialog.lbLog->count(), 1);
  EXPECT_EQ(dialog.lbLog->item(0)->text().toStdString(), "fresh");
}
