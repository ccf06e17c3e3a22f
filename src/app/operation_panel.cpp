#include "app/operation_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <charconv>
#include <limits>

#include "app/add_folder_page.h"
#include "app/configuration.h"
#include "app/program.h"
#include "app/progress_dialog.h"
#include "app/radio_group.h"
#include "app/text_ids.h"
#include "app/worklist_model.h"
#include "app/worklist_view.h"
#include "fs/file_tree.h"
#include "lang/lang.h"
#include "logs/log.h"
#include "operation/start_operation.h"
#include "worklist/text_encoding.h"

namespace {

constexpr int kFoldersHeightLevels = 85;  // with the number of levels
constexpr int kFoldersHeight = 57;
constexpr int kLayoutChooseLevels = 3;  // cbFolders' item "choose the number of levels"

std::string textOf(const QComboBox* c) {
  return c->currentText().toStdString();
}

}  // namespace

std::int64_t ManualLimitBytes(const std::string& text) {
  const std::string t(TrimSpaces(text));
  const char* first = t.data();
  const char* last = t.data() + t.size();
  // from_chars takes a leading '-' only; a '+' is allowed once, before the digits.
  if (first != last && *first == '+') {
    ++first;
    if (first != last && *first == '-') return 0;
  }
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(first, last, value, 10);
  if (error != std::errc() || end != last || first == last) return 0;
  return static_cast<std::int64_t>(value) * 1000000;
}

OperationPanel::OperationPanel(Widgets widgets, WorkListView& view, TavelProgram& program,
                               std::function<void()> stopPlayer, QObject* parent)
    : QObject(parent),
      w_(widgets),
      view_(view),
      program_(program),
      stopPlayer_(std::move(stopPlayer)) {
  bind();
}

void OperationPanel::bind() {
  Widgets& f = w_;
  connect(f.rgAction, &RadioGroup::clicked, this, [this](int) { rgActionClick(); });
  connect(f.cbRenameEnable, &QCheckBox::toggled, this, [this](bool) { cbRenameEnableClick(); });
  connect(f.cbFolders, &QComboBox::currentIndexChanged, this, [this](int) { cbFoldersChange(); });
  connect(f.rgLimit, &RadioGroup::clicked, this,
          [this](int) { rgLimitClick(LimitSender::rgLimit); });
  // Every edit of the manual text, typed or picked from the history.
  connect(f.cbLimit, &QComboBox::editTextChanged, this,
          [this](const QString&) { rgLimitClick(LimitSender::cbLimit); });
  connect(f.Button6, &QPushButton::clicked, this, [this] { rgLimitClick(LimitSender::Button6); });
  connect(f.Button9, &QPushButton::clicked, this, [this] { Button9Click(); });
  connect(f.Start, &QPushButton::clicked, this, [this] { StartClick(); });
  connect(f.Button8, &QPushButton::clicked, this, [this] { StartClick(); });
  connect(&view_, &WorkListView::busyChanged, this, [this](bool) { UpdateStartButtons(); });
}

void OperationPanel::UpdateStartButtons() {
  // While a folder scan or an import fills the list, a run would take the half-built list
  // and its end would close the scan's bracket.
  const bool free = !view_.busy();
  w_.Start->setEnabled(free);
  w_.Button8->setEnabled(free && w_.rgAction->itemIndex() >= 0);
}

void OperationPanel::setStatus(const std::string& text) {
  view_.SetStatusText(0, text, false);
}

void OperationPanel::SelectAction(int index) {
  w_.rgAction->setItemIndex(index);
  UpdateActionPanels();
}

void OperationPanel::rgActionClick() {
  SelectAction(w_.rgAction->itemIndex());
}

void OperationPanel::UpdateActionPanels() {
  Widgets& f = w_;
  // Picked while a scan runs, the panels change inside the scan's bracket and leave it open.
  const bool ownBracket = !view_.busy();
  if (ownBracket) view_.BeginListWork("");
  for (QWidget* w : {static_cast<QWidget*>(f.paDest), static_cast<QWidget*>(f.paMove),
                     static_cast<QWidget*>(f.paCopy), static_cast<QWidget*>(f.paDelete), f.pa2})
    w->hide();
  QCoreApplication::processEvents();
  switch (f.rgAction->itemIndex()) {
    case actCopy:
      f.paDest->show();
      f.paCopy->show();
      f.pa2->show();
      break;
    case actMove:
      f.paDest->show();
      f.paMove->show();
      f.pa2->show();
      break;
    case actDelete:
      f.paDelete->show();
      break;
    default:
      break;
  }
  cbRenameEnableClick();
  cbFoldersChange();
  rgLimitClick(LimitSender::Button6);
  if (f.rgAction->itemIndex() >= 0)
    f.Button8->setText(QString::fromStdString(LangString(kTextOperation) + ": ") +
                       f.rgAction->itemText());
  if (ownBracket) view_.EndListWork("");
  UpdateStartButtons();
}

void OperationPanel::cbRenameEnableClick() {
  Widgets& f = w_;
  const bool on = f.cbRenameEnable->isChecked();
  for (QWidget* w :
       {static_cast<QWidget*>(f.cb11), static_cast<QWidget*>(f.cb12), static_cast<QWidget*>(f.cb13),
        static_cast<QWidget*>(f.cb14), static_cast<QWidget*>(f.cb15), static_cast<QWidget*>(f.rg3)})
    w->setEnabled(on);
}

void OperationPanel::cbFoldersChange() {
  Widgets& f = w_;
  const bool levels = f.cbFolders->currentIndex() == kLayoutChooseLevels;
  f.Label4->setVisible(levels);
  f.cbCustomFC->setVisible(levels);
  f.paFolders->setFixedHeight(levels ? kFoldersHeightLevels : kFoldersHeight);
}

