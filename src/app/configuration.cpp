#include "app/configuration.h"

#include "fs/path_text.h"
#include "lang/messages.h"
#include "logs/log.h"
#include "store/unreadable_file.h"

namespace {

constexpr std::int32_t kRootDir = 1;
constexpr std::int32_t kColumnCreation = 1;

// The initial layout of the list: description, size, length, source.
const ListColumnSpec kInitialColumns[] = {
    {-1, kColumnDescr, 280},
    {-1, kColumnSize, 60},
    {-1, kColumnLength, 50},
    {-1, kColumnSource, 400},
};

std::int32_t readIntField(TkroObject& store, std::int32_t object, const char* field) {
  KroValue v;
  store.Objects(object)->AsObject.FieldByName(field)->GetValue(v);
  return v.asInt(0);
}

// The column mask, found by name from the root; -1 when the store has none.
std::int32_t columnMask(TkroObject& store) {
  const std::int32_t mask = store.System->Lookup(kColumnMaskName, kRootDir);
  if (mask < 0 || store.Objects(mask)->TypeOf() != kroTypeMask) return -1;
  return mask;
}

}  // namespace

std::string ConfFilePath(const std::string& programFolder) {
  // Without a data folder nothing is read or written (not "/conf5.kro").
  if (programFolder.empty()) return std::string();
  return JoinPath({programFolder, kConfFileName}, '/', kSepSlash);
}

ConfLoadResult ConfLoad(const std::string& programFolder) {
  ConfLoadResult out;
  const std::string file = ConfFilePath(programFolder);
  out.store = std::make_unique<TkroObject>();
  KeepUnreadableAside(file, out.store->LoadFromFile(file, kConfLoadMode));

  const std::string version = out.store->System->ReadString(kKeyVersion, std::string());
  if (version.empty() || version == kConfDiscardedVersion) {
    out.store = std::make_unique<TkroObject>();
    out.store->System->WriteValue(kKeyVersion, KroValue(kConfVersion));
  }
  EnsureConfStructure(*out.store);
  out.columns = FindListColumns(*out.store);
  return out;
}

void EnsureConfStructure(TkroObject& store) {
  TDSystem& sys = *store.System;
  sys.SetCurrentDir(kRootDir);
  store.SetTitle(kConfTitle);
  sys.ForceCreateDir("Interface");
  sys.ForceCreateDir("Action");
  sys.ForceCreateDir("Settings");

  if (columnMask(store) < 0) {
    const std::int32_t mask =
        store.CreateObjectMask(kColumnMaskName, {"type", 5, "width", 6}, kColumnCreation);
    if (mask >= 0) store.Objects(mask)->LinkInto(kRootDir);
  }

  if (!sys.Exists("Playlist", kRootDir)) {
    if (sys.CreateDir("", "Playlist") <= 0 && sys.LastCreated >= 0) {
      sys.SetCurrentDir(sys.LastCreated);
      sys.WriteValue("mode", KroValue(kDefaultPlaylistMode));
      sys.ForceCreateDir("Columns");
      const std::int32_t columnsDir = sys.LastCreated;
      const std::int32_t mask = columnMask(store);
      for (const ListColumnSpec& c : kInitialColumns) {
        std::int32_t n = -1;
        if (mask < 0 || columnsDir < 0 || store.CreateObject(mask, n, kColumnCreation) > 0) break;
        store.Objects(n)->LinkInto(columnsDir);
        store.Objects(n)->AsObject.FieldByName("type")->SetValue(KroValue(c.type));
        store.Objects(n)->AsObject.FieldByName("width")->SetValue(KroValue(c.width));
      }
    }
    sys.SetCurrentDir(kRootDir);
  }
}

std::unique_ptr<TkroItem> FindListColumns(TkroObject& store) {
  const std::int32_t n = store.System->Lookup(kKeyColumns, kRootDir);
  if (n < 0) return nullptr;
  return store.NewItem(n);
}

std::optional<std::vector<ListColumnSpec>> ReadListColumns(TkroObject& store, TkroItem* columns) {
  if (!columns || columns->Id < 0) return std::nullopt;
  std::vector<ListColumnSpec> out;
  const std::int32_t last = columns->AsTLinks.High();
  for (std::int32_t i = 0; i <= last; ++i) {
    ListColumnSpec c;
    c.object = columns->AsTLinks.Get(i);
    c.type = readIntField(store, c.object, "type");
    c.width = readIntField(store, c.object, "width");
    out.push_back(c);
  }
  return out;
}

void SaveListColumnWidths(TkroObject& store, TkroItem* columns, const std::vector<int>& widths) {
  const std::int32_t mode = store.System->ReadInt(kKeyPlaylistMode, kDefaultPlaylistMode);
  if (mode != 0 && mode != 1) return;
  if (!columns || columns->Id < 0) {
    BugFS("ConfSave.NoColumnsData");
    return;
  }
  const std::int32_t last = columns->AsTLinks.High();
  for (std::int32_t i = 0; i <= last && i < static_cast<std::int32_t>(widths.size()); ++i) {
    const std::int32_t object = columns->AsTLinks.Get(i);
    store.Objects(object)->AsObject.FieldByName("width")->SetValue(
        KroValue(widths[static_cast<std::size_t>(i)]));
  }
}

std::int32_t ConfSaveFile(TkroObject& store, const std::string& programFolder) {
  const std::string file = ConfFilePath(programFolder);
  const std::int32_t r = store.SaveToFile(file, kConfSaveMode);
  if (r > 0) ProgramLogWrite("ConfSave: " + file + " not saved, store error " + std::to_string(r));
  return r;
}

std::string JoinHistoryItems(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) {
    out += item;
    out += "\r\n";
  }
  return out;
}

std::vector<std::string> SplitHistoryItems(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const bool last = end == std::string::npos;
    if (last) end = text.size();
    std::string item = text.substr(start, end - start);
    if (!item.empty() && item.back() == '\r') item.pop_back();
    out.push_back(std::move(item));
    start = end + 1;
  }
  return out;
}
