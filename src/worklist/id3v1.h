#pragma once
// ID3v1 tags (the 128-byte trailer of an MP3 file) and the description an added file gets
// in the work list: the tag's "Artist - Title" for MP3 files, else the file name without
// its extension.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr std::size_t kId3v1Size = 128;

// The fields of a tag as UTF-8 texts, each cut at its first NUL and stripped of trailing
// blanks. A field that is not UTF-8 was read as Windows-1251.
struct Id3v1Tag {
  std::string title;
  std::string artist;
  std::string album;
  std::string year;
  std::string comment;
  int track = 0;    // ID3v1.1 track number, 0 when the tag has none
  int genre = 255;  // genre byte as stored; 255 means none
};

// Reads the tag from the 128 bytes of a tag block ("TAG" + fields). No value when the
// block is shorter than 128 bytes or does not start with "TAG".
std::optional<Id3v1Tag> ParseId3v1(std::string_view block);

// Reads the tag from the last 128 bytes of the open file fd, fileSize bytes long, with a
// single positioned read. No value when the file is shorter, cannot be read or carries
// no tag.
std::optional<Id3v1Tag> ReadId3v1At(int fd, std::int64_t fileSize);

// Reads the last 128 bytes of the file with a single positioned read. No value when the
// file cannot be opened or read, is shorter than 128 bytes, or carries no tag.
std::optional<Id3v1Tag> ReadId3v1(const std::string& path);

// The tag's "artist - title" with surrounding blanks and control characters removed from
// both fields; empty when both fields are empty.
std::string Id3v1Description(const Id3v1Tag& tag);

// "artist - title" with surrounding blanks and control characters removed from both;
// empty when both are empty. Every tag format's description is joined this way.
std::string JoinArtistTitle(std::string_view artist, std::string_view title);

// The file name part of a path: the text after the last '/' or '\'. Both count, because
// paths taken unchanged from Windows playlists keep their backslashes.
std::string_view FileNamePart(std::string_view path);

// The file name without its extension: the last dot and what follows it are removed. A
// name whose only dot is its first character (".hidden") is kept whole, so it does not
// turn into an empty description.
std::string_view NameWithoutExtension(std::string_view fileName);

// Whether the file name matches "*.mp3", letter case ignored.
bool IsMp3FileName(std::string_view fileName);

// The description of a file being added to the work list: `given` when not empty; else,
// when `useId3` is set and the file is an MP3 with a tag holding an artist or a title,
// the tag's description; else the file name without its extension. Control characters are
// removed from each; one left empty that way counts as not there.
std::string DescriptionForFile(const std::string& path, const std::string& given, bool useId3);
