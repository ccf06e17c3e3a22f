#include <gtest/gtest.h>

#include <QTimer>

#include "../lang/fake_message_box.h"
#include "lang/lang.h"
#include "player/fake_media_device.h"
#include "player_test_support.h"

namespace {

// Three entries "/m/a.mp3" (A), "/m/b.mp3" (B), "/m/c.mp3" (C), a player on a fake device.
struct Rig {
  TkroPlayList list;
  FakePlayerView view{list};
  QTimer seek, display;
  FakeMediaDevice* dev = nullptr;
  std::unique_ptr<TPlayer> player;

  explicit Rig(int entries = 3) {
    for (int i = 0; i < entries; ++i) {
      const std::string name(1, static_cast<char>('a' + i));
      list.Add("/m/" + name + ".mp3", "", std::string(1, static_cast<char>('A' + i)), 100, 7, 0);
    }
    auto d = std::make_unique<FakeMediaDevice>();
    dev = d.get();
    player = std::make_unique<TPlayer>(view, std::move(d), seek, display, [this] { return &list; });
    view.onSliderChange = [this] { player->ipPosChange(); };
  }
  int lengthOf(int row) {
    list.SelectIndex(row);
    return list.Cursor->GetLength();
  }
  void playRow(int row, PlaySource source = PlaySource::List) {
    view.focused = row;
    player->bipPlayClick(source);
  }
};

}  // namespace

TEST(PlayerTime, MillisecondsToTextAtItsEdges) {
  EXPECT_EQ(MillisecondsToText(0), "0:00");
  EXPECT_EQ(MillisecondsToText(999), "0:00");
  EXPECT_EQ(MillisecondsToText(9999), "0:09");
  EXPECT_EQ(MillisecondsToText(65000), "1:05");
  EXPECT_EQ(MillisecondsToText(242000), "4:02");
  EXPECT_EQ(MillisecondsToText(3599999), "59:59");
  EXPECT_EQ(MillisecondsToText(3600000), "1:0:00");
  EXPECT_EQ(MillisecondsToText(3725999), "1:2:05");
  EXPECT_EQ(MillisecondsToText(36000000), "10:0:00");
  EXPECT_EQ(MillisecondsToText(-5), "0:00");
}

TEST(PlayerPlay, OpensTheFocusedRowShowsItAndStoresItsMeasuredLength) {
  Rig r;
  r.dev->lengths["/m/b.mp3"] = 245600;
  r.view.selected = {0, 2};
  r.playRow(1, PlaySource::PlayButton);
  EXPECT_EQ(r.dev->file, "/m/b.mp3");
  EXPECT_EQ(r.dev->mode, kModePlaying);
  EXPECT_EQ(r.view.selected, std::set<int>{1});
  EXPECT_EQ(r.view.title, "B");
  EXPECT_EQ(r.view.caption, "B - Vo Tavel 0.9.2");
  EXPECT_EQ(r.view.status[0], LangFormat(492, {std::string("B")}));
  EXPECT_TRUE(r.view.sliderEnabled);
  EXPECT_EQ(r.view.sliderMax, 245600);
  EXPECT_EQ(r.lengthOf(1), 245);
  EXPECT_EQ(r.view.updatedRows, std::vector<int>{1});
  EXPECT_EQ(r.player->PlayingEntryId(), r.list.EntryAt(1));

  // A one-hour track shows its length with hours.
  r.dev->lengths["/m/c.mp3"] = 3600000;
  r.playRow(2);
  r.dev->position = 5000;
  r.player->ipTimer2Timer();
  EXPECT_EQ(r.view.time, "0:05 > 1:0:00");
  EXPECT_EQ(r.dev->closes, 1) << "the open track closes before the next opens";
}

TEST(PlayerPlay, LengthIsKeptWhenUpdatingIsOffOrTheLengthIsUnknown) {
  Rig r;
  r.view.config[kUpdatePlaylist] = false;
  r.playRow(0);
  EXPECT_EQ(r.lengthOf(0), 7);
  EXPECT_TRUE(r.view.updatedRows.empty());

  r.view.config[kUpdatePlaylist] = true;
  r.dev->lengths["/m/b.mp3"] = 0;
  r.playRow(1);
  EXPECT_EQ(r.dev->mode, kModePlaying);
  EXPECT_EQ(r.lengthOf(1), 7) << "an unknown length must not wipe the stored one";
}

