// The real program with UDisks2 mocked on a private bus: a copy to a stick ends with
// "Извлечь" in the progress dialog; pressing it unmounts and powers the stick off and the
// dialog says it can be removed; while a program holds a file on it, the dialog says so and
// the button can be pressed again.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/main_window.h"
#include "app/main_window_parts.h"
#include "app/playlist_flows.h"
#include "app/program.h"
#include "app/progress_dialog.h"
#include "app/worklist_model.h"
#include "drives/udisks_mock.h"
#include "lang/fake_message_box.h"
#include "lang/lang.h"
#include "operation/operation_parameters.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

constexpr int kBoundMs = 20000;

QStringList logLines(const TForm3& dialog) {
  QStringList out;
  for (int i = 0; i < dialog.lbLog->count(); ++i) out << dialog.lbLog->item(i)->text();
  return out;
}

}  // namespace

TEST(EjectProgram, CopyToAStickEndsWithEjectWhichTellsBusyThenSafeToRemove) {
  UdisksMock mock;
  if (!mock.missing().empty()) GTEST_SKIP() << mock.missing();
  TempDir home;
  TempDir media;
  TempDir music;
  const fs::path stick = media / "SANDISK";
  fs::create_directories(stick);
  const QString stickPath = QString::fromStdString(stick.string());
  mock.addStick(QStringLiteral("sdb"), QStringLiteral("SANDISK"), stickPath);
  std::vector<std::string> files;
  for (int i = 1; i <= 3; ++i) {
    const fs::path f = music / ("0" + std::to_string(i) + " - Song.mp3");
    std::ofstream(f, std::ios::binary) << std::string(4096 * i, static_cast<char>('a' + i));
    files.push_back(f.string());
  }
  ScopedEnv bus("TAVEL_UDISKS_BUS", mock.address().toStdString());
  FakeMessageBox box;
  box.answer = MsgResult::Yes;

  bool reachedEnd = false;
  QStringList callsAfterBusy;
  QString busyText;
  bool buttonBackAfterBusy = false;
  QString doneText;
  bool buttonsGoneAfterEject = false;
  QStringList logAtEnd;

  TavelProgram program(ParseStartupOptions({"tavel", "--splash-ms=0"}), home.str());
  // Runs while the program runs; the window is closed after it whatever it found.
  const auto drive = [&](TForm1& form) {
    TForm3& dialog = *program.progressDialog();
    IDrives& drives = form.parts().drives;
    ASSERT_TRUE(QTest::qWaitFor([&] { return drives.isRemovable(stickPath); }, kBoundMs))
        << "the mocked stick is listed";
    WorkListModel* model = form.listModel();
    // Added as the add-files command adds what the user chose.
    AddFilesToList(form.parts().view, files);
    ASSERT_EQ(model->rowCountTotal(), 3);
    for (int row = 0; row < model->rowCountTotal(); ++row)
      model->setData(model->index(row, 0), Qt::Checked, Qt::CheckStateRole);
    form.parts().operation.SelectAction(actCopy);
    form.rgLimit->button(limitAutoFree)->click();
    form.cbDest->setEditText(stickPath);

    // The run is modal: what happens at its end is driven from a timer inside its loop,
    // with the dialog still open; the dialog is closed after it.
    int fd = -1;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
      if (!dialog.isVisible() || !dialog.engine() || dialog.engine()->flags().running ||
          !dialog.l1->text().startsWith("Операция") || !dialog.Button1->isEnabled())
        return;
      watch.stop();
      reachedEnd = true;
      EXPECT_TRUE(dialog.btOpenFolder->isVisible());
      EXPECT_TRUE(dialog.btEject->isVisible());
      EXPECT_EQ(dialog.btEject->text().toStdString(), "Извлечь");

      // This test program holds a copied file open: UDisks2 refuses as busy.
      for (const auto& e : fs::recursive_directory_iterator(stick))
        if (fd < 0 && e.is_regular_file()) fd = ::open(e.path().c_str(), O_RDONLY);
      EXPECT_GE(fd, 0);
      mock.setUnmountError(QStringLiteral("sdb"),
                           QStringLiteral("org.freedesktop.UDisks2.Error.DeviceBusy"),
                           QStringLiteral("Error unmounting /dev/sdb1: target is busy"));
      dialog.btEject->click();
      EXPECT_FALSE(dialog.btEject->isEnabled()) << "no second eject while one runs";
      EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.btEject->isEnabled(); }, kBoundMs));
      buttonBackAfterBusy = dialog.btEject->isEnabled() && dialog.btEject->isVisible();
      busyText = dialog.lEject->text();
      callsAfterBusy = mock.calls();

      // The user closes what held it and presses again.
      if (fd >= 0) ::close(fd);
      dialog.btEject->click();
      EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.btEject->isHidden(); }, kBoundMs));
      doneText = dialog.lEject->text();
      buttonsGoneAfterEject = dialog.btEject->isHidden() && dialog.btOpenFolder->isHidden();
      logAtEnd = logLines(dialog);
      dialog.Button1->click();
    });
    watch.start();
    // A guard only: a run that never ends fails the test instead of hanging it.
    QTimer::singleShot(120000, &dialog, [&] { dialog.done(0); });
    form.Start->click();
    watch.stop();
  };
  program.setRunningHook([&] {
    drive(*program.mainWindow());
    program.mainWindow()->close();
  });
  program.run();

  ASSERT_TRUE(reachedEnd) << "the run did not end in the dialog";
  std::vector<std::uintmax_t> copied;
  for (const auto& e : fs::recursive_directory_iterator(stick))
    if (e.is_regular_file()) copied.push_back(e.file_size());
  std::sort(copied.begin(), copied.end());
  EXPECT_EQ(copied, (std::vector<std::uintmax_t>{4096, 8192, 12288})) << "the three files copied";

  // Busy: Unmount was asked and refused, nothing powered off; the dialog says why, naming
  // this program as the holder, and offers the button again.
  EXPECT_TRUE(callsAfterBusy.contains(QStringLiteral("Unmount")))
      << callsAfterBusy.join(' ').toStdString();
  EXPECT_FALSE(callsAfterBusy.contains(QStringLiteral("PowerOff")));
  const QString self = QString::fromStdString(readFile("/proc/self/comm")).trimmed();
  // One sentence: the dialog's "could not eject" and the service's reason, said once.
  EXPECT_TRUE(busyText.startsWith(
      QStringLiteral("Не удалось извлечь устройство: устройство занято: на нем открыты файлы (")))
      << busyText.toStdString();
  EXPECT_TRUE(busyText.contains(self)) << busyText.toStdString();
  EXPECT_TRUE(buttonBackAfterBusy);

  // Then Unmount and PowerOff, in that order, and the dialog says the stick can go.
  const QStringList calls = mock.calls();
  const qsizetype lastUnmount = calls.lastIndexOf(QStringLiteral("Unmount"));
  const qsizetype powerOff = calls.indexOf(QStringLiteral("PowerOff"));
  EXPECT_EQ(calls.count(QStringLiteral("Unmount")), 2) << calls.join(' ').toStdString();
  ASSERT_GE(powerOff, 0) << calls.join(' ').toStdString();
  EXPECT_LT(lastUnmount, powerOff);
  EXPECT_EQ(calls.count(QStringLiteral("PowerOff")), 1);
  EXPECT_EQ(doneText.toStdString(), "Устройство можно извлечь");
  EXPECT_TRUE(buttonsGoneAfterEject);
  // The log keeps both, each after its time.
  EXPECT_EQ(logAtEnd.filter(busyText).size(), 1) << logAtEnd.join('\n').toStdString();
  ASSERT_FALSE(logAtEnd.isEmpty());
  EXPECT_TRUE(logAtEnd.last().endsWith(QStringLiteral("] ") + doneText))
      << logAtEnd.last().toStdString();

  for (const MessageRequest& r : box.shown)
    EXPECT_EQ(r.text, LangString(29)) << "only the exit question";
}
