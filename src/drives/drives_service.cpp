#include "drives/drives_service.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSocketNotifier>
#include <QStorageInfo>
#include <QUuid>
#include <algorithm>
#include <utility>

#include "logs/log.h"

namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kManagerPath = QStringLiteral("/org/freedesktop/UDisks2");
const QString kObjectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kBlock = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kFilesystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString kDrive = QStringLiteral("org.freedesktop.UDisks2.Drive");
const QString kBusyError = QStringLiteral("org.freedesktop.UDisks2.Error.DeviceBusy");

using Interfaces = QMap<QString, QVariantMap>;

bool isUnder(const QString& path, const QString& root) {
  return path == root || path.startsWith(root + QLatin1Char('/'));
}

// UDisks2 hands paths over as NUL-terminated byte arrays.
QString bytesToPath(QByteArray bytes) {
  while (bytes.endsWith('\0')) bytes.chop(1);
  return QFile::decodeName(bytes);
}

QStringList pathList(const QVariant& value) {
  QStringList out;
  if (value.userType() != qMetaTypeId<QDBusArgument>()) return out;
  const auto arg = value.value<QDBusArgument>();
  arg.beginArray();
  while (!arg.atEnd()) {
    QByteArray bytes;
    arg >> bytes;
    const QString p = bytesToPath(bytes);
    if (!p.isEmpty()) out << p;
  }
  arg.endArray();
  return out;
}

QString pathOf(const QVariant& value) {
  if (value.canConvert<QDBusObjectPath>()) return value.value<QDBusObjectPath>().path();
  return value.toString();
}

QMap<QString, Interfaces> managedObjects(const QDBusMessage& reply) {
  QMap<QString, Interfaces> out;
  if (reply.arguments().isEmpty()) return out;
  const auto arg = reply.arguments().first().value<QDBusArgument>();
  arg.beginMap();
  while (!arg.atEnd()) {
    QDBusObjectPath path;
    Interfaces interfaces;
    arg.beginMapEntry();
    arg >> path >> interfaces;
    arg.endMapEntry();
    out.insert(path.path(), interfaces);
  }
  arg.endMap();
  return out;
}

std::int64_t freeBytesAt(const QString& mountPoint) {
  const QStorageInfo info(mountPoint);
  return info.isValid() ? info.bytesAvailable() : 0;
}

QString folderName(const QString& mountPoint) {
  const QString name = QFileInfo(mountPoint).fileName();
  return name.isEmpty() ? mountPoint : name;
}

}  // namespace

struct DrivesService::Bus {
  QDBusConnection connection{QString()};
  QString privateName;  // set when the connection is ours to close
  QDBusServiceWatcher* watcher = nullptr;

  ~Bus() {
    if (!privateName.isEmpty()) QDBusConnection::disconnectFromBus(privateName);
  }
};

struct DrivesService::EjectJob {
  QString mountPoint;
  QStringList blocks;  // file systems still to unmount, the chosen one first
  QString drivePath;
  bool canPowerOff = false;
  bool ejectable = false;
  std::function<void(const EjectResult&)> done;
};

DrivesService::DrivesService(const QString& busAddress, QObject* parent)
    : IDrives(parent),
      bus_(std::make_unique<Bus>()),
      mediaFolders_{QStringLiteral("/media"), QStringLiteral("/run/media"),
                    QStringLiteral("/mnt")} {
  qRegisterMetaType<Drive>();
  if (busAddress.isEmpty()) {
    bus_->connection = QDBusConnection::systemBus();
  } else {
    bus_->privateName = QStringLiteral("tavel-drives-") + QUuid::createUuid().toString();
    bus_->connection = QDBusConnection::connectToBus(busAddress, bus_->privateName);
  }

  mountInfoFd_ = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
  if (mountInfoFd_ >= 0) {
    // The kernel marks the mount table as changed with POLLPRI, which Qt reports as an
    // exception on the descriptor.
    mountInfoNotifier_ = new QSocketNotifier(mountInfoFd_, QSocketNotifier::Exception, this);
    connect(mountInfoNotifier_, &QSocketNotifier::activated, this,
            &DrivesService::mountTableChanged);
  }

  if (bus_->connection.isConnected()) {
    QDBusConnection& c = bus_->connection;
    c.connect(kService, kManagerPath, kObjectManager, QStringLiteral("InterfacesAdded"), this,
              SLOT(udisksChanged(QDBusMessage)));
    c.connect(kService, kManagerPath, kObjectManager, QStringLiteral("InterfacesRemoved"), this,
              SLOT(udisksChanged(QDBusMessage)));
    // A stick is often mounted a moment after it appears: the mount points change then.
    c.connect(kService, QString(), kProperties, QStringLiteral("PropertiesChanged"), this,
              SLOT(udisksChanged(QDBusMessage)));
    bus_->watcher = new QDBusServiceWatcher(
        kService, c,
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration,
        this);
    connect(bus_->watcher, &QDBusServiceWatcher::serviceRegistered, this,
            [this] { listUdisks(false); });
    connect(bus_->watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
      ProgramLogWrite("Drives: UDisks2 went away, the mount table is read instead");
      setSource(Source::MountTable);
      listMountTable();
    });
    listUdisks(true);
  } else {
    ProgramLogWrite("Drives: no D-Bus (" + bus_->connection.lastError().message().toStdString() +
                    "), the mount table is read");
  }
  if (source_ == Source::MountTable) listMountTable();
}

