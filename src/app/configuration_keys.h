#pragma once
// Every name the program keeps a setting under in conf5.kro, with its default where the
// code reads it outside the control groups. Folders are written with '/'.
#include <cstdint>

// Keys and their defaults (those read outside the control groups).
inline constexpr const char* kKeyVersion = "version";
inline constexpr const char* kKeyMain = "Interface/Main";
inline constexpr const char* kKeyMainHeight = "Interface/Main/height";
inline constexpr const char* kKeyMainWidth = "Interface/Main/width";
inline constexpr const char* kKeyMainLeft = "Interface/Main/left";
inline constexpr const char* kKeyMainTop = "Interface/Main/top";
inline constexpr const char* kKeyMainMaximized = "Interface/Main/wsMax";  // false
inline constexpr const char* kKeyNavHeight = "Interface/Main/pNav";
inline constexpr const char* kKeyLeftWidth = "Interface/Main/pLeft";
inline constexpr const char* kKeyActionMode = "Action/mode";  // -1
constexpr std::int32_t kDefaultActionMode = -1;
inline constexpr const char* kKeyPlaylistMode = "Playlist/mode";  // 1
constexpr std::int32_t kDefaultPlaylistMode = 1;
inline constexpr const char* kKeyColumns = "Playlist/Columns";
inline constexpr const char* kKeyPlayByPlaylist = "Playlist/Player/byplaylist";    // true
inline constexpr const char* kKeyPlayerUpdateList = "Playlist/Player/updatepl";    // true
inline constexpr const char* kKeyIgnoreReadOnly = "Playlist/IgnoreRO";             // true
inline constexpr const char* kKeyRememberWorklist = "Settings/Remember worklist";  // true
inline constexpr const char* kKeyExitConfirm = "Settings/Exit confirm";            // true
// Tags of every format and lengths read when files are added; off: ID3v1 of MP3s alone.
inline constexpr const char* kKeyReadExtendedTags = "Settings/Extended tags";  // true
inline constexpr const char* kKeyWinampLocation = "Settings/WinAmp/Location";  // ""
inline constexpr const char* kKeyProcessLog = "Process/log";                   // false

// Prefixes of the control groups (prefix + "/" + the container's name).
inline constexpr const char* kGroupInterface = "Interface";
inline constexpr const char* kGroupAction = "Action";
