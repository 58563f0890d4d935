#include "ScratchFiles.h"
#include "markers/VideoConfigFile.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace std::string_literals;

namespace
{

std::string writeConfig(const std::string& text)
{
	const std::string path = scratchPath("video_config.xml");
	std::ofstream(path, std::ios::binary) << text;
	return path;
}

}  // namespace

TEST(VideoConfigFile, ReadsTheSizeSkippingDeclarationsCommentsAndOtherElements)
{
	cv::Size size;
	std::string error;
	ASSERT_TRUE(readVideoConfig(writeConfig("<?xml version=\"1.0\"?>\n<!-- <width>1</width> -->\n<opencv_storage>\n"
											"<name>cam</name><width> 800 </width>\n<height>600</height><empty/>\n"
											"</opencv_storage>\n"),
		size, error))
		<< error;
	EXPECT_EQ(size, cv::Size(800, 600));
}

TEST(VideoConfigFile, DamagedFilesAreRefusedWithTheFileAndLine)
{
	const std::pair<std::string, std::string> cases[] = {
		{"<opencv_storage>\n<width>640</width>\n<height>4x0</height>\n</opencv_storage>\n", ":3: height \"4x0\""},
		{"<opencv_storage>\n<width>0</width><height>480</height></opencv_storage>", ":2: width \"0\""},
		{"<opencv_storage>\n<width>640</width>\n<height>480\n", ":4: element <height> is not closed"},
		{"<opencv_storage>\n<width>640</height>\n", ":2: </height> closes no open element"},
		{"<opencv_storage>\n<!-- never closed\n<width>640</width>", ":2: \"<!--\" is not closed"},
		{"<opencv_storage><width>99999999999</width><height>1</height></opencv_storage>", ":1: width"},
		{"%YAML:1.0\nwidth: 640\nheight: 480\n", ": video configuration needs a width and a height"},
		{"<?xml version=\0\0\"1.0\"?>\n<opencv_storage><width>640</width>\0</opencv_storage>"s,
			": video configuration needs a width and a height"},
	};
	for (const auto& [text, message] : cases)
	{
		const std::string path = writeConfig(text);
		cv::Size size(1, 1);
		std::string error;
		EXPECT_FALSE(readVideoConfig(path, size, error)) << text;
		EXPECT_EQ(error.find(path + message), 0u) << error;
		EXPECT_EQ(size, cv::Size(1, 1));
	}
}
