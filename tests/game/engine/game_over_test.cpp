// Game over: the rating of the score, the pause and the way back to the title.
#include "tests/game/support/game_fixture.h"

namespace kv::test {
namespace {

class GameOverTest : public GameTest {
 protected:
  void SetUp() override { StartGame(); }

  // What the rating label shows while the "GAME OVER" picture stands.
  struct Shown {
    int rating = -1;
    std::string caption;
    bool gameOverVisible = false;
  };
  Shown EndWithScore(double score) {
    Shown shown;
    f.surface.SetPresenter([&] {
      if (!f.lblRating.Visible()) return;
      shown.rating = g().Rating;
      shown.caption = f.lblRating.Caption();
      shown.gameOverVisible = f.lblGameOver.Visible();
    });
    g().Score = score;
    g().GameMode = kModeSwitching;
    f.GameOver();
    f.surface.SetPresenter(nullptr);
    return shown;
  }
};

TEST_F(GameOverTest, RatingsByScore) {
  struct Case {
    double score;
    int rating;
    const char* caption;
  };
  for (Case c : {Case{0, 0, ""}, Case{1000, 0, ""}, Case{1010, 1, ""}, Case{2001, 2, ""}, Case{10000, 3, ""},
                 Case{20000, 4, ""}, Case{20010, 5, "NEW TYPE"}}) {
    Shown s = EndWithScore(c.score);
    EXPECT_EQ(s.rating, c.rating) << c.score;
    EXPECT_EQ(s.caption, c.caption) << c.score;
    EXPECT_TRUE(s.gameOverVisible);
    StartGame();
  }
}

TEST_F(GameOverTest, PausesThenReturnsToANewAttractRound) {
  g().Lives = 2;
  g().RoundNo = 5;
  int64_t before = now();
  EndWithScore(4321);
  EXPECT_EQ(now() - before, 2000 + 800);
  EXPECT_EQ(g().GameMode, kModeTitle);
  EXPECT_EQ(g().Score, 4321);  // stays on the panel until the next game
  EXPECT_EQ(g().Rating, 0);
  EXPECT_EQ(g().Lives, 0);
  EXPECT_EQ(g().RoundNo, 1);
  EXPECT_EQ(g().Invasion, 0);
  EXPECT_FALSE(f.lblGameOver.Visible());
  EXPECT_FALSE(f.lblRating.Visible());
  // The music stops on the way back; the attract round gets the start sound only.
  std::vector<std::string> s = Sounds();
  EXPECT_EQ(s, (std::vector<std::string>{"close all", "close all", "start.wav"}));
}

TEST_F(GameOverTest, OnlyActsWhileSwitching) {
  g().Score = 5000;
  int64_t before = now();
  f.GameOver();
  EXPECT_EQ(g().GameMode, kModePlay);
  EXPECT_EQ(g().Rating, 0);
  EXPECT_EQ(now(), before);
}

TEST_F(GameOverTest, WipesTheEnginesDrawings) {
  f.Line(300, 300, 310, 310, kCyan);
  EndWithScore(0);
  EXPECT_EQ(f.Point(305, 305), kBlack);
}

}  // namespace
}  // namespace kv::test
