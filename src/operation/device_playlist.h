#pragma once
// The playlist a copy or move leaves in the destination root, so that the songs travel to
// the player together with their order. Its paths are relative to the root, with '/'
// between the names, so the playlist still works wherever the player mounts the medium.
#include <string>

#include "fs/medium_profile.h"

inline constexpr const char* kDefaultDevicePlaylistName = "Tavel.m3u";

// The playlist's file name in the root: the typed name trimmed of blanks, each '/' made
// '_' (the playlist never leaves the root), then made a name the medium accepts (the
// medium's replacement character for refused ones). An empty name, "." and ".." give the
// default name.
std::string DevicePlaylistName(const std::string& typed, const MediumProfile& medium,
                               char replacement);

// `dest` relative to `root` ("Album/01 Song.mp3"); the empty text when dest does not lie
// below root. root is written without a trailing '/' ("/" for the file system's root).
std::string PathBelowRoot(const std::string& dest, const std::string& root);