TEST(PlayerPlay, NeedsAFocusedOrSelectedRow) {
  Rig r;
  r.player->bipPlayClick(PlaySource::PlayButton);
  EXPECT_TRUE(r.dev->opened.empty());

  // Only a selected row: it becomes the focused row and plays.
  r.view.selected = {2};
  r.player->bipPlayClick(PlaySource::PlayButton);
  EXPECT_EQ(r.view.focused, 2);
  EXPECT_EQ(r.dev->file, "/m/c.mp3");
}

TEST(PlayerPlay, PausedTrackResumesByThePlayButtonButTheListOpensTheNewRow) {
  Rig r;
  r.playRow(0);
  r.player->bipPauseClick();
  EXPECT_EQ(r.dev->mode, kModePaused);

  r.playRow(1, PlaySource::PlayButton);
  EXPECT_EQ(r.dev->file, "/m/a.mp3") << "the play button resumes";
  EXPECT_EQ(r.dev->mode, kModePlaying);
  EXPECT_EQ(r.dev->opened.size(), 1u);

  r.player->bipPauseClick();
  r.playRow(1, PlaySource::List);
  EXPECT_EQ(r.dev->file, "/m/b.mp3");
  EXPECT_EQ(r.dev->mode, kModePlaying);

  // Pause twice is pause then resume; with nothing open it does nothing.
  r.player->bipPauseClick();
  r.player->bipPauseClick();
  EXPECT_EQ(r.dev->mode, kModePlaying);
  r.player->bipStopClick();
  r.player->bipPauseClick();
  EXPECT_EQ(r.dev->mode, kModeNotReady);
}

TEST(PlayerPlay, FailedOpenShowsTheErrorAndReturnsToIdle) {
  FakeMessageBox boxes;
  Rig r;
  r.dev->broken.insert("/m/b.mp3");
  r.playRow(0);
  r.playRow(1);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, LangFormat(491, {std::string("/m/b.mp3")}));
  EXPECT_EQ(boxes.shown[0].caption, LangString(450));
  EXPECT_TRUE(r.dev->file.empty());
  EXPECT_EQ(r.view.caption, "Vo Tavel 0.9.2");
  EXPECT_EQ(r.view.title, "");
  EXPECT_FALSE(r.view.sliderEnabled);
  EXPECT_EQ(r.view.sliderMax, 0);
  EXPECT_EQ(r.view.status[0], LangFormat(490, {std::string("/m/b.mp3")}));
  r.player->ipTimer2Timer();
  EXPECT_EQ(r.display.interval(), 1000);
}

TEST(PlayerNavigation, NextAndPreviousFollowThePlayingRowAndStopAtTheEnds) {
  Rig r;
  r.player->bipPrevClick(PlaySource::NextButton);
  EXPECT_EQ(r.dev->file, "/m/b.mp3") << "with no row, next starts below the first row";

  // The focus moved away; next still follows the playing row, also while paused.
  r.view.focused = 0;
  r.player->bipPauseClick();
  r.player->bipPrevClick(PlaySource::NextButton);
  EXPECT_EQ(r.dev->file, "/m/c.mp3");
  EXPECT_EQ(r.dev->mode, kModePlaying);
  EXPECT_TRUE(r.view.selected.count(2));

  const std::size_t opens = r.dev->opened.size();
  r.player->bipPrevClick(PlaySource::NextButton);
  EXPECT_EQ(r.dev->opened.size(), opens) << "no wrap-around at the last row";
  EXPECT_EQ(r.dev->file, "/m/c.mp3");

  r.player->bipPrevClick(PlaySource::PrevButton);
  r.player->bipPrevClick(PlaySource::PrevButton);
  EXPECT_EQ(r.dev->file, "/m/a.mp3");
  r.player->bipPrevClick(PlaySource::PrevButton);
  EXPECT_EQ(r.dev->file, "/m/a.mp3");
  EXPECT_EQ(r.dev->opened.size(), opens + 2);
}

