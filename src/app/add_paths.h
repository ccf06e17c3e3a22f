#pragma once
// Files and folders handed to the program from outside its own dialogs (paths on the
// command line, a drop from a file manager) go into the list as the program's own
// commands would put them there.
#include <QStringList>
#include <string>
#include <vector>

class AddFolderPage;
class QMimeData;
class WorkListView;

enum class HandedPathKind { Folder, Playlist, File, Missing };

// A folder (a link to one counts), an .m3u playlist (extension in any letter case), any
// other existing file, or nothing that exists.
HandedPathKind KindOfHandedPath(const std::string& path);

// Adds the paths in the given order: a folder as the add-folder page adds one (with its
// current options), a playlist imported into the list (never replacing it), other files
// added as the add-files command adds them (files next to each other in one go). Nothing
// happens while the list is busy. Returns the paths that do not exist (not added).
std::vector<std::string> AddHandedPaths(WorkListView& view, AddFolderPage& page,
                                        const std::vector<std::string>& paths);

// The local files and folders a drag carries (file-manager drags carry file:// URLs);
// empty when it carries none.
std::vector<std::string> LocalPathsOf(const QMimeData* data);
