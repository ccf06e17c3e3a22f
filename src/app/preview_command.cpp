#include "app/preview_command.h"

#include <unordered_map>
#include <utility>

#include "app/worklist_model.h"
#include "app/worklist_view.h"
#include "lang/lang.h"
#include "logs/log.h"
#include "operation/operation_engine.h"
#include "operation/start_operation.h"

namespace {

QColor markColour(PreviewMark mark) {
  switch (mark) {
    case PreviewMark::Skipped:
      return QColor(128, 128, 128);
    case PreviewMark::Numbered:
      return QColor(0, 90, 200);
    case PreviewMark::TooLarge:
    case PreviewMark::Refused:
      return QColor(200, 0, 0);
    case PreviewMark::None:
      break;
  }
  return QColor();
}

}  // namespace

PreviewCommand::PreviewCommand(Widgets widgets, WorkListView& view,
                               std::function<OperationParameters()> parameters)
    : w_(widgets), view_(view), parameters_(std::move(parameters)) {}

void PreviewCommand::Run() {
  TkroPlayList* list = view_.workList();
  if (view_.busy() || !list || !parameters_) return;
  const OperationParameters params = parameters_();
  if (RefuseInvalidOperation(params) != 0) return;
  ProgramLogWrite("Preview()");
  // The engine reads the marks from the entries, as a run does after its mark save.
  view_.ListSaveMarks();
  // The preview's stages have no dialog to show and ask nothing.
  SilentProgressDisplay display(false);
  TOperationEngine engine(*list, view_, display);
  const std::vector<PreviewEntry> outcomes = engine.RunPreview(params);
  std::unordered_map<int, WorkListModel::DestNote> notes;
  int marked = 0;
  for (const PreviewEntry& e : outcomes) {
    if (e.mark == PreviewMark::None) continue;
    ++marked;
    notes[e.entry] = {QString::fromStdString(e.reason), markColour(e.mark)};
  }
  if (w_.model) w_.model->setDestNotes(std::move(notes));
  // Rows show the destinations the preview gave their entries.
  view_.ListRefresh();
  view_.ShowDestinationColumn();
  view_.SetStatusText(
      0, LangString(405) + ": " + LangFormat(354, {static_cast<int>(outcomes.size())}), true);
  ProgramLogWrite("Preview() end, " + std::to_string(outcomes.size()) + " entries, " +
                  std::to_string(marked) + " marked");
}
