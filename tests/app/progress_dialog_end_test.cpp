// The progress dialog made readable and its end of a run: resizing grows the log only,
// log lines are copied, a cancel clears speed and remaining time, and the end offers to
// open the destination and to eject its drive, and tells the desktop when the user is away.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <map>

#include "app/progress_dialog.h"
#include "lang/message_box.h"
#include "test_support.h"
#include "worklist/playlist.h"

namespace fs = std::filesystem;

namespace {

class AnswerBox : public IMessageBox {
 public:
  explicit AnswerBox(MsgResult a = MsgResult::Yes) : answer(a) { SetMessageBox(this); }
  ~AnswerBox() override { SetMessageBox(nullptr); }
  MsgResult show(const MessageRequest& r) override {
    texts.push_back(r.text);
    return answer;
  }
  MsgResult answer;
  std::vector<std::string> texts;
};

class AllRows : public IListRows {
 public:
  explicit AllRows(TkroPlayList& l) : list(l) {}
  int RowCount() const override { return list.EntryCount(); }
  int RowEntryId(int row) const override { return list.EntryAt(row); }
  bool RowChecked(int) const override { return true; }
  bool RowSelected(int) const override { return false; }
  TkroPlayList& list;
};

// Runs one operation in the dialog; atEnd runs once the run has ended, with the dialog
// still open, and the dialog is closed after it.
void runToEnd(TForm3& dialog, TkroPlayList& list, const OperationParameters& params,
              const std::function<void()>& atEnd) {
  AllRows rows(list);
  // A short run may end before the timer first fires, so the end is told by its header
  // (every final header starts so), which the previous run's must not fake.
  dialog.l1->clear();
  QTimer watch;
  watch.setInterval(0);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (dialog.engine() && !dialog.engine()->flags().running &&
        dialog.l1->text().startsWith("Операция") && dialog.Button1->isEnabled()) {
      watch.stop();
      atEnd();
      dialog.Button1->click();
    }
  });
  watch.start();
  // A guard only: a run that never ends fails the test instead of hanging it.
  QTimer::singleShot(60000, &dialog, [&] { dialog.done(0); });
  dialog.RunModal(list, rows, params, true);
}

struct Calls {
  std::vector<std::pair<std::string, std::string>> notes;
  std::vector<std::string> opened, ejected, asked;
  std::function<void(const EjectOutcome&)> pendingEject;
};

RunEndServices fakeServices(Calls& c, bool removable, bool active) {
  RunEndServices s;
  s.isRemovable = [&c, removable](const std::string& p) {
    c.asked.push_back(p);
    return removable;
  };
  s.eject = [&c](const std::string& p, std::function<void(const EjectOutcome&)> done) {
    c.ejected.push_back(p);
    c.pendingEject = std::move(done);
  };
  s.openFolder = [&c](const std::string& p) {
    c.opened.push_back(p);
    return true;
  };
  s.notify = [&c](const std::string& summary, const std::string& body) {
    c.notes.emplace_back(summary, body);
  };
  s.programActive = [active] { return active; };
  return s;
}

}  // namespace

