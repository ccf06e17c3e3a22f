// Playback through libmpv without sound: short WAV files written by the test, ao=null.
// Every wait is on the device's own notifications with a deadline; when mpv cannot start
// on this machine the tests are skipped with mpv's reason.
#include <gtest/gtest.h>

#include <QTimer>

#include "../lang/fake_message_box.h"
#include "player/mpv_device.h"
#include "player_test_support.h"

namespace {

std::unique_ptr<MpvDevice> silentDevice() {
  auto device = std::make_unique<MpvDevice>(MpvDevice::SilentOptions());
  device->setOpenTimeout(5000);
  return device;
}

#define SKIP_WITHOUT_MPV(device)                                   \
  do {                                                             \
    std::string why;                                               \
    if (!(device).Available(&why)) GTEST_SKIP() << "mpv: " << why; \
  } while (0)

}  // namespace

TEST(MpvDevice, OpensPlaysAndStopsAtTheEndOfAShortWav) {
  TempDir dir;
  writeWav(dir / "tone.wav", 700);
  auto device = silentDevice();
  SKIP_WITHOUT_MPV(*device);
  int notes = 0;
  device->setNotify([&] { ++notes; });

  EXPECT_EQ(device->Mode(), kModeNotReady);
  std::string error;
  ASSERT_TRUE(device->Open((dir / "tone.wav").string(), error)) << error;
  EXPECT_EQ(device->FileName(), (dir / "tone.wav").string());
  EXPECT_NEAR(static_cast<double>(device->Length()), 700.0, 30.0);
  EXPECT_EQ(device->Mode(), kModeStopped) << "loaded, not yet playing";

  device->Play();
  ASSERT_TRUE(waitFor([&] { return device->Mode() == kModeStopped && notes > 0; }, 5000))
      << "mode " << device->Mode();
  EXPECT_EQ(device->Position(), device->Length()) << "a finished track stands at its end";
  EXPECT_EQ(device->FileName(), (dir / "tone.wav").string()) << "kept open at the end";

  device->Close();
  EXPECT_EQ(device->Mode(), kModeNotReady);
  EXPECT_TRUE(device->FileName().empty());
  EXPECT_EQ(device->Length(), 0);
}

TEST(MpvDevice, PausesResumesAndSeeks) {
  TempDir dir;
  writeWav(dir / "long.wav", 4000);
  auto device = silentDevice();
  SKIP_WITHOUT_MPV(*device);
  std::string error;
  ASSERT_TRUE(device->Open((dir / "long.wav").string(), error)) << error;
  device->Play();
  ASSERT_TRUE(waitFor([&] { return device->Mode() == kModePlaying; }, 3000));
  device->Pause();
  ASSERT_TRUE(waitFor([&] { return device->Mode() == kModePaused; }, 3000));
  device->Seek(3000);
  ASSERT_TRUE(waitFor([&] { return device->Mode() == kModePaused; }, 3000));
  // mpv reports the position less the null output's buffer, up to a fifth of a second.
  EXPECT_NEAR(static_cast<double>(device->Position()), 3000.0, 300.0);
  device->Resume();
  ASSERT_TRUE(waitFor([&] { return device->Mode() == kModePlaying; }, 3000));
  // Opening another file closes this one first.
  writeWav(dir / "other.wav", 500);
  ASSERT_TRUE(device->Open((dir / "other.wav").string(), error)) << error;
  EXPECT_NEAR(static_cast<double>(device->Length()), 500.0, 30.0);
}

TEST(MpvDevice, MissingAndBrokenFilesFailWithAReason) {
  TempDir dir;
  writeFile(dir / "junk.mp3", std::string(4096, '\x5a'));
  auto device = silentDevice();
  SKIP_WITHOUT_MPV(*device);
  for (const std::string name : {"missing.wav", "junk.mp3"}) {
    std::string error;
    EXPECT_FALSE(device->Open((dir / name).string(), error)) << name;
    EXPECT_FALSE(error.empty()) << name;
    EXPECT_TRUE(device->FileName().empty()) << name;
    EXPECT_EQ(device->Mode(), kModeNotReady) << name;
  }
  // A good file still opens after the failures.
  writeWav(dir / "ok.wav", 300);
  std::string error;
  EXPECT_TRUE(device->Open((dir / "ok.wav").string(), error)) << error;
}

