#include "drives/drives.h"

#include <QDir>

#include "fs/file_tree.h"
#include "lang/lang.h"

namespace {

bool isUnder(const QString& path, const QString& root) {
  if (root == QLatin1String("/")) return path.startsWith(QLatin1Char('/'));
  return path == root || path.startsWith(root + QLatin1Char('/'));
}

}  // namespace

std::string EjectResult::reason() const {
  switch (outcome) {
    case Ejected:
      return std::string();
    case Busy:
      return holders.isEmpty()
                 ? LangString(461)
                 : LangFormat(460, {holders.join(QStringLiteral(", ")).toStdString()});
    case NotADrive:
      return LangString(464);
    case NoService:
      return LangString(463);
    case Failed:
      break;
  }
  return detail.toStdString();
}

std::string EjectResult::text() const {
  return ok() ? LangString(459) : LangFormat(462, {reason()});
}

std::optional<Drive> IDrives::driveOf(const QString& path) const {
  return DriveHolding(drives(), path);
}

std::optional<Drive> DriveHolding(const QList<Drive>& drives, const QString& path) {
  if (path.trimmed().isEmpty()) return std::nullopt;
  const QString plain = QDir::cleanPath(path.trimmed());
  // A relative text is taken from the root, as the destination field is.
  const QString resolved = QString::fromStdString(
      CanonicalPathText(QDir(QDir::rootPath()).absoluteFilePath(plain).toStdString()));
  std::optional<Drive> best;
  for (const Drive& d : drives) {
    if (d.mountPoint.isEmpty()) continue;
    const QString mount = QDir::cleanPath(d.mountPoint);
    if (!isUnder(plain, mount) && !isUnder(resolved, mount)) continue;
    if (!best || mount.size() > best->mountPoint.size()) best = d;
  }
  return best;
}

std::string DriveMenuText(const Drive& drive) {
  return LangFormat(458, {drive.label.toStdString(), SizeToText(drive.freeBytes),
                          SizeToText(drive.size), drive.mountPoint.toStdString()});
}