TEST(ProgressDialogReadable, ResizingGrowsTheLogAndNothingElse) {
  TForm3 dialog;
  dialog.setLogSetting([] { return true; }, [](bool) {});
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_EQ(dialog.size(), QSize(539, 337));
  std::map<QWidget*, QRect> before;
  const std::vector<QWidget*> fixed{
      dialog.l1,         dialog.Label2,  dialog.pb1,     dialog.pb2,
      dialog.Label7,     dialog.Label6,  dialog.Label3,  dialog.Label5,
      dialog.Label4,     dialog.lDone,   dialog.lTotal,  dialog.lSpeed,
      dialog.lRemaining, dialog.Button1, dialog.Button2, dialog.Button3};
  for (QWidget* w : fixed) before[w] = w->geometry();
  const QRect logBefore = dialog.lbLog->geometry();

  dialog.resize(539 + 200, 337 + 150);
  dialog.layout()->activate();
  if (const char* dir = std::getenv("TAVEL_SHOT_DIR")) {
    IProgressDisplay& display = dialog;
    display.showHeader("Копирование");
    ProgressFigures f{"40%", "12.5 МБ/сек", "00:01:10", "400 МБ\r\n00:00:32", "1 ГБ\r\n00:01:42"};
    display.setFigures(f);
    display.setBars(400, 700);
    display.setCurrentFile("/media/user/STICK/Music/Artist - Album/07 - Track.flac");
    for (int i = 1; i <= 14; ++i)
      display.addLogLine("Копирование \"/home/user/Music/Artist - Album/" + std::to_string(i) +
                             " - Track.flac\"...        - завершено",
                         true);
    dialog.showPending();
    dialog.grab().save(QString::fromLocal8Bit(dir) + "/progress_resized.png");
  }
  EXPECT_EQ(dialog.lbLog->height(), logBefore.height() + 150);
  EXPECT_EQ(dialog.lbLog->width(), logBefore.width() + 200);
  for (QWidget* w : fixed) {
    EXPECT_EQ(w->height(), before[w].height()) << w->objectName().toStdString();
    // Everything above the log stays where it was.
    if (w->geometry().top() < logBefore.top()) {
      EXPECT_EQ(w->y(), before[w].y()) << w->objectName().toStdString();
    }
  }
  // The figures beside the bars keep their width; the bars take the new width.
  EXPECT_EQ(dialog.Label7->width(), before[dialog.Label7].width());
  EXPECT_EQ(dialog.Label6->width(), before[dialog.Label6].width());
  EXPECT_EQ(dialog.pb1->width(), before[dialog.pb1].width() + 200);
  EXPECT_LE(dialog.Label6->geometry().right(), dialog.width());

  // It cannot be made smaller than at the start, and without the log it cannot grow in
  // height; the log comes back at the height the user gave it.
  EXPECT_EQ(dialog.minimumSize(), QSize(539, 337));
  dialog.setLogPanelVisible(false);
  EXPECT_EQ(dialog.size(), QSize(539 + 200, 218));
  EXPECT_EQ(dialog.maximumHeight(), 218);
  dialog.setLogPanelVisible(true);
  EXPECT_EQ(dialog.size(), QSize(539 + 200, 337 + 150));
}

TEST(ProgressDialogReadable, SelectedLogLinesAreCopiedWhole) {
  TForm3 dialog;
  dialog.setLogSetting([] { return true; }, [](bool) {});
  IProgressDisplay& display = dialog;
  const std::string longLine = "Копирование \"/media/stick/" + std::string(300, 'x') +
                               ".mp3\"...        - ошибка (нет места на носителе)";
  display.addLogLine("first", false);
  display.addLogLine(longLine, false);
  display.addLogLine("third", false);
  display.addLogLine("fourth", false);
  dialog.showPending();
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QApplication::clipboard()->setText("before");

  // Nothing selected: the clipboard keeps what it had.
  dialog.copySelectedLogLines();
  EXPECT_EQ(QApplication::clipboard()->text(), "before");

  // Ctrl+C in the log copies the selected lines in their order, the cut-off one whole.
  dialog.lbLog->item(3)->setSelected(true);
  dialog.lbLog->item(1)->setSelected(true);
  dialog.activateWindow();
  dialog.lbLog->setFocus();
  QTest::keyClick(dialog.lbLog, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), longLine + "\nfourth\n");

  // The context menu offers Copy and Select all.
  ASSERT_EQ(dialog.lbLog->contextMenuPolicy(), Qt::ActionsContextMenu);
  ASSERT_EQ(dialog.lbLog->actions().size(), 2);
  EXPECT_EQ(dialog.acCopyLog->text().toStdString(), "Копировать");
  EXPECT_EQ(dialog.acSelectAllLog->text().toStdString(), "Выделить все");
  dialog.acSelectAllLog->trigger();
  dialog.acCopyLog->trigger();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
            "first\n" + longLine + "\nthird\nfourth\n");
}

