#pragma once
// Shared by the adding and playlist-import tests: a list view that records what it is
// asked to show, files with ID3v1 tags, and a readable snapshot of the work list.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"
#include "worklist/add_files.h"
#include "worklist/playlist.h"

class RecordingView : public IWorkListView {
 public:
  void BeginListWork(const std::string& text) override {
    calls.push_back("begin:" + text);
    busy = true;
  }
  void EndListWork(const std::string& text) override {
    calls.push_back("end:" + text);
    busy = false;
  }
  void EndListWorkKeepStatus() override {
    calls.push_back("endkeep");
    busy = false;
  }
  void ClearStatus() override { panels[0] = panels[1] = panels[2] = ""; }
  void SetStatusText(int panel, const std::string& text, bool) override {
    panels[panel] = text;
    calls.push_back("status" + std::to_string(panel) + ":" + text);
  }
  void ShowCount(int count, bool) override {
    counts.push_back(count);
    panels[1] = count ? std::to_string(count) : "";
  }
  void ListAddItem(int entryNumber) override { rows.push_back(entryNumber); }
  void ListClear() override { rows.clear(); }

  std::vector<std::string> calls;
  std::vector<int> counts;
  std::vector<int> rows;
  std::string panels[3];
  bool busy = false;
};

// The fields of one entry, for comparisons.
struct EntrySnapshot {
  std::string origin, dest, descr;
  std::int64_t size = 0;
  std::int32_t length = 0, flags = 0;
};

inline std::vector<EntrySnapshot> Snapshot(TkroPlayList& list) {
  std::vector<EntrySnapshot> out;
  for (int p = 0; p < list.EntryCount(); ++p) {
    list.SelectIndex(p);
    TkroPlayItem& c = *list.Cursor;
    out.push_back(
        {c.GetOrigin(), c.GetDest(), c.GetDescr(), c.GetSize(), c.GetLength(), c.GetFlags()});
  }
  return out;
}

inline std::vector<std::string> Descriptions(TkroPlayList& list) {
  std::vector<std::string> d;
  for (const auto& e : Snapshot(list)) d.push_back(e.descr);
  return d;
}

// A 128-byte ID3v1 block; fields padded with `pad`.
inline std::string Id3Block(const std::string& title, const std::string& artist, char pad = '\0') {
  auto field = [pad](const std::string& t, std::size_t w) {
    std::string f = t.substr(0, w);
    f.resize(w, pad);
    return f;
  };
  return "TAG" + field(title, 30) + field(artist, 30) + field("Album", 30) + field("2001", 4) +
         field("", 30) + std::string(1, '\x0C');
}

// An "audio" file: some bytes, then the tag when one is given.
inline void WriteAudio(const std::filesystem::path& p, const std::string& tag = "",
                       std::size_t body = 2000) {
  std::filesystem::create_directories(p.parent_path());
  writeFile(p, std::string(body, '\xAA') + tag);
}