DrivesService::~DrivesService() {
  if (mountInfoFd_ >= 0) ::close(mountInfoFd_);
}

QString DrivesService::busAddressFromEnvironment() {
  return qEnvironmentVariable("TAVEL_UDISKS_BUS");
}

QList<Drive> DrivesService::drives() const {
  QList<Drive> out;
  for (const Entry& e : entries_) {
    Drive d = e.drive;
    d.freeBytes = freeBytesAt(d.mountPoint);
    out << d;
  }
  return out;
}

void DrivesService::setMediaFolders(const QStringList& folders) {
  mediaFolders_.clear();
  for (const QString& f : folders) mediaFolders_ << QDir::cleanPath(f);
  if (source_ == Source::MountTable) listMountTable();
}

void DrivesService::reload() {
  if (source_ == Source::UDisks2)
    listUdisks(false);
  else
    listMountTable();
}

void DrivesService::setSource(Source source) {
  if (source_ == source) return;
  source_ = source;
  emit sourceChanged(source);
}

void DrivesService::setEntries(QList<Entry> entries) {
  const QList<Entry> old = std::exchange(entries_, std::move(entries));
  auto holds = [](const QList<Entry>& list, const Entry& e) {
    return std::any_of(list.begin(), list.end(),
                       [&e](const Entry& x) { return x.drive.sameDrive(e.drive); });
  };
  for (const Entry& e : old)
    if (!holds(entries_, e)) emit driveRemoved(e.drive);
  for (const Entry& e : entries_)
    if (!holds(old, e)) {
      Drive d = e.drive;
      d.freeBytes = freeBytesAt(d.mountPoint);
      emit driveAdded(d);
    }
  emit listed();
}

// ---- UDisks2 ------------------------------------------------------------------------------

void DrivesService::udisksChanged(const QDBusMessage& message) {
  if (message.member() == QLatin1String("PropertiesChanged")) {
    const QString iface = message.arguments().value(0).toString();
    if (iface != kFilesystem && iface != kBlock && iface != kDrive) return;
  }
  listUdisks(false);
}