TEST(ProgressDialogReadable, FiguresHaveCaptionsAndACancelClearsSpeedAndRemaining) {
  TForm3 dialog;
  EXPECT_EQ(dialog.lDone->text().toStdString(), "Сделано");
  EXPECT_EQ(dialog.lTotal->text().toStdString(), "Всего");
  EXPECT_EQ(dialog.lSpeed->text().toStdString(), "Скорость:");
  EXPECT_EQ(dialog.lRemaining->text().toStdString(), "Осталось:");
  IProgressDisplay& display = dialog;
  ProgressFigures f;
  f.percent = "40%";
  f.speed = "12.5 МБ/сек";
  f.remaining = "00:01:10";
  f.doneText = "400 МБ\r\n00:00:32";
  f.totalText = "1 ГБ\r\n00:01:42";
  display.setFigures(f);
  RunFlags running;
  running.running = true;
  display.updateControls(running);
  dialog.showPending();
  EXPECT_EQ(dialog.Label5->text().toStdString(), "12.5 МБ/сек");
  EXPECT_EQ(dialog.Label4->text().toStdString(), "00:01:10");

  RunFlags cancelling = running;
  cancelling.aborted = true;
  display.updateControls(cancelling);
  EXPECT_TRUE(dialog.Label5->text().isEmpty());
  EXPECT_TRUE(dialog.Label4->text().isEmpty());
  // What was done stays; a late figure of the cancelled file brings no speed back.
  EXPECT_EQ(dialog.Label3->text().toStdString(), "40%");
  EXPECT_EQ(dialog.Label7->text().toStdString(), "400 МБ\n00:00:32");
  f.percent = "41%";
  display.setFigures(f);
  display.updateControls(RunFlags{});
  EXPECT_EQ(dialog.Label3->text().toStdString(), "41%");
  EXPECT_TRUE(dialog.Label5->text().isEmpty());
  EXPECT_TRUE(dialog.Label4->text().isEmpty());
}

TEST(ProgressDialogEnd, CopyToARemovableDriveOffersOpenAndEjectAndSaysHowTheEjectWent) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", "a");
  TkroPlayList list;
  list.Add((tmp / "src/a.mp3").string(), "", "", 0, 0, FLAG_MARKED);
  AnswerBox box;
  Calls calls;
  TForm3 dialog(nullptr, fakeServices(calls, true, false));
  OperationParameters params;
  params.destination = (tmp / "dst").string() + "/";
  bool buttonsHiddenWhileRunning = true;
  QTimer during;
  during.setInterval(0);
  QObject::connect(&during, &QTimer::timeout, [&] {
    if (dialog.engine() && dialog.engine()->flags().running)
      buttonsHiddenWhileRunning &= dialog.btOpenFolder->isHidden() && dialog.btEject->isHidden();
  });
  during.start();
  runToEnd(dialog, list, params, [&] {
    during.stop();
    EXPECT_FALSE(dialog.btOpenFolder->isHidden());
    EXPECT_FALSE(dialog.btEject->isHidden());
    EXPECT_EQ(dialog.btOpenFolder->text().toStdString(), "Открыть папку");
    EXPECT_EQ(dialog.btEject->text().toStdString(), "Извлечь");
    if (const char* dir = std::getenv("TAVEL_SHOT_DIR"))
      dialog.grab().save(QString::fromLocal8Bit(dir) + "/progress_end_buttons.png");

    dialog.btOpenFolder->click();
    EXPECT_EQ(calls.opened, std::vector<std::string>{(tmp / "dst").string()});

    // The drive is busy: the reason is shown and the user may try again.
    dialog.btEject->click();
    EXPECT_FALSE(dialog.btEject->isEnabled());
    EXPECT_EQ(dialog.lEject->text().toStdString(), "Извлечение устройства...");
    ASSERT_TRUE(calls.pendingEject);
    calls.pendingEject({false, "устройство занято программой vlc (PID 4242)"});
    EXPECT_EQ(dialog.lEject->text().toStdString(),
              "Не удалось извлечь устройство: устройство занято программой vlc (PID 4242)");
    EXPECT_TRUE(dialog.btEject->isEnabled());
    EXPECT_FALSE(dialog.btEject->isHidden());

    // Now it goes: the dialog says the device can be removed and offers nothing more.
    dialog.btEject->click();
    calls.pendingEject({true, ""});
    EXPECT_EQ(dialog.lEject->text().toStdString(), "Устройство можно извлечь");
    EXPECT_TRUE(dialog.btEject->isHidden());
    EXPECT_TRUE(dialog.btOpenFolder->isHidden());
    const QString lastLine = dialog.lbLog->item(dialog.lbLog->count() - 1)->text();
    EXPECT_TRUE(lastLine.endsWith("Устройство можно извлечь")) << lastLine.toStdString();
    if (const char* dir = std::getenv("TAVEL_SHOT_DIR"))
      dialog.grab().save(QString::fromLocal8Bit(dir) + "/progress_ejected.png");
  });
  EXPECT_TRUE(buttonsHiddenWhileRunning);
  EXPECT_EQ(calls.ejected,
            (std::vector<std::string>{(tmp / "dst").string(), (tmp / "dst").string()}));
  // The user was elsewhere: the desktop was told once, with the dialog's caption and end.
  ASSERT_EQ(calls.notes.size(), 1u);
  EXPECT_EQ(calls.notes[0].first, "Операция: Копирование");
  EXPECT_EQ(calls.notes[0].second, "Операция завершена");

  // An eject that answers after the dialog has begun its next run, or is gone, reaches
  // nothing.
  auto late = calls.pendingEject;
  {
    TForm3 other(nullptr, fakeServices(calls, true, true));
    runToEnd(other, list, params, [&] { other.btEject->click(); });
    late = calls.pendingEject;
    runToEnd(other, list, params, [&] {
      late({true, ""});
      EXPECT_FALSE(other.btEject->isHidden());
      EXPECT_TRUE(other.lEject->isHidden());
    });
  }
  late({true, ""});
  EXPECT_EQ(calls.notes.size(), 1u);  // the user was looking: no notification
}

