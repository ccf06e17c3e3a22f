#pragma once
// A store file that exists but cannot be loaded (a bad byte, a newer format, a truncated
// write by another tool) must not vanish under the next save: it is renamed beside itself
// the moment its load fails, so what the user had stays on disk to be looked at or
// restored.
#include <cstdint>
#include <string>

// The first free name of the form path + ".unreadable", then path + ".unreadable.2",
// ".unreadable.3", ... An older kept file is never replaced.
std::string UnreadableNameFor(const std::string& path);

// After a load of `path` that gave `loadResult`: when the result is an error (above 0)
// and a file is at `path`, renames it to UnreadableNameFor(path) and writes one program-log
// line saying so. Returns the new name; empty when nothing was kept aside (the load
// succeeded, there was no file, or the rename failed, which is logged as well).
std::string KeepUnreadableAside(const std::string& path, std::int32_t loadResult);
