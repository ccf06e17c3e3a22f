#pragma once
// The drives as the desktop sees them: UDisks2 over D-Bus (its object manager, the
// interfaces added and removed, and the mount points of its file systems as they change),
// and where no UDisks2 answers, the mount table, read again whenever it changes. Ejecting
// needs UDisks2: without it eject answers NoService.
//
// A drive counts when UDisks2 puts it on a drive that is removable, has removable media,
// can be ejected, hangs on USB, SDIO or FireWire, or is no system device (a player or a
// stick), and its file system is mounted. The mount table knows nothing of buses: there a
// drive is whatever is mounted below the media folders (/media, /run/media, /mnt) at most
// two levels down, where desktops and users mount sticks.
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "drives/drives.h"

class QDBusMessage;
class QSocketNotifier;

class DrivesService : public IDrives {
  Q_OBJECT
 public:
  enum class Source { MountTable, UDisks2 };

  // `busAddress` is the D-Bus address where UDisks2 is asked; empty means the system bus.
  // A bus that cannot be reached, or one without UDisks2, leaves the mount table as the
  // source, with no error. The first answer of UDisks2 is waited for here (two seconds at
  // most), so the list is complete when the constructor returns.
  explicit DrivesService(const QString& busAddress = QString(), QObject* parent = nullptr);
  ~DrivesService() override;

  // The address the program asks UDisks2 on: the environment variable TAVEL_UDISKS_BUS
  // when set (a private bus with a mocked UDisks2, for tests and screenshots), else empty
  // (the system bus).
  static QString busAddressFromEnvironment();

  Source source() const { return source_; }
  QList<Drive> drives() const override;
  void eject(const QString& mountPoint, std::function<void(const EjectResult&)> done) override;

  // The folders below which the mount table's volumes count as drives; tests point it at
  // their own folder. Reads the mount table again when it is the source.
  void setMediaFolders(const QStringList& folders);
  // Lists the drives again from the current source, at once for the mount table and when
  // its answer arrives for UDisks2.
  void reload();

  // A system bus that does not answer in time must not hang the window; tests lower it.
  int udisksTimeoutMs = 2000;
  // Unmounting flushes what is still cached for a slow stick, which can take minutes.
  int ejectTimeoutMs = 10 * 60 * 1000;

 signals:
  // After every listing, whether or not anything changed.
  void listed();
  void sourceChanged(DrivesService::Source source);

 private slots:
  void udisksChanged(const QDBusMessage& message);

 private:
  // A listed drive with what ejecting it needs.
  struct Entry {
    Drive drive;
    QString blockPath;  // the UDisks2 object of the file system
    QString drivePath;  // the UDisks2 object of its drive
    bool canPowerOff = false;
    bool ejectable = false;
  };
  struct Bus;
  struct EjectJob;
  void setSource(Source source);
  void setEntries(QList<Entry> entries);
  void listUdisks(bool wait);
  void listMountTable();
  void mountTableChanged();
  void ejectNext(std::shared_ptr<EjectJob> job);

  std::unique_ptr<Bus> bus_;
  QList<Entry> entries_;
  Source source_ = Source::MountTable;
  QStringList mediaFolders_;
  int mountInfoFd_ = -1;
  QSocketNotifier* mountInfoNotifier_ = nullptr;
  bool udisksPending_ = false;
  bool udisksAgain_ = false;
};

// The programs (by their process names, each once, sorted) that have a file open, their
// working folder or their root on or below `mountPoint`, among the processes this user may
// look at.
QStringList ProgramsUsing(const QString& mountPoint);