TEST(ProgressDialogEnd, FixedDriveFailuresAndDeletesOfferLess) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", "a");
  AnswerBox box;
  {
    // A fixed disk: open the folder, no eject; a run with failures says so in its note.
    TkroPlayList list;
    list.Add((tmp / "src/a.mp3").string(), "", "", 0, 0, FLAG_MARKED);
    list.Add((tmp / "src/missing.mp3").string(), "", "", 0, 0, FLAG_MARKED);
    Calls calls;
    TForm3 dialog(nullptr, fakeServices(calls, false, false));
    OperationParameters params;
    params.destination = (tmp / "dst").string();
    runToEnd(dialog, list, params, [&] {
      EXPECT_FALSE(dialog.btOpenFolder->isHidden());
      EXPECT_TRUE(dialog.btEject->isHidden());
    });
    ASSERT_EQ(calls.notes.size(), 1u);
    EXPECT_EQ(calls.notes[0].second, "Операция завершена с ошибками: 1");
  }
  {
    // No services at all: the folder can still be opened (by the desktop), nothing else.
    TkroPlayList list;
    list.Add((tmp / "src/a.mp3").string(), "", "", 0, 0, FLAG_MARKED);
    TForm3 dialog;
    OperationParameters params;
    params.destination = (tmp / "dst2").string();
    runToEnd(dialog, list, params, [&] {
      EXPECT_FALSE(dialog.btOpenFolder->isHidden());
      EXPECT_TRUE(dialog.btEject->isHidden());
    });
  }
  {
    // A delete has no destination to open or eject; a refused run ends "cancelled".
    TkroPlayList list;
    list.Add((tmp / "src/a.mp3").string(), "", "", 0, 0, FLAG_MARKED);
    Calls calls;
    TForm3 dialog(nullptr, fakeServices(calls, true, false));
    OperationParameters params;
    params.action = actDelete;
    box.answer = MsgResult::Cancel;
    ScopedEnv trash("XDG_DATA_HOME", (tmp / "data").string());
    runToEnd(dialog, list, params, [&] {
      EXPECT_TRUE(dialog.btOpenFolder->isHidden());
      EXPECT_TRUE(dialog.btEject->isHidden());
    });
    EXPECT_TRUE(fs::exists(tmp / "src/a.mp3"));
    ASSERT_EQ(calls.notes.size(), 1u);
    EXPECT_EQ(calls.notes[0].first, "Операция: Удаление");
    EXPECT_EQ(calls.notes[0].second, "Операция прервана пользователем");
  }
}
