#pragma once
// What the window's parts ask of the desktop: the file dialogs, a folder picked, a document
// opened with the desktop's own application, a dialog run modally. The program keeps one
// record and hands it down to the parts that need it; tests hand down fakes. An empty
// member means Qt's own.
#include <functional>
#include <optional>
#include <string>

class IFileDialogs;
class QDialog;

struct AppServices {
  // Null: Qt's file dialogs over the list's window.
  IFileDialogs* fileDialogs = nullptr;
  // Asks for a folder with the given title; no value when the user cancelled.
  std::function<std::optional<std::string>(const std::string& title)> pickFolder;
  // Opens a document or folder; false when that failed.
  std::function<bool(const std::string& path)> open;
  // Shows a dialog modally.
  std::function<void(QDialog* dialog)> runModal;
};
