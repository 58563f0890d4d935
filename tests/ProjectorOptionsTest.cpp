#include "app/CommandLine.h"
#include "calibration/ProjectorCalibration.h"
#include "scenes/SceneScript.h"

#include <gtest/gtest.h>

namespace
{

TEST(ProjectorOption, RectangleOfTheDesktopInBothFormsAndBadOnesRefused)
{
	const ParsedCommandLine spaced = parseCommandLine({"--projector", "1920,0,1280,800"});
	ASSERT_TRUE(spaced.ok()) << spaced.error;
	const DesktopRect& r = spaced.options.projector;
	EXPECT_EQ((std::vector<int>{r.x, r.y, r.width, r.height}), (std::vector<int>{1920, 0, 1280, 800}));
	const ParsedCommandLine joined = parseCommandLine({"--projector=-1280,-200,1280,720"});
	ASSERT_TRUE(joined.ok()) << joined.error;
	EXPECT_EQ(joined.options.projector.x, -1280);
	EXPECT_TRUE(parseCommandLine({}).options.projector.empty());
	EXPECT_NE(usageText().find("--projector X,Y,W,H"), std::string::npos);

	for (const char* bad : {"", "1920,0,1280", "1920,0,1280,800,1", "a,0,1280,800", "1920,0,100,800", "1920,0,1280,80",
			 "1920;0;1280;800", "1920,0,1280,800 ", "1920,0,99999,800", "99999999999,0,1280,800", "1920,0,-1280,800"})
	{
		const ParsedCommandLine parsed = parseCommandLine({"--projector", bad});
		EXPECT_FALSE(parsed.ok()) << bad;
		EXPECT_NE(parsed.error.find("projector"), std::string::npos) << parsed.error;
	}
}

/// The sizes --projector accepts are those the calibration can measure and a
/// projector shows: each refused in one line that says why.
TEST(ProjectorOption, SizesAreThoseTheCalibrationMeasuresAndAProjectorShows)
{
	struct Size
	{
		int width;
		int height;
		const char* refusedFor;  ///< empty: accepted
	};
	const Size sizes[] = {
		{160, 120, "smallest picture measured is 320 x 240"},
		{240, 180, "smallest picture measured is 320 x 240"},
		{319, 240, "smallest picture measured is 320 x 240"},
		{1280, 200, "smallest picture measured is 320 x 240"},
		{320, 240, ""},
		{800, 600, ""},
		{1920, 1080, ""},
		{3840, 2160, ""},
		{7680, 4320, ""},
		{4320, 7680, ""},
		{8192, 4000, ""},
		{8192, 4400, "larger than any projector's"},
		{8200, 4320, "larger than any projector's"},
		{16384, 16384, "larger than any projector's"},
	};
	for (const Size& size : sizes)
	{
		const std::string value = "1920,0," + std::to_string(size.width) + "," + std::to_string(size.height);
		const ParsedCommandLine parsed = parseCommandLine({"--projector", value});
		const std::string refusedFor = size.refusedFor;
		EXPECT_EQ(parsed.ok(), refusedFor.empty()) << value << ": " << parsed.error;
		if (refusedFor.empty())
		{
			// Whatever is accepted gives a pattern with corners to spare.
			EXPECT_GE(makeProjectorPattern(cv::Size(size.width, size.height)).layout.cornerCount(), 2 * minCalibrationCorners)
				<< value;
			continue;
		}
		EXPECT_NE(parsed.error.find(refusedFor), std::string::npos) << value << ": " << parsed.error;
		EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << parsed.error;
	}
}

/// A rectangle that overlaps no screen of the desktop is refused, naming the
/// screens; one that overlaps any is taken, and so is every one when the
/// screens are unknown (no window system).
TEST(ProjectorOption, ARectangleOffEveryScreenIsRefused)
{
	const std::vector<cv::Rect> screens = {{0, 0, 1920, 1080}, {1920, 0, 1280, 800}};
	const auto at = [](int x, int y) { return DesktopRect{x, y, 1280, 800}; };
	EXPECT_EQ(projectorPlaceProblem(at(1920, 0), screens), "");
	EXPECT_EQ(projectorPlaceProblem(at(3000, 700), screens), "") << "partly on the second screen";
	EXPECT_EQ(projectorPlaceProblem(at(-1279, -799), screens), "") << "a pixel on the first";
	EXPECT_EQ(projectorPlaceProblem(at(5000, 0), {}), "");
	for (const DesktopRect off : {at(3200, 0), at(-1280, 0), at(0, 1080), at(1920, 800), at(10000, 10000)})
	{
		const std::string problem = projectorPlaceProblem(off, screens);
		EXPECT_NE(problem.find("outside every screen"), std::string::npos) << off.x << "," << off.y << ": " << problem;
		EXPECT_NE(problem.find("0,0,1920,1080; 1920,0,1280,800"), std::string::npos) << problem;
	}
}

TEST(ProjectorStatement, PlacesTheProjectorAndRefusesBadWordsWithTheLine)
{
	SceneScript script;
	std::string error;
	ASSERT_TRUE(parseSceneScript("projector 650 38 -15 -20 10 size 1024 768 focal 1500 latency 3 brightness 120 room 0.7\n"
								 "map a\n",
		"t.scene", script, error))
		<< error;
	ASSERT_TRUE(script.hasProjector);
	const ProjectorPlacement& p = script.projector;
	EXPECT_EQ(p.view.distance, 650.0);
	EXPECT_EQ(p.view.tilt, 38.0);
	EXPECT_EQ(p.view.turn, -15.0);
	EXPECT_EQ(p.view.target, cv::Point2d(-20.0, 10.0));
	EXPECT_EQ(p.size, cv::Size(1024, 768));
	EXPECT_EQ(p.focal, 1500.0);
	EXPECT_EQ(p.latency, 3);
	EXPECT_EQ(p.brightness, 120.0);
	EXPECT_EQ(p.room, 0.7);

	ASSERT_TRUE(parseSceneScript("projector 700 0 0\nmap a\n", "t.scene", script, error)) << error;
	EXPECT_EQ(script.projector.size, ProjectorPlacement().size);
	ASSERT_TRUE(parseSceneScript("map a\n", "t.scene", script, error));
	EXPECT_FALSE(script.hasProjector);

	const std::pair<const char*, const char*> bad[] = {
		{"projector 700 0\nmap a\n", "TURN is missing"},
		{"projector 700 0 0 5\nmap a\n", "Y is missing"},
		{"projector 700 0 0 size 1280\nmap a\n", "H is missing"},
		{"projector 700 0 0 size 12 800\nmap a\n", "W \"12\""},
		{"projector 700 0 0 latency 1.5\nmap a\n", "whole number"},
		{"projector 700 0 0 latency 31\nmap a\n", "N \"31\""},
		{"projector 700 0 0 zoom 2\nmap a\n", "unknown word \"zoom\" in \"projector\""},
		{"projector 700 95 0\nmap a\n", "TILT"},
		{"projector 0 0 0\nmap a\n", "DISTANCE"},
		{"projector 700 0 0 room 0\nmap a\n", "R \"0\""},
		{"projector 700 0 0\nprojector 700 0 0\nmap a\n", "a second projector"},
		{"map a\nat 1 map a\nprojector 700 0 0\n", "before the timeline"},
	};
	for (const auto& [text, reason] : bad)
	{
		EXPECT_FALSE(parseSceneScript(text, "t.scene", script, error)) << text;
		EXPECT_EQ(error.rfind("t.scene:", 0), 0u) << error;
		EXPECT_NE(error.find(reason), std::string::npos) << text << " gave " << error;
	}
}

}  // namespace
