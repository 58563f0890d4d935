#include "app/CommandLine.h"
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
