'''UDisks2 as the drives tests and screenshots need it

An object manager at /org/freedesktop/UDisks2 with no devices; AddStick adds a drive with
one mounted file system (InterfacesAdded is sent as UDisks2 does), RemoveStick takes it
away (InterfacesRemoved), SetMounted mounts or unmounts it (PropertiesChanged of the mount
points), SetUnmountError makes the next Unmount fail with the given D-Bus error,
SetPowerOffKeepsDrive makes a drive stay listed after PowerOff (as some card readers do).
Filesystem.Unmount clears the mount points and Drive.PowerOff removes the drive, as the
real service does; both land in the mock's call log.
'''

import dbus

from dbusmock import MOCK_IFACE
from dbusmock.mockobject import objects

BUS_NAME = 'org.freedesktop.UDisks2'
MAIN_OBJ = '/org/freedesktop/UDisks2'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

BLOCK = 'org.freedesktop.UDisks2.Block'
FILESYSTEM = 'org.freedesktop.UDisks2.Filesystem'
DRIVE = 'org.freedesktop.UDisks2.Drive'
PROPERTIES = 'org.freedesktop.DBus.Properties'
OBJECT_MANAGER = 'org.freedesktop.DBus.ObjectManager'

unmount_errors = {}
keeps_drive = set()


def load(mock, parameters):
    mock.AddProperties('org.freedesktop.UDisks2.Manager',
                       dbus.Dictionary({'Version': '2.9.4'}, signature='sv'))


def _bytes(text):
    return dbus.Array([dbus.Byte(b) for b in text.encode() + b'\0'], signature='y')


def _drive_path(name):
    return MAIN_OBJ + '/drives/' + name


def _block_path(name):
    return MAIN_OBJ + '/block_devices/' + name + '1'


def _added(manager, path):
    manager.EmitSignal(OBJECT_MANAGER, 'InterfacesAdded', 'oa{sa{sv}}',
                       [dbus.ObjectPath(path), objects[path].props])


def _removed(manager, path):
    manager.EmitSignal(OBJECT_MANAGER, 'InterfacesRemoved', 'oas',
                       [dbus.ObjectPath(path), dbus.Array(list(objects[path].props.keys()), signature='s')])
    manager.RemoveObject(path)


def _unmount(self, options):
    error = unmount_errors.pop(self.path, None)
    if error:
        raise dbus.exceptions.DBusException(error[1], name=error[0])
    self.props[FILESYSTEM]['MountPoints'] = dbus.Array([], signature='ay')
    self.EmitSignal(PROPERTIES, 'PropertiesChanged', 'sa{sv}as',
                    [FILESYSTEM, dbus.Dictionary({'MountPoints': self.props[FILESYSTEM]['MountPoints']},
                                                 signature='sv'), dbus.Array([], signature='s')])


def _power_off(self, options):
    if self.path in keeps_drive:
        return
    manager = objects[MAIN_OBJ]
    for path in [p for p, o in objects.items() if p.startswith(MAIN_OBJ + '/block_devices/')
                 and o.props[BLOCK]['Drive'] == self.path]:
        _removed(manager, path)
    _removed(manager, self.path)


@dbus.service.method(MOCK_IFACE, in_signature='sssstbs', out_signature='s')
def AddStick(self, name, label, mount_point, fs_type, size, system, bus):
    '''A drive `name` with the file system sdX1 mounted at `mount_point`.

    `system` marks an internal disk (HintSystem, not removable); `bus` is the drive's
    ConnectionBus ("usb", "" ...).
    '''
    drive = _drive_path(name)
    self.AddObject(drive, DRIVE, {
        'Vendor': dbus.String('Generic', variant_level=1),
        'Model': dbus.String('Flash Disk', variant_level=1),
        'Removable': dbus.Boolean(not system, variant_level=1),
        'MediaRemovable': dbus.Boolean(False, variant_level=1),
        'Ejectable': dbus.Boolean(False, variant_level=1),
        'CanPowerOff': dbus.Boolean(not system, variant_level=1),
        'ConnectionBus': dbus.String(bus, variant_level=1),
        'Size': dbus.UInt64(size, variant_level=1),
    }, [])
    objects[drive].AddMethod(DRIVE, 'PowerOff', 'a{sv}', '', _power_off)
    objects[drive].AddMethod(DRIVE, 'Eject', 'a{sv}', '', '')
    _added(self, drive)

    block = _block_path(name)
    self.AddObject(block, BLOCK, {
        'Device': _bytes('/dev/' + name + '1'),
        'PreferredDevice': _bytes('/dev/' + name + '1'),
        'IdLabel': dbus.String(label, variant_level=1),
        'IdType': dbus.String(fs_type, variant_level=1),
        'IdUsage': dbus.String('filesystem', variant_level=1),
        'Size': dbus.UInt64(size, variant_level=1),
        'Drive': dbus.ObjectPath(drive, variant_level=1),
        'HintIgnore': dbus.Boolean(False, variant_level=1),
        'HintSystem': dbus.Boolean(system, variant_level=1),
        'HintName': dbus.String('', variant_level=1),
    }, [])
    objects[block].AddProperties(FILESYSTEM, dbus.Dictionary({
        'MountPoints': dbus.Array([_bytes(mount_point)] if mount_point else [], signature='ay'),
    }, signature='sv'))
    objects[block].AddMethod(FILESYSTEM, 'Unmount', 'a{sv}', '', _unmount)
    objects[block].AddMethod(FILESYSTEM, 'Mount', 'a{sv}', 's', 'ret = ""')
    _added(self, block)
    return block


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='')
def RemoveStick(self, name):
    '''The drive `name` is pulled out: its file system and then the drive go.'''
    if _block_path(name) in objects:
        _removed(self, _block_path(name))
    if _drive_path(name) in objects:
        _removed(self, _drive_path(name))


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='')
def SetMounted(self, name, mount_point):
    '''Mounts the file system of `name` at `mount_point`; an empty one unmounts it.'''
    block = objects[_block_path(name)]
    block.props[FILESYSTEM]['MountPoints'] = dbus.Array(
        [_bytes(mount_point)] if mount_point else [], signature='ay')
    block.EmitSignal(PROPERTIES, 'PropertiesChanged', 'sa{sv}as',
                     [FILESYSTEM, dbus.Dictionary({'MountPoints': block.props[FILESYSTEM]['MountPoints']},
                                                  signature='sv'), dbus.Array([], signature='s')])


@dbus.service.method(MOCK_IFACE, in_signature='sss', out_signature='')
def SetUnmountError(self, name, error_name, message):
    '''The next Unmount of `name` fails with the D-Bus error `error_name`.'''
    unmount_errors[_block_path(name)] = (error_name, message)


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='')
def SetPowerOffKeepsDrive(self, name):
    '''PowerOff of `name` answers but leaves the drive listed.'''
    keeps_drive.add(_drive_path(name))
