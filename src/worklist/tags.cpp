#include "worklist/tags.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mpcfile.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/speexfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tfilestream.h>
#include <taglib/trueaudiofile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <memory>
#include <vector>

#include "fs/sys_calls.h"
#include "fs/unique_fd.h"
#include "worklist/id3v1.h"
#include "worklist/text_encoding.h"

namespace {

using TagLib::AudioProperties;
using TagLib::IOStream;

// ID3v2 text frames declared Latin-1 often hold Windows-1251 bytes (Russian collections
// were tagged that way for years). Such a frame is read by the rule the ID3v1 reader
// uses: valid UTF-8 stays UTF-8, anything else is Windows-1251. Plain ASCII reads the
// same under every rule; a real Latin-1 accent (é) then reads as a Cyrillic letter, which
// is the price of reading the far more common Russian tags right.
class Cp1251Latin1Handler : public TagLib::ID3v2::Latin1StringHandler {
 public:
  TagLib::String parse(const TagLib::ByteVector& data) const override {
    std::string_view bytes(data.data(), data.size());
    const std::size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
    return TagLib::String(BytesToUtf8(bytes), TagLib::String::UTF8);
  }
};

void installLatin1Handler() {
  static const Cp1251Latin1Handler handler;
  static const bool installed = [] {
    TagLib::ID3v2::Tag::setLatin1StringHandler(&handler);
    return true;
  }();
  (void)installed;
}

enum class Format {
  None,
  Mpeg,
  Flac,
  Ogg,
  Opus,
  Speex,
  Mp4,
  Asf,
  Ape,
  WavPack,
  Mpc,
  Wav,
  Aiff,
  Tta
};

struct Extension {
  std::string_view ext;
  Format format;
};
constexpr std::array kExtensions{
    Extension{".mp3", Format::Mpeg},   Extension{".mp2", Format::Mpeg},
    Extension{".flac", Format::Flac},  Extension{".ogg", Format::Ogg},
    Extension{".oga", Format::Ogg},    Extension{".opus", Format::Opus},
    Extension{".spx", Format::Speex},  Extension{".m4a", Format::Mp4},
    Extension{".m4b", Format::Mp4},    Extension{".mp4", Format::Mp4},
    Extension{".aac", Format::Mp4},    Extension{".wma", Format::Asf},
    Extension{".asf", Format::Asf},    Extension{".ape", Format::Ape},
    Extension{".wv", Format::WavPack}, Extension{".mpc", Format::Mpc},
    Extension{".wav", Format::Wav},    Extension{".aif", Format::Aiff},
    Extension{".aiff", Format::Aiff},  Extension{".tta", Format::Tta},
};

Format formatOf(std::string_view fileName) {
  for (const Extension& e : kExtensions) {
    if (EndsWithIgnoreAsciiCase(fileName, e.ext) && fileName.size() > e.ext.size()) return e.format;
  }
  return Format::None;
}

// The file object of the format, built on the stream. An Ogg file may carry Vorbis, FLAC,
// Opus or Speex whatever its extension says; the content decides among them. A raw AAC
// stream is no MP4 container and comes back invalid, like any other file of the wrong kind.
std::unique_ptr<TagLib::File> openFormat(Format format, IOStream* s) {
  constexpr bool props = true;
  constexpr auto style = AudioProperties::Fast;
  auto* frames = TagLib::ID3v2::FrameFactory::instance();
  switch (format) {
    case Format::Mpeg:
      return std::make_unique<TagLib::MPEG::File>(s, frames, props, style);
    case Format::Flac:
      return std::make_unique<TagLib::FLAC::File>(s, frames, props, style);
    case Format::Ogg:
    case Format::Opus:
    case Format::Speex:
      if (TagLib::Ogg::Vorbis::File::isSupported(s))
        return std::make_unique<TagLib::Ogg::Vorbis::File>(s, props, style);
      if (TagLib::Ogg::Opus::File::isSupported(s))
        return std::make_unique<TagLib::Ogg::Opus::File>(s, props, style);
      if (TagLib::Ogg::FLAC::File::isSupported(s))
        return std::make_unique<TagLib::Ogg::FLAC::File>(s, props, style);
      if (TagLib::Ogg::Speex::File::isSupported(s))
        return std::make_unique<TagLib::Ogg::Speex::File>(s, props, style);
      return nullptr;
    case Format::Mp4:
      return std::make_unique<TagLib::MP4::File>(s, props, style);
    case Format::Asf:
      return std::make_unique<TagLib::ASF::File>(s, props, style);
    case Format::Ape:
      return std::make_unique<TagLib::APE::File>(s, props, style);
    case Format::WavPack:
      return std::make_unique<TagLib::WavPack::File>(s, props, style);
    case Format::Mpc:
      return std::make_unique<TagLib::MPC::File>(s, props, style);
    case Format::Wav:
      return std::make_unique<TagLib::RIFF::WAV::File>(s, props, style);
    case Format::Aiff:
      return std::make_unique<TagLib::RIFF::AIFF::File>(s, props, style);
    case Format::Tta:
      return std::make_unique<TagLib::TrueAudio::File>(s, frames, props, style);
    case Format::None:
      break;
  }
  return nullptr;
}

// The tags worth asking for artist and title, richest first. The ID3v1 tag is left out on
// purpose: it is read by the program's own rules, which know Windows-1251 and cut UTF-8.
std::vector<TagLib::Tag*> richTags(TagLib::File& f) {
  std::vector<TagLib::Tag*> tags;
  if (auto* m = dynamic_cast<TagLib::MPEG::File*>(&f)) {
    tags = {static_cast<TagLib::Tag*>(m->ID3v2Tag()), static_cast<TagLib::Tag*>(m->APETag())};
  } else if (auto* fl = dynamic_cast<TagLib::FLAC::File*>(&f)) {
    tags = {static_cast<TagLib::Tag*>(fl->xiphComment()),
            static_cast<TagLib::Tag*>(fl->ID3v2Tag())};
  } else if (auto* a = dynamic_cast<TagLib::APE::File*>(&f)) {
    tags = {static_cast<TagLib::Tag*>(a->APETag())};
  } else if (auto* wv = dynamic_cast<TagLib::WavPack::File*>(&f)) {
    tags = {static_cast<TagLib::Tag*>(wv->APETag())};
  } else if (auto* mpc = dynamic_cast<TagLib::MPC::File*>(&f)) {
    tags = {static_cast<TagLib::Tag*>(mpc->APETag())};
  } else if (auto* tta = dynamic_cast<TagLib::TrueAudio::File*>(&f)) {
    tags = {static_cast<TagLib::Tag*>(tta->ID3v2Tag())};
  } else if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(&f)) {
    tags = {static_cast<TagLib::Tag*>(wav->ID3v2Tag()), static_cast<TagLib::Tag*>(wav->InfoTag())};
  } else {
    tags = {static_cast<TagLib::Tag*>(f.tag())};  // Ogg, MP4, ASF, AIFF: one tag of their own
  }
  return tags;
}

