#pragma once
// Tags and play lengths of audio files read with TagLib: the description an added file
// gets from the artist and title of its richest tag (ID3v2, Vorbis comment, APE, MP4,
// ASF, RIFF INFO), and its length in whole seconds from the audio properties.
//
// Nothing here throws or stops on a broken file: a file TagLib cannot read gives no tag
// description and length 0, and the caller goes on with its next rule. Only regular files
// are read; a named pipe or a device met in a scan is never opened for reading.
#include <cstdint>
#include <string>
#include <string_view>

// What the tags and audio properties of one file give. Both parts may be missing.
struct AudioTags {
  std::string description;  // "artist - title", each trimmed; empty when both are empty
  std::int32_t length = 0;  // whole seconds, 0 when unknown
  bool recognised = false;  // TagLib knew the format and found a valid file of it
};

// Whether TagLib reads files with this name's extension (letter case ignored).
bool HasTagReaderFor(std::string_view fileName);

// Reads the file at `path` when its extension is one TagLib reads. The file is opened
// once, non-blocking, and given to TagLib only when it is a regular file.
AudioTags ReadAudioTags(const std::string& path);

// The same for bytes in memory, the format chosen by `fileName`'s extension.
AudioTags ReadAudioTagsFromBytes(std::string_view bytes, std::string_view fileName);

// How AddFile finds an added file's description and length.
enum class TagReading {
  None,      // the file name only
  Id3v1,     // the ID3v1 tag of *.mp3 files, else the file name; length 0
  Extended,  // the richest tag, else the ID3v1 tag of *.mp3 files, else the file name;
             // length from the audio properties
};

// What one open of a file gives an added entry: its size, the description from its tags
// (empty: none, the caller uses the file name) and its length (0: unknown).
struct FileFacts {
  std::int64_t size = 0;
  std::string tagDescription;
  std::int32_t length = 0;
};

// Size, tag description and length of the file at `path` as `reading` asks, with a single
// open of the file. A file that cannot be opened gives its size from the directory alone.
FileFacts ReadFileFacts(const std::string& path, TagReading reading);