void DrivesService::listUdisks(bool wait) {
  // Signals come in bursts (a drive and each of its partitions): one listing at a time, and
  // one more after it when something came in meanwhile.
  if (udisksPending_) {
    udisksAgain_ = true;
    return;
  }
  const QDBusMessage call = QDBusMessage::createMethodCall(kService, kManagerPath, kObjectManager,
                                                           QStringLiteral("GetManagedObjects"));
  auto take = [this](const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage) {
      if (source_ == Source::UDisks2 || udisksAgain_)
        ProgramLogWrite("Drives: UDisks2 did not answer (" + reply.errorMessage().toStdString() +
                        ")");
      setSource(Source::MountTable);
      listMountTable();
      return;
    }
    const QMap<QString, Interfaces> objects = managedObjects(reply);
    QList<Entry> entries;
    for (auto it = objects.begin(); it != objects.end(); ++it) {
      const Interfaces& ifaces = it.value();
      if (!ifaces.contains(kBlock) || !ifaces.contains(kFilesystem)) continue;
      const QVariantMap& block = ifaces[kBlock];
      const QStringList mounts = pathList(ifaces[kFilesystem].value(QStringLiteral("MountPoints")));
      if (mounts.isEmpty() || block.value(QStringLiteral("HintIgnore")).toBool()) continue;
      const QString drivePath = pathOf(block.value(QStringLiteral("Drive")));
      const auto driveIt = objects.find(drivePath);
      if (driveIt == objects.end() || !driveIt.value().contains(kDrive)) continue;
      const QVariantMap& drive = driveIt.value()[kDrive];
      const QString bus = drive.value(QStringLiteral("ConnectionBus")).toString();
      const bool removable = drive.value(QStringLiteral("Removable")).toBool() ||
                             drive.value(QStringLiteral("MediaRemovable")).toBool() ||
                             drive.value(QStringLiteral("Ejectable")).toBool() ||
                             bus == QLatin1String("usb") || bus == QLatin1String("sdio") ||
                             bus == QLatin1String("ieee1394") ||
                             !block.value(QStringLiteral("HintSystem"), true).toBool();
      if (!removable) continue;
      Entry e;
      e.blockPath = it.key();
      e.drivePath = drivePath;
      e.canPowerOff = drive.value(QStringLiteral("CanPowerOff")).toBool();
      e.ejectable = drive.value(QStringLiteral("Ejectable")).toBool();
      Drive& d = e.drive;
      d.mountPoint = QDir::cleanPath(mounts.first());
      d.fileSystem = block.value(QStringLiteral("IdType")).toString();
      d.size = block.value(QStringLiteral("Size")).toLongLong();
      d.device = bytesToPath(block.value(QStringLiteral("PreferredDevice")).toByteArray());
      if (d.device.isEmpty())
        d.device = bytesToPath(block.value(QStringLiteral("Device")).toByteArray());
      d.label = block.value(QStringLiteral("HintName")).toString();
      if (d.label.isEmpty()) d.label = block.value(QStringLiteral("IdLabel")).toString();
      if (d.label.isEmpty())
        d.label = (drive.value(QStringLiteral("Vendor")).toString() + QLatin1Char(' ') +
                   drive.value(QStringLiteral("Model")).toString())
                      .trimmed();
      if (d.label.isEmpty()) d.label = folderName(d.mountPoint);
      entries << e;
    }
    setSource(Source::UDisks2);
    setEntries(std::move(entries));
  };

  if (wait) {
    take(bus_->connection.call(call, QDBus::Block, udisksTimeoutMs));
    return;
  }
  udisksPending_ = true;
  auto* watcher =
      new QDBusPendingCallWatcher(bus_->connection.asyncCall(call, udisksTimeoutMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, take](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            udisksPending_ = false;
            take(w->reply());
            if (std::exchange(udisksAgain_, false)) listUdisks(false);
          });
}

// ---- mount table --------------------------------------------------------------------------

void DrivesService::mountTableChanged() {
  // The change mark is cleared only by reading the table through this descriptor.
  char buffer[4096];
  ::lseek(mountInfoFd_, 0, SEEK_SET);
  while (::read(mountInfoFd_, buffer, sizeof buffer) > 0) {
  }
  if (source_ == Source::MountTable) listMountTable();
}

void DrivesService::listMountTable() {
  QList<Entry> entries;
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
    if (!v.isValid() || !v.isReady()) continue;
    const QString root = QDir::cleanPath(v.rootPath());
    bool medium = false;
    for (const QString& folder : mediaFolders_) {
      if (root == folder || !isUnder(root, folder)) continue;
      // /media/STICK, /media/user/STICK; deeper mounts are some program's business.
      medium = root.mid(folder.size() + 1).count(QLatin1Char('/')) <= 1;
      if (medium) break;
    }
    if (!medium) continue;
    Entry e;
    Drive& d = e.drive;
    d.mountPoint = root;
    d.fileSystem = QString::fromUtf8(v.fileSystemType());
    d.device = QString::fromUtf8(v.device());
    d.size = v.bytesTotal();
    d.label = v.name();
    if (d.label.isEmpty()) d.label = folderName(root);
    entries << e;
  }
  setEntries(std::move(entries));
}

// ---- eject ----------------------------------------------------------------------------------

