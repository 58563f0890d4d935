#include "platform/HeadlessDisplay.h"
#include "scenes/ScriptedInputDisplay.h"

#include <opencv2/highgui.hpp>

#include <gtest/gtest.h>

namespace
{

SceneScript scriptOf(const std::string& text)
{
	SceneScript script;
	std::string error;
	EXPECT_TRUE(parseSceneScript("map a\n" + text, "t.scene", script, error)) << error;
	return script;
}

struct Recorded
{
	int event;
	int x;
	int y;
};

TEST(ScriptedInputDisplay, KeysAndMouseEventsComeInTheirPass)
{
	auto inner = std::make_unique<HeadlessDisplay>();
	HeadlessDisplay* user = inner.get();
	ScriptedInputDisplay display(std::move(inner),
		scriptOf("at 2 key z\nat 3 drag game 10 20 30 40\nat 3 click cont 5 6\nat 4 key p\n"));
	std::vector<Recorded> game, cont;
	display.createWindow("game");
	display.createWindow("cont");
	EXPECT_FALSE(display.setMouseHandler("warped", [](int, int, int, int) {}));
	display.setMouseHandler("game", [&](int e, int x, int y, int) { game.push_back({e, x, y}); });
	display.setMouseHandler("cont", [&](int e, int x, int y, int) { cont.push_back({e, x, y}); });

	EXPECT_EQ(display.waitKey(1), -1);
	EXPECT_EQ(display.waitKey(1), 'z');
	EXPECT_TRUE(game.empty());
	EXPECT_EQ(display.waitKey(1), -1);
	ASSERT_EQ(game.size(), 3u);
	EXPECT_EQ(game[0].event, cv::EVENT_LBUTTONDOWN);
	EXPECT_EQ(game[1].event, cv::EVENT_MOUSEMOVE);
	EXPECT_EQ(game[2].event, cv::EVENT_LBUTTONUP);
	EXPECT_EQ(game[2].x, 30);
	EXPECT_EQ(game[2].y, 40);
	ASSERT_EQ(cont.size(), 2u);
	EXPECT_EQ(cont[0].x, 5);
	// The user's own key wins over the scene's in the same pass.
	user->pushKey(27);
	EXPECT_EQ(display.waitKey(1), 27);
	EXPECT_EQ(display.waitKey(1), -1);
}

TEST(ScriptedInputDisplay, KeepsWhatWindowsShowForSnapshots)
{
	ScriptedInputDisplay display(std::make_unique<HeadlessDisplay>(), scriptOf(""));
	display.show("game", cv::Mat(4, 4, CV_8UC3, cv::Scalar(1, 2, 3)));
	display.show("game", cv::Mat());
	ASSERT_EQ(display.lastImages().count("game"), 1u);
	EXPECT_EQ(display.lastImages().at("game").at<cv::Vec3b>(0, 0), cv::Vec3b(1, 2, 3));
	EXPECT_TRUE(display.isHeadless());
}

}  // namespace