std::string utf8(const TagLib::String& s) {
  // TagLib keeps UTF-16 inside; lone surrogates or the like would leave it as broken
  // UTF-8, which the rest of the program must never see.
  return BytesToUtf8(s.to8Bit(true));
}

AudioTags readFrom(Format format, IOStream* stream) {
  AudioTags out;
  installLatin1Handler();
  try {
    std::unique_ptr<TagLib::File> f = openFormat(format, stream);
    if (!f || !f->isValid()) return out;
    out.recognised = true;
    for (TagLib::Tag* t : richTags(*f)) {
      if (!t) continue;
      out.description = JoinArtistTitle(utf8(t->artist()), utf8(t->title()));
      if (!out.description.empty()) break;
    }
    if (const AudioProperties* p = f->audioProperties()) {
      const int seconds = p->lengthInSeconds();
      out.length = seconds > 0 ? seconds : 0;
    }
  } catch (...) {
    // TagLib does not throw by design; a bad allocation on a hostile size field may.
    // Either way this file gives nothing, and the scan goes on.
    out = AudioTags();
  }
  return out;
}

bool isMp3(std::string_view name) {
  return IsMp3FileName(name);
}

}  // namespace

bool HasTagReaderFor(std::string_view fileName) {
  return formatOf(fileName) != Format::None;
}

AudioTags ReadAudioTagsFromBytes(std::string_view bytes, std::string_view fileName) {
  const Format format = formatOf(fileName);
  if (format == Format::None) return AudioTags();
  TagLib::ByteVectorStream stream(
      TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size())));
  return readFrom(format, &stream);
}

namespace {
// The tags of the open regular file `fd`, which stays open for the caller.
AudioTags readFromFd(int fd, Format format) {
  UniqueFd own(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
  if (!own) return AudioTags();
  TagLib::FileStream stream(own.get(), true);
  if (!stream.isOpen()) return AudioTags();
  // An open stream closes its descriptor itself.
  own.release();
  return readFrom(format, &stream);
}

std::int64_t statSize(const std::string& path) {
  struct stat st;
  if (ActiveFsCalls().stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) return st.st_size;
  return 0;
}
}  // namespace

AudioTags ReadAudioTags(const std::string& path) {
  const Format format = formatOf(FileNamePart(path));
  if (format == Format::None) return AudioTags();
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return AudioTags();
  struct stat st;
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return AudioTags();
  return readFromFd(fd.get(), format);
}

FileFacts ReadFileFacts(const std::string& path, TagReading reading) {
  FileFacts f;
  const std::string_view name = FileNamePart(path);
  const bool wantId3v1 = reading != TagReading::None && isMp3(name);
  const Format format = reading == TagReading::Extended ? formatOf(name) : Format::None;
  if (!wantId3v1 && format == Format::None) {
    f.size = statSize(path);
    return f;
  }
  // Non-blocking, so that a named pipe met in a scan cannot hang it.
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) {
    f.size = statSize(path);
    return f;
  }
  struct stat st;
  if (::fstat(fd.get(), &st) == 0) {
    f.size = S_ISDIR(st.st_mode) ? 0 : st.st_size;
    if (S_ISREG(st.st_mode)) {
      if (format != Format::None) {
        const AudioTags tags = readFromFd(fd.get(), format);
        f.tagDescription = tags.description;
        f.length = tags.length;
      }
      if (f.tagDescription.empty() && wantId3v1) {
        if (auto tag = ReadId3v1At(fd.get(), st.st_size)) f.tagDescription = Id3v1Description(*tag);
      }
    }
  }
  return f;
}
