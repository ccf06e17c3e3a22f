#pragma once
// The configuration store conf5.kro: its loading with version handling, the structure every
// run relies on, the list-view column objects, and the keys with their defaults. Settings
// live as named values in the store's system section, in folders written with '/'
// ("Settings/Exit confirm"); every value is read with a default, so a missing or
// unreadable file means the defaults. No widgets here: the main window's side is in
// configuration_controls.h.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/configuration_keys.h"
#include "store/kro_object.h"
#include "tavel_version.h"

inline constexpr const char* kConfFileName = "conf5.kro";
inline constexpr const char* kConfTitle = "K7D40 Configuration";
// The version of the program that writes the store.
inline constexpr const char* kConfVersion = kProgramVersion;
// A store of this version is replaced by the defaults: its values mean other things.
inline constexpr const char* kConfDiscardedVersion = "0.9.1";
constexpr std::int32_t kConfLoadMode = 3;
constexpr std::int32_t kConfSaveMode = 2;

// The column mask and the column types of the list view.
inline constexpr const char* kColumnMaskName = "~PlayListColumn";
enum ListColumnType : std::int32_t {
  kColumnSource = 0,
  kColumnDest = 1,
  kColumnDescr = 2,
  kColumnSize = 3,
  kColumnLength = 4,
  kColumnFlags = 5,
};

// program folder + "/conf5.kro".
std::string ConfFilePath(const std::string& programFolder);

// What ConfLoad leaves: the store, and the item on "Playlist/Columns" (null when the store
// has no such folder: missing column data).
struct ConfLoadResult {
  std::unique_ptr<TkroObject> store;
  std::unique_ptr<TkroItem> columns;
};

// Opens the configuration: loads conf5.kro (a file that is there but cannot be loaded is
// kept aside as conf5.kro.unreadable first), replaces a store without a version or of
// version 0.9.1 by an empty one of this version, and makes sure the structure exists.
ConfLoadResult ConfLoad(const std::string& programFolder);

// The structure every run relies on: the title, the folders "Interface", "Action" and
// "Settings", the column mask linked into the root, and a "Playlist" folder (created with
// mode 1 and the four initial columns when it is missing). The root is current afterwards.
void EnsureConfStructure(TkroObject& store);

// A new item on "Playlist/Columns", null when the folder is missing.
std::unique_ptr<TkroItem> FindListColumns(TkroObject& store);

// One column object: its type (see ListColumnType) and width in pixels.
struct ListColumnSpec {
  std::int32_t object = -1;
  std::int32_t type = 0;
  std::int32_t width = 0;
};
// The column objects linked by `columns`, in display order; no value for missing column
// data (a null item or one on no folder). Unreadable fields read as 0.
std::optional<std::vector<ListColumnSpec>> ReadListColumns(TkroObject& store, TkroItem* columns);

// Stores the view's current column widths: in view modes 0 and 1, widths[i] goes into
// column object i for every object that has a column in the view (i < widths.size());
// types are never changed. Missing column data is reported with BugFS
// ("ConfSave.NoColumnsData"). Any other mode saves nothing.
void SaveListColumnWidths(TkroObject& store, TkroItem* columns, const std::vector<int>& widths);

// Saves the store to conf5.kro (save mode 2); a failure leaves the old file and is logged.
std::int32_t ConfSaveFile(TkroObject& store, const std::string& programFolder);

// History lists of the editable drop-downs as one stored text: every item followed by
// CR LF. Reading accepts LF alone as well; the final line break ends the last item.
std::string JoinHistoryItems(const std::vector<std::string>& items);
std::vector<std::string> SplitHistoryItems(const std::string& text);