void OperationPanel::rgLimitClick(LimitSender sender) {
  Widgets& f = w_;
  ProgramLogWrite("rgLC()");
  const int kind = f.rgLimit->itemIndex();
  const bool manual = kind == limitManual;
  f.cbLimit->setVisible(manual);
  f.Button6->setVisible(kind < limitManual);
  f.Label3->setVisible(manual);
  f.Label6->setVisible(!manual);

  const std::string dest = DestinationRoot(textOf(f.cbDest));
  if (dest.empty()) {
    setStatus(LangString(kTextNoDestination));
    ProgramLogWrite("rgLC() end");
    return;
  }

  std::int64_t& limit = limitBytes_;
  limit = 0;
  if (kind == limitAutoFree || kind == limitAutoTotal) {
    if (sender == LimitSender::Button6) {
      // Asked while a folder scan or an import fills the list (or while the action's panels
      // are laid out), the query runs inside that bracket: ending one of our own here would
      // close theirs half-way, letting a run start on a half-built list. Its end recomputes
      // the bar with the limit found now.
      const bool ownBracket = !view_.busy();
      if (ownBracket)
        view_.BeginListWork(LangString(kTextReadingSpace));
      else
        setStatus(LangString(kTextReadingSpace));
      // The cleaned text: spaces around a typed path must not send the query to the
      // current folder's volume.
      limit = GetDriveSpace(dest, kind == limitAutoTotal, f.cbClearDest->isChecked());
      if (ownBracket) view_.EndListWork("");
    }
  } else if (manual) {
    limit = ManualLimitBytes(textOf(f.cbLimit));
  }

  if (limit < 0)
    setStatus(LangString(kTextLimitInvalid));
  else
    setStatus(LangFormat(kTextLimitSet, {SizeToText(limit)}));
  emit limitChanged();
  if (!f.Label6->isHidden()) f.Label6->setText(QString::fromStdString(SizeToText(limit)));
  ProgramLogWrite("rgLC() end");
}

void OperationPanel::Button9Click() {
  const std::string title = LangString(kTextChooseDestination);
  std::optional<std::string> folder;
  if (const AppServices& services = program_.services(); services.pickFolder) {
    folder = services.pickFolder(title);
  } else {
    const QString picked =
        QFileDialog::getExistingDirectory(w_.window, QString::fromStdString(title), QString());
    if (!picked.isEmpty()) folder = picked.toStdString();
  }
  if (!folder || folder->empty()) return;
  w_.cbDest->setEditText(QString::fromStdString(*folder));
  rgLimitClick(LimitSender::Button6);
}

OperationParameters OperationPanel::Parameters() const {
  const Widgets& f = w_;
  OperationParameters p;
  p.action = f.rgAction->itemIndex();
  p.destination = textOf(f.cbDest);
  p.limitMode = f.rgLimit->itemIndex();
  p.limitText = textOf(f.cbLimit);
  p.limitBytes = limitBytes_;
  p.clearDestination = f.cbClearDest->isChecked();
  p.ifExistsCopy = f.rg1Exists->itemIndex();
  p.ifExistsMove = f.rg2Exists->itemIndex();
  p.deleteToRecycleBin = f.cbDelToTrash->isChecked();
  p.verifyCopies = f.cbVerify->isChecked();
  p.folderLayout = f.cbFolders->currentIndex();
  p.folderLevels = textOf(f.cbCustomFC);
  p.renameEnabled = f.cbRenameEnable->isChecked();
  p.renameByDescription = f.cb11->isChecked();
  p.deleteLeadingNumber = f.cb14->isChecked();
  p.numberItems = f.cb13->isChecked();
  p.invalidCharRule = f.rg3->itemIndex();
  p.writeDevicePlaylist = f.cbDevPlaylist->isChecked();
  p.devicePlaylistName = f.edDevPlaylist->text().toStdString();
  return p;
}

int OperationPanel::StartClick() {
  if (view_.busy()) {
    ProgramLogWrite("StartClick: the list is being changed, no operation starts");
    return 0;
  }
  const OperationParameters params = Parameters();
  StartOperationHooks hooks;
  hooks.stopPlayer = stopPlayer_;
  hooks.rememberLimitText = [this](const std::string&) {
    UpdateHistory(w_.cbLimit, historyLimit, true);
  };
  hooks.rememberDestination = [this](const std::string&) {
    UpdateHistory(w_.cbDest, historyLimit, true);
  };
  hooks.listSaveMarks = [this] { view_.ListSaveMarks(); };
  // What a preview said no longer holds once the run has happened.
  if (WorkListModel* model = view_.model()) model->setDestNotes({});
  hooks.runProgressDialog = [this, &params] {
    if (runner_) {
      runner_(params);
    } else {
      TavelProgram& program = program_;
      TForm3* dialog = program.progressDialog();
      TkroPlayList* list = program.workList();
      if (dialog && list)
        dialog->RunModal(*list, view_, params, program.configBool(kKeyIgnoreReadOnly, true));
    }
    // The run changed what the destination holds: the limit and its bar are asked anew.
    rgLimitClick(LimitSender::Button6);
  };
  hooks.beginListWork = [this](const std::string& text) { view_.BeginListWork(text); };
  hooks.refreshRows = [this] {
    for (int row = 0; row < view_.RowCount(); ++row) view_.ListUpdateItem(row);
  };
  hooks.endListWork = [this] { view_.EndListWork(""); };
  return ::StartClick(params, hooks);
}
