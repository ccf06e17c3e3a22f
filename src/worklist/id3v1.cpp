#include "worklist/id3v1.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "fs/unique_fd.h"
#include "worklist/text_encoding.h"

namespace {

// Byte positions of the published layout.
constexpr std::size_t kTitleAt = 3, kArtistAt = 33, kAlbumAt = 63, kYearAt = 93, kCommentAt = 97,
                      kGenreAt = 127;
constexpr std::size_t kTextField = 30, kYearField = 4;

unsigned char byteAt(std::string_view s, std::size_t i) {
  return static_cast<unsigned char>(s[i]);
}

// A tagger that writes UTF-8 into a 30-byte field cuts it by bytes, often inside a
// character. Such a field is UTF-8 all the same: drop the broken last character rather
// than reading the whole field as Windows-1251. Only a field that fills its width, holds
// at least one multi-byte character and breaks nowhere but in its last character counts.
std::optional<std::string_view> utf8CutAtFieldEnd(std::string_view field) {
  std::size_t pos = 0;
  bool multiByte = false;
  while (pos < field.size()) {
    const std::size_t len = Utf8CharLength(field, pos);
    if (len == 1 && byteAt(field, pos) >= 0x80) break;
    multiByte = multiByte || len > 1;
    pos += len;
  }
  if (!multiByte || pos == field.size()) return std::nullopt;
  const unsigned char lead = byteAt(field, pos);
  const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  const std::size_t rest = field.size() - pos;
  if (lead < 0xC2 || lead > 0xF4 || rest >= need) return std::nullopt;
  for (std::size_t i = pos + 1; i < field.size(); ++i) {
    if ((byteAt(field, i) & 0xC0) != 0x80) return std::nullopt;
  }
  return field.substr(0, pos);
}

std::string readField(std::string_view block, std::size_t at, std::size_t width) {
  std::string_view raw = block.substr(at, width);
  const std::size_t nul = raw.find('\0');
  const bool full = nul == std::string_view::npos;
  std::string_view text = TrimBlanksRight(raw.substr(0, nul));
  if (IsValidUtf8(text)) return std::string(text);
  if (full) {
    if (auto cut = utf8CutAtFieldEnd(text)) return std::string(TrimBlanksRight(*cut));
  }
  return Cp1251ToUtf8(text);
}

}  // namespace

std::optional<Id3v1Tag> ParseId3v1(std::string_view block) {
  if (block.size() < kId3v1Size || !block.starts_with("TAG")) return std::nullopt;
  Id3v1Tag tag;
  tag.title = readField(block, kTitleAt, kTextField);
  tag.artist = readField(block, kArtistAt, kTextField);
  tag.album = readField(block, kAlbumAt, kTextField);
  tag.year = readField(block, kYearAt, kYearField);
  // ID3v1.1 keeps a track number in the last comment byte, behind a NUL.
  if (block[kCommentAt + 28] == '\0' && block[kCommentAt + 29] != '\0') {
    tag.comment = readField(block, kCommentAt, 28);
    tag.track = byteAt(block, kCommentAt + 29);
  } else {
    tag.comment = readField(block, kCommentAt, kTextField);
  }
  tag.genre = byteAt(block, kGenreAt);
  return tag;
}

std::optional<Id3v1Tag> ReadId3v1At(int fd, std::int64_t fileSize) {
  if (fileSize < static_cast<std::int64_t>(kId3v1Size)) return std::nullopt;
  char block[kId3v1Size];
  ssize_t got;
  do {
    got = ::pread(fd, block, kId3v1Size, fileSize - static_cast<off_t>(kId3v1Size));
  } while (got < 0 && errno == EINTR);
  if (got != static_cast<ssize_t>(kId3v1Size)) return std::nullopt;
  return ParseId3v1(std::string_view(block, kId3v1Size));
}

std::optional<Id3v1Tag> ReadId3v1(const std::string& path) {
  // Without O_NONBLOCK a named pipe met in a folder scan would block the scan until some
  // other program opened it for writing.
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return std::nullopt;
  struct stat st;
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return ReadId3v1At(fd.get(), st.st_size);
}

std::string Id3v1Description(const Id3v1Tag& tag) {
  return JoinArtistTitle(tag.artist, tag.title);
}

std::string JoinArtistTitle(std::string_view fullArtist, std::string_view fullTitle) {
  const std::string_view artist = TrimBlanks(fullArtist);
  const std::string_view title = TrimBlanks(fullTitle);
  if (artist.empty() && title.empty()) return std::string();
  std::string d;
  d.reserve(artist.size() + 3 + title.size());
  d.append(artist).append(" - ").append(title);
  return d;
}

std::string_view FileNamePart(std::string_view path) {
  const std::size_t sep = path.find_last_of("/\\");
  return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

std::string_view NameWithoutExtension(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return fileName;
  return fileName.substr(0, dot);
}

bool IsMp3FileName(std::string_view fileName) {
  return EndsWithIgnoreAsciiCase(fileName, ".mp3");
}

std::string DescriptionForFile(const std::string& path, const std::string& given, bool useId3) {
  // A description may become a file name (renaming by description) and is written into
  // playlists: whatever its source, it carries no control character.
  std::string d = RemoveControlChars(given);
  if (!d.empty()) return d;
  const std::string_view name = FileNamePart(path);
  if (useId3 && IsMp3FileName(name)) {
    if (auto tag = ReadId3v1(path)) {
      d = RemoveControlChars(Id3v1Description(*tag));
      if (!d.empty()) return d;
    }
  }
  return RemoveControlChars(NameWithoutExtension(name));
}
