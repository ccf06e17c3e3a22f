#include "player_test_support.h"

#include <QTimer>
#include <cmath>

namespace {
void put16(std::string& s, int v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
}  // namespace

void writeWav(const std::filesystem::path& path, int ms, int rate) {
  const std::uint32_t samples =
      static_cast<std::uint32_t>(static_cast<std::int64_t>(rate) * ms / 1000);
  std::string data;
  for (std::uint32_t i = 0; i < samples; ++i)
    put16(data, static_cast<int>(2000 * std::sin(2 * M_PI * 440.0 * i / rate)) & 0xFFFF);
  std::string wav = "RIFF";
  put32(wav, 36 + static_cast<std::uint32_t>(data.size()));
  wav += "WAVEfmt ";
  put32(wav, 16);
  put16(wav, 1);  // PCM
  put16(wav, 1);  // mono
  put32(wav, static_cast<std::uint32_t>(rate));
  put32(wav, static_cast<std::uint32_t>(rate * 2));
  put16(wav, 2);
  put16(wav, 16);
  wav += "data";
  put32(wav, static_cast<std::uint32_t>(data.size()));
  wav += data;
  writeFile(path, wav);
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}