void DrivesService::eject(const QString& mountPoint, std::function<void(const EjectResult&)> done) {
  const QString mount = QDir::cleanPath(mountPoint);
  const auto it = std::find_if(entries_.begin(), entries_.end(),
                               [&mount](const Entry& e) { return e.drive.mountPoint == mount; });
  EjectResult result;
  if (it == entries_.end()) {
    result.outcome = EjectResult::NotADrive;
  } else if (source_ != Source::UDisks2) {
    result.outcome = EjectResult::NoService;
  } else {
    auto job = std::make_shared<EjectJob>();
    job->mountPoint = mount;
    job->drivePath = it->drivePath;
    job->canPowerOff = it->canPowerOff;
    job->ejectable = it->ejectable;
    job->done = std::move(done);
    // Every file system of the drive goes before the drive itself can be powered off.
    job->blocks << it->blockPath;
    for (const Entry& e : entries_)
      if (e.drivePath == it->drivePath && !job->blocks.contains(e.blockPath))
        job->blocks << e.blockPath;
    ProgramLogWrite("Drives: eject " + mount.toStdString());
    ejectNext(job);
    return;
  }
  if (done) done(result);
}

void DrivesService::ejectNext(std::shared_ptr<EjectJob> job) {
  QDBusMessage call;
  const bool unmounting = !job->blocks.isEmpty();
  if (unmounting) {
    call = QDBusMessage::createMethodCall(kService, job->blocks.takeFirst(), kFilesystem,
                                          QStringLiteral("Unmount"));
  } else if (job->canPowerOff || job->ejectable) {
    call = QDBusMessage::createMethodCall(
        kService, job->drivePath, kDrive,
        job->canPowerOff ? QStringLiteral("PowerOff") : QStringLiteral("Eject"));
  } else {
    // Unmounted is enough for a drive that can neither be powered off nor ejected.
    if (job->done) job->done(EjectResult{EjectResult::Ejected, {}, {}});
    return;
  }
  call << QVariantMap();
  auto* watcher =
      new QDBusPendingCallWatcher(bus_->connection.asyncCall(call, ejectTimeoutMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, job, unmounting](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            const QDBusMessage reply = w->reply();
            if (reply.type() == QDBusMessage::ReplyMessage) {
              // The drive's own call is the last step: asking it again would power off a
              // drive that is gone (or, where it stays listed, ask for ever).
              if (unmounting)
                ejectNext(job);
              else if (job->done)
                job->done(EjectResult{EjectResult::Ejected, {}, {}});
              return;
            }
            EjectResult result;
            result.detail = reply.errorMessage();
            if (!unmounting) {
              // Every file system is unmounted, so pulling the device out loses nothing;
              // some card readers and hubs simply cannot be switched off.
              result.outcome = EjectResult::Ejected;
            } else if (reply.errorName() == kBusyError) {
              result.outcome = EjectResult::Busy;
              result.holders = ProgramsUsing(job->mountPoint);
            } else {
              result.outcome = EjectResult::Failed;
            }
            ProgramLogWrite("Drives: eject " + job->mountPoint.toStdString() + ": " +
                            reply.errorName().toStdString() + " " +
                            reply.errorMessage().toStdString());
            if (job->done) job->done(result);
          });
}

// ---- who holds a mount ----------------------------------------------------------------------

QStringList ProgramsUsing(const QString& mountPoint) {
  const QString mount = QDir::cleanPath(mountPoint);
  QSet<QString> names;
  QDirIterator procs(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
  while (procs.hasNext()) {
    const QString dir = procs.next();
    bool numeric = false;
    QFileInfo(dir).fileName().toInt(&numeric);
    if (!numeric) continue;
    bool holds = false;
    for (const char* link : {"/cwd", "/root"})
      holds = holds || isUnder(QFileInfo(dir + QLatin1String(link)).symLinkTarget(), mount);
    QDirIterator fds(dir + QStringLiteral("/fd"), QDir::Files | QDir::System);
    while (!holds && fds.hasNext()) holds = isUnder(QFileInfo(fds.next()).symLinkTarget(), mount);
    if (!holds) continue;
    QFile comm(dir + QStringLiteral("/comm"));
    if (comm.open(QIODevice::ReadOnly)) {
      const QString name = QString::fromUtf8(comm.readAll()).trimmed();
      if (!name.isEmpty()) names.insert(name);
    }
  }
  QStringList out(names.begin(), names.end());
  out.sort();
  return out;
}
