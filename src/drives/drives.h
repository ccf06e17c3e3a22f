#pragma once
// The removable drives and media players that are mounted now: what the destination
// drop-down offers, what the folder tree shows as volumes, and what "Извлечь" ejects.
// Window code takes an IDrives as a collaborator; the real one is DrivesService
// (drives_service.h), tests use a fake.
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct Drive {
  // The medium's own label; its vendor and model, or the mount folder's name, when it
  // has none.
  QString label;
  QString mountPoint;          // absolute, without a trailing '/'
  QString fileSystem;          // "vfat", "exfat", ...; empty when unknown
  QString device;              // "/dev/sdb1"; empty when unknown
  std::int64_t size = 0;       // bytes of the file system; 0 when unknown
  std::int64_t freeBytes = 0;  // bytes the user may still write, read when listed

  // Two listings name the same drive when device and mount point agree.
  bool sameDrive(const Drive& other) const {
    return mountPoint == other.mountPoint && device == other.device;
  }
};
Q_DECLARE_METATYPE(Drive)

// How an eject went: ejected (the device may be pulled out now) or why not.
struct EjectResult {
  enum Outcome {
    Ejected,
    Busy,       // files on it are open; `holders` names the programs when known
    NotADrive,  // the path is on no listed drive
    NoService,  // nothing that can eject answers (no UDisks2)
    Failed,     // UDisks2 refused; `detail` holds its message
  };
  Outcome outcome = Failed;
  QStringList holders;  // program names, each once
  QString detail;       // the service's own message, for the log and the user

  bool ok() const { return outcome == Ejected; }
  // What the user is told, from the string table: that the device can be removed, or
  // "could not eject the device: " and the reason.
  std::string text() const;
  // Why the eject failed, to follow "could not eject the device: "; empty when ejected.
  std::string reason() const;
};

class IDrives : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~IDrives() override = default;

  // The drives mounted now, in the order they were found; free space is read on each call.
  virtual QList<Drive> drives() const = 0;
  // Unmounts every file system of the drive mounted at `mountPoint` and powers it off; calls
  // `done` once, on this thread, when that has finished or failed. The call returns at once.
  virtual void eject(const QString& mountPoint, std::function<void(const EjectResult&)> done) = 0;

  // The listed drive that holds `path` (which need not exist yet); none when the path lies
  // on no removable drive.
  std::optional<Drive> driveOf(const QString& path) const;
  bool isRemovable(const QString& path) const { return driveOf(path).has_value(); }

 signals:
  void driveAdded(const Drive& drive);
  void driveRemoved(const Drive& drive);
};

// The drive among `drives` whose mount point holds `path`: the deepest one when mounts nest.
// Symbolic links in the existing part of the path are resolved first.
std::optional<Drive> DriveHolding(const QList<Drive>& drives, const QString& path);

// "STICK — свободно 3,2 ГБ из 8 ГБ (/media/user/STICK)": a drive as the drop-down lists it.
std::string DriveMenuText(const Drive& drive);
