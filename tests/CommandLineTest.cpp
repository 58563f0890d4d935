#include "app/CommandLine.h"
#include "platform/FrameSource.h"

#include <gtest/gtest.h>

namespace
{

ParsedCommandLine parse(std::vector<std::string> arguments)
{
	return parseCommandLine(arguments);
}

TEST(CommandLine, NoArgumentIsTheCameraWithWindows)
{
	const ParsedCommandLine parsed = parse({});
	ASSERT_TRUE(parsed.ok());
	EXPECT_EQ(parsed.options.source, "device:0");
	EXPECT_FALSE(parsed.options.headless);
	EXPECT_EQ(parsed.options.passes, 0);
	EXPECT_TRUE(parsed.options.traceFile.empty());
	EXPECT_TRUE(parsed.options.snapshotDir.empty());
	EXPECT_FALSE(parsed.options.help);
}

TEST(CommandLine, EveryOptionInBothForms)
{
	const ParsedCommandLine parsed = parse({"--source", "file:clip%03d.png", "--headless", "--passes=300",
		"--trace", "run.jsonl", "--snapshots=out", "--help"});
	ASSERT_TRUE(parsed.ok()) << parsed.error;
	EXPECT_EQ(parsed.options.source, "file:clip%03d.png");
	EXPECT_TRUE(parsed.options.headless);
	EXPECT_EQ(parsed.options.passes, 300);
	EXPECT_EQ(parsed.options.traceFile, "run.jsonl");
	EXPECT_EQ(parsed.options.snapshotDir, "out");
	EXPECT_TRUE(parsed.options.help);

	EXPECT_EQ(parse({"--source=device:2"}).options.source, "device:2");
	// --data names a directory; the other path options keep their own values.
	const ParsedCommandLine data = parse({"--data", "table", "--trace=run.jsonl"});
	EXPECT_EQ(data.options.dataDir, "table");
	EXPECT_EQ(data.options.traceFile, "run.jsonl");
	EXPECT_TRUE(data.options.snapshotDir.empty());
	EXPECT_FALSE(parse({"--data="}).ok());
}

TEST(CommandLine, BadOptionsAndValuesAreRefusedByName)
{
	const struct
	{
		std::vector<std::string> arguments;
		std::string named;
	} cases[] = {
		{{"--fullscreen"}, "--fullscreen"},
		{{"-h"}, "-h"},
		{{"extra"}, "extra"},
		{{"--passes"}, "--passes"},
		{{"--passes", "0"}, "0"},
		{{"--passes", "-5"}, "-5"},
		{{"--passes", "12abc"}, "12abc"},
		{{"--passes", "99999999999999999999999"}, "99999999999999999999999"},
		{{"--source", "camera"}, "camera"},
		{{"--source", "device:x"}, "device:x"},
		{{"--source", "device:"}, "device:"},
		{{"--source", "file:"}, "file:"},
		{{"--trace="}, "--trace"},
		{{"--headless=yes"}, "--headless"},
		{{"--mute=no"}, "--mute"},
		{{"--record", "pictures"}, "pictures"},
		{{"--record="}, "\"\""},
		{{"--record"}, "--record"},
		{{"--keep-free", "lots"}, "lots"},
		{{"--keep-free", "-1G"}, "-1G"},
	};
	for (const auto& c : cases)
	{
		const ParsedCommandLine parsed = parse(c.arguments);
		EXPECT_FALSE(parsed.ok()) << c.named;
		EXPECT_NE(parsed.error.find(c.named), std::string::npos) << parsed.error;
	}
}

TEST(CommandLine, UsageNamesEveryOption)
{
	const std::string usage = usageText();
	for (const char* option :
		{"--source", "--headless", "--passes", "--trace", "--snapshots", "--record", "--keep-free", "--mute", "--help"})
	{
		EXPECT_NE(usage.find(option), std::string::npos) << option;
	}
	EXPECT_NE(usage.find("m turns the sound off or on"), std::string::npos);
	EXPECT_TRUE(parse({"--mute"}).options.mute);
	EXPECT_FALSE(parse({}).options.mute);
}

}  // namespace

namespace
{

/// Without --record the folder decides; each choice and the floor are read.
TEST(CommandLine, WhatIsRecordedAndHowMuchIsKeptFree)
{
	const ParsedCommandLine none = parseCommandLine({});
	EXPECT_EQ(none.options.record, "");
	EXPECT_FALSE(none.options.keepFree.has_value());
	for (const char* what : {"frames", "video", "none"})
	{
		EXPECT_EQ(parseCommandLine({"--record", what}).options.record, what);
	}
	const ParsedCommandLine floor = parseCommandLine({"--record=video", "--keep-free=500M"});
	ASSERT_TRUE(floor.ok()) << floor.error;
	EXPECT_EQ(floor.options.keepFree, std::uint64_t(500) << 20);
	EXPECT_EQ(parseCommandLine({"--keep-free", "0"}).options.keepFree, 0u);
}

TEST(CommandLine, DemoIsASourceOfItsOwnAndOnlyByItsExactName)
{
	EXPECT_EQ(parseSourceName("demo").kind, SourceName::Demo);
	EXPECT_EQ(parseSourceName("demo:1").kind, SourceName::Invalid);
	EXPECT_EQ(parseSourceName("Demo").kind, SourceName::Invalid);
	EXPECT_EQ(parseCommandLine({"--source=demo"}).options.source, "demo");
	// The program builds the demo camera from its data files, not the opener.
	EXPECT_EQ(openFrameSource("demo"), nullptr);
}

TEST(CommandLine, SceneFilesAndTheVideoFile)
{
	const SourceName scene = parseSourceName("scene:Data/scenes/demo.scene");
	EXPECT_EQ(scene.kind, SourceName::Scene);
	EXPECT_EQ(scene.path, "Data/scenes/demo.scene");
	EXPECT_EQ(parseSourceName("scene:").kind, SourceName::Invalid);
	EXPECT_EQ(openFrameSource("scene:a.scene"), nullptr);
	EXPECT_EQ(parseCommandLine({"--video", "run.avi"}).options.videoFile, "run.avi");
	EXPECT_FALSE(parseCommandLine({"--video"}).ok());
	EXPECT_FALSE(parseCommandLine({"--video="}).ok());
}

}  // namespace