TEST(PlayerNavigation, EmptyListDoesNothing) {
  Rig r(0);
  r.player->bipPrevClick(PlaySource::NextButton);
  r.player->bipPrevClick(PlaySource::PrevButton);
  r.player->bipPlayClick(PlaySource::PlayButton);
  r.player->bipStopClick();
  EXPECT_TRUE(r.dev->opened.empty());
}

TEST(PlayerEnd, EndOfTrackFollowsTheListOnlyWhenAsked) {
  Rig r;
  r.playRow(0);
  r.dev->PlayToEnd();  // the device's notification runs the display at once
  EXPECT_EQ(r.dev->file, "/m/b.mp3");
  EXPECT_EQ(r.dev->mode, kModePlaying);

  r.view.config[kByPlaylist] = false;
  r.dev->PlayToEnd();
  EXPECT_EQ(r.view.time, "***");
  EXPECT_EQ(r.dev->file, "/m/b.mp3") << "the file stays open";

  r.view.config[kByPlaylist] = true;
  r.playRow(2);
  r.dev->PlayToEnd();
  r.player->ipTimer2Timer();
  EXPECT_EQ(r.view.time, "***");
  EXPECT_EQ(r.dev->file, "/m/c.mp3");
  EXPECT_EQ(r.dev->mode, kModeStopped);
}

TEST(PlayerSeek, DraggingShowsTheTargetAndSeeksAfterTheLastMove) {
  Rig r;
  r.playRow(0);
  r.player->ipTimer1Timer();  // the seek timer's first tick after start-up
  EXPECT_FALSE(r.seek.isActive());
  r.dev->position = 60000;
  r.player->ipTimer2Timer();
  EXPECT_EQ(r.view.time, "1:00 > 4:02");
  EXPECT_EQ(r.view.slider, 60000);
  EXPECT_TRUE(r.display.isActive()) << "the player's own slider move is not the user's";
  EXPECT_FALSE(r.seek.isActive());

  r.view.UserSlide(120000);
  r.view.UserSlide(150000);
  EXPECT_EQ(r.view.time, "2:30 >> 4:02");
  EXPECT_FALSE(r.display.isActive());
  EXPECT_TRUE(r.seek.isActive());
  const std::size_t seeksBefore = r.dev->seeks.size();

  r.player->ipTimer1Timer();
  ASSERT_EQ(r.dev->seeks.size(), seeksBefore + 1);
  EXPECT_EQ(r.dev->seeks.back(), 150000);
  EXPECT_EQ(r.dev->mode, kModePlaying);
  EXPECT_FALSE(r.seek.isActive());
  EXPECT_TRUE(r.display.isActive());
  EXPECT_EQ(r.view.time, "2:30 > 4:02");

  r.view.UserSlide(10000);
  EXPECT_EQ(r.view.time, "0:10 << 4:02");

  // With nothing open a slider change and the seek timer do nothing.
  r.player->bipStopClick();
  r.view.UserSlide(5000);
  r.player->ipTimer1Timer();
  EXPECT_EQ(r.dev->seeks.size(), seeksBefore + 1);
}

TEST(PlayerSeek, SliderMovedAfterTheEndPlaysOnFromThereAndAPausedTrackStaysPaused) {
  for (const bool instant : {true, false}) {
    SCOPED_TRACE(instant ? "seek done at once" : "seek done later");
    Rig r;
    r.dev->instantSeeks = instant;
    r.view.config[kByPlaylist] = false;
    r.playRow(1);
    r.player->ipTimer1Timer();  // the seek timer's first tick after start-up
    r.dev->FinishSeek();
    r.dev->PlayToEnd();
    EXPECT_EQ(r.view.time, "***");
    ASSERT_EQ(r.dev->mode, kModeStopped);

    r.view.UserSlide(60000);
    r.player->ipTimer1Timer();
    r.dev->FinishSeek();
    EXPECT_EQ(r.dev->position, 60000);
    EXPECT_EQ(r.dev->mode, kModePlaying) << "plays on from the new place";
    r.player->ipTimer2Timer();
    EXPECT_EQ(r.view.time, "1:00 > 4:02");

    r.player->bipPauseClick();
    r.view.UserSlide(90000);
    r.player->ipTimer1Timer();
    r.dev->FinishSeek();
    EXPECT_EQ(r.dev->mode, kModePaused);
    EXPECT_EQ(r.view.time, "[ 1:30 ]");
    r.player->bipPauseClick();
    EXPECT_EQ(r.dev->mode, kModePlaying);
  }
}

