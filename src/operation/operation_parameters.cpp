#include "operation/operation_parameters.h"

#include "fs/path_text.h"
#include "worklist/text_encoding.h"

namespace {

bool isCopyOrMove(int action) {
  return action == actCopy || action == actMove;
}

}  // namespace

int OperationNameId(int action) {
  return 310 + action;
}

std::string DestinationRoot(const std::string& destination) {
  // Spaces around, separators at the end, then spaces that stood before them, until
  // neither is left: "/media/stick/out / /" is the folder "/media/stick/out".
  std::string root(TrimSpaces(destination));
  for (;;) {
    std::string next(TrimSpaces(StripTrailingSeparators(root, 3)));
    if (next == root) return root;
    root = std::move(next);
  }
}

int FolderLevelCount(const std::string& folderLevels) {
  std::int32_t levels = 0;
  if (ParseLooseInt(folderLevels, levels) != 0 || levels < 1) return 1;
  return levels > 6 ? 6 : levels;
}

int ValidateOperation(const OperationParameters& params) {
  const int action = params.action;
  if (action != actCopy && action != actMove && action != actDelete) return 320;
  if (!isCopyOrMove(action)) return 0;
  if (params.limitMode < limitAutoFree || params.limitMode > limitManual) return 321;
  if (params.limitMode == limitManual) {
    std::int32_t value = 0;
    if (ParseLooseInt(params.limitText, value) != 0 || value <= 0) return 322;
  }
  // A NUL byte cannot be part of a folder name; such a text names no destination.
  const std::string root = DestinationRoot(params.destination);
  if (root.empty() || HoldsNul(root)) return 323;
  const int policy = action == actCopy ? params.ifExistsCopy : params.ifExistsMove;
  if (policy < existsReplace || policy > existsSkipSame) return 324;
  if (params.renameEnabled &&
      (params.invalidCharRule < invalidRemove || params.invalidCharRule > invalidUnderline))
    return 325;
  return 0;
}
