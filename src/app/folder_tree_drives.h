#pragma once
// The add-folder tree's volumes follow the drives: a stick plugged in shows as a top-level
// folder of the tree, one pulled out goes, while the home folder, "/" and the other
// mounted volumes stay.
#include <QObject>
#include <QStringList>

class FolderTreeModel;
class IDrives;

class FolderTreeDrives : public QObject {
  Q_OBJECT
 public:
  FolderTreeDrives(IDrives& drives, FolderTreeModel& model, QObject* parent = nullptr);

  // The tree's top level as it should be now: the default roots, then the drives that are
  // not among them.
  QStringList Roots() const;
  void Update();

 private:
  IDrives& drives_;
  FolderTreeModel& model_;
};