TEST(PlayerDisplay, ShowsEachModeAndGoesIdleOnStop) {
  Rig r;
  r.player->ipTimer2Timer();
  EXPECT_EQ(r.display.interval(), 1000);
  r.playRow(0);
  r.dev->position = 65000;
  r.player->ipTimer2Timer();
  EXPECT_EQ(r.display.interval(), 300);
  EXPECT_EQ(r.view.time, "1:05 > 4:02");
  r.dev->mode = kModeSeeking;
  r.player->ipTimer2Timer();
  EXPECT_EQ(r.view.time, "*SEEK*");
  r.dev->mode = kModePaused;
  r.player->ipTimer2Timer();
  EXPECT_EQ(r.view.time, "[ 1:05 ]");
  r.dev->mode = kModeOpen;
  r.player->ipTimer2Timer();
  EXPECT_EQ(r.view.time, "*OPEN*");
  r.dev->mode = kModeRecording;
  r.player->ipTimer2Timer();
  EXPECT_EQ(r.view.time, "");
  EXPECT_FALSE(r.view.sliderEnabled);

  r.dev->mode = kModePlaying;
  r.view.status = {"x", "y", "z"};
  r.player->bipStopClick();
  EXPECT_TRUE(r.dev->file.empty());
  EXPECT_EQ(r.view.status, (std::array<std::string, 3>{}));
  EXPECT_EQ(r.display.interval(), 1000);
  EXPECT_EQ(r.view.caption, "Vo Tavel 0.9.2");
  EXPECT_EQ(r.view.sliderMax, 0);

  // Stop with nothing open leaves the status bar alone.
  r.view.status[0] = "kept";
  r.player->bipStopClick();
  EXPECT_EQ(r.view.status[0], "kept");
}

TEST(PlayerPlay, RequestsWhileOpeningAreIgnored) {
  Rig r;
  int nested = 0;
  r.view.onPump = [&] {
    ++nested;
    r.view.focused = 2;
    r.player->bipPlayClick(PlaySource::List);
    r.player->bipPrevClick(PlaySource::NextButton);
    r.player->ipTimer2Timer();
    r.player->ipTimer1Timer();
  };
  r.view.focused = 0;
  r.player->bipPlayClick(PlaySource::List);
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(r.dev->opened, std::vector<std::string>{"/m/a.mp3"});
  EXPECT_TRUE(r.dev->seeks.empty());
}

TEST(PlayerPlay, NextFallsBackToTheFocusedRowWhenThePlayingEntryChangedItsFile) {
  Rig r;
  r.playRow(0);
  // The playing entry was removed from the list: next starts from the focused row.
  r.list.RemoveEntry(r.list.EntryAt(0));
  r.view.focused = 0;  // now "/m/b.mp3"
  r.player->bipPrevClick(PlaySource::NextButton);
  EXPECT_EQ(r.dev->file, "/m/c.mp3");
}

TEST(PlayerEnd, NoTrackOpensWhileTheListIsHalfRebuilt) {
  Rig r;
  r.playRow(0);
  r.view.busy = true;
  r.dev->PlayToEnd();
  r.playRow(2);
  r.player->bipPrevClick(PlaySource::NextButton);
  EXPECT_EQ(r.dev->opened, std::vector<std::string>{"/m/a.mp3"});
  EXPECT_EQ(r.view.time, "***");
  // The end is seen again at the next tick once the list is whole.
  r.view.busy = false;
  r.view.focused = 0;
  r.player->ipTimer2Timer();
  EXPECT_EQ(r.dev->file, "/m/b.mp3");
}
