#pragma once
// "Предпросмотр": the ticked entries' destinations as a run with the panel's settings
// would make them, shown in the list's destination column before anything is written.
// Cells of entries the run would skip, number, find too large for the medium or refuse
// are coloured, with the reason as their tool tip.
#include <functional>

#include "operation/operation_parameters.h"

class WorkListView;
class WorkListModel;

class PreviewCommand {
 public:
  struct Widgets {
    WorkListModel* model = nullptr;  // where the destination cells get their notes
  };
  // `parameters` gives the operation panel's settings at the moment of the preview.
  PreviewCommand(Widgets widgets, WorkListView& view,
                 std::function<OperationParameters()> parameters);

  // Checks the settings as Start does (a refusal is shown in the same box), then runs the
  // preview and shows its result. Nothing while a list change runs.
  void Run();

 private:
  Widgets w_;
  WorkListView& view_;
  std::function<OperationParameters()> parameters_;
};
