#include "app/folder_tree_drives.h"

#include <QHash>

#include "app/add_folder_page.h"
#include "drives/drives.h"

FolderTreeDrives::FolderTreeDrives(IDrives& drives, FolderTreeModel& model, QObject* parent)
    : QObject(parent), drives_(drives), model_(model) {
  connect(&drives_, &IDrives::driveAdded, this, &FolderTreeDrives::Update);
  connect(&drives_, &IDrives::driveRemoved, this, &FolderTreeDrives::Update);
  Update();
}

QStringList FolderTreeDrives::Roots() const {
  QStringList roots = FolderTreeModel::defaultRoots();
  for (const Drive& d : drives_.drives())
    if (!roots.contains(d.mountPoint)) roots << d.mountPoint;
  return roots;
}

void FolderTreeDrives::Update() {
  QHash<QString, QString> labels;
  for (const Drive& d : drives_.drives()) labels.insert(d.mountPoint, d.label);
  model_.setRoots(Roots(), labels);
}