TEST(MpvPlayer, TrackEndingPlaysTheNextRowThroughTheDeviceNotification) {
  FakeMessageBox boxes;
  TempDir dir;
  writeWav(dir / "one.wav", 400);
  writeWav(dir / "two.wav", 1500);
  auto device = silentDevice();
  SKIP_WITHOUT_MPV(*device);
  MpvDevice* dev = device.get();
  TkroPlayList list;
  list.Add((dir / "one.wav").string(), "", "One", 1, 0, 0);
  list.Add((dir / "two.wav").string(), "", "Two", 1, 0, 0);
  FakePlayerView view(list);
  QTimer seek, display;
  TPlayer player(view, std::move(device), seek, display, [&] { return &list; });
  view.onSliderChange = [&] { player.ipPosChange(); };
  seek.stop();  // the start-up seek would race with the short track
  view.focused = 0;
  player.bipPlayClick(PlaySource::List);
  ASSERT_EQ(dev->FileName(), (dir / "one.wav").string());
  EXPECT_EQ(view.title, "One");

  ASSERT_TRUE(waitFor([&] { return dev->FileName() == (dir / "two.wav").string(); }, 5000))
      << "time display: " << view.time;
  EXPECT_EQ(view.title, "Two");
  EXPECT_EQ(view.focused, 1);
  list.SelectIndex(1);
  EXPECT_EQ(list.Cursor->GetLength(), 1) << "1.5 s measured, stored as whole seconds";
  ASSERT_TRUE(waitFor([&] { return view.time.find(" > 0:01") != std::string::npos; }, 3000))
      << view.time;

  player.bipStopClick();
  EXPECT_TRUE(dev->FileName().empty());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST(MpvPlayer, SliderMovedAfterTheEndPlaysOnFromThere) {
  FakeMessageBox boxes;
  TempDir dir;
  writeWav(dir / "tone.wav", 1500);
  auto device = silentDevice();
  SKIP_WITHOUT_MPV(*device);
  MpvDevice* dev = device.get();
  TkroPlayList list;
  list.Add((dir / "tone.wav").string(), "", "Tone", 1, 0, 0);
  FakePlayerView view(list);
  view.config[kByPlaylist] = false;
  QTimer seek, display;
  TPlayer player(view, std::move(device), seek, display, [&] { return &list; });
  view.onSliderChange = [&] { player.ipPosChange(); };
  seek.stop();
  display.stop();
  view.focused = 0;
  player.bipPlayClick(PlaySource::List);
  ASSERT_TRUE(waitFor([&] { return dev->Mode() == kModeStopped && view.time == "***"; }, 5000))
      << "mode " << dev->Mode();

  // What the fake device copies: after a seek mpv keeps the ended track paused.
  view.UserSlide(200);
  seek.stop();
  player.ipTimer1Timer();
  display.stop();
  ASSERT_TRUE(waitFor([&] { return dev->Mode() == kModePlaying; }, 3000)) << "mode " << dev->Mode();
  EXPECT_LT(dev->Position(), 1500);
  // And it plays to the end again.
  ASSERT_TRUE(waitFor([&] { return dev->Mode() == kModeStopped; }, 5000));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST(MpvDevice, FileFailsToOpenWhenNoAudioOutputWorks) {
  TempDir dir;
  writeWav(dir / "tone.wav", 500);
  // An audio output that cannot start: the file must not count as open.
  auto device = std::make_unique<MpvDevice>(
      std::map<std::string, std::string>{{"ao", "alsa"}, {"audio-device", "alsa/tavel-missing"}});
  device->setOpenTimeout(5000);
  SKIP_WITHOUT_MPV(*device);
  std::string error;
  EXPECT_FALSE(device->Open((dir / "tone.wav").string(), error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(device->FileName().empty());
  EXPECT_EQ(device->Mode(), kModeNotReady);
}
