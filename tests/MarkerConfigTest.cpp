#include "ScratchFiles.h"
#include "markers/ARMultiMarker.h"
#include "markers/BoardSheet.h"

#include <gtest/gtest.h>

#include <fstream>

namespace
{

std::string writeConfig(const std::string& name, const std::string& text)
{
	const std::string path = scratchPath(name);
	std::ofstream(path) << text;
	return path;
}

const char* oneMarker = "1\naruco 4X4_50 10\n60.0\n0.0 0.0\n1 0 0 0\n0 1 0 0\n0 0 1 0\n";

TEST(MarkerConfig, CommentsAndBlankLinesAreSkippedAndCornersPlaced)
{
	const std::string path = writeConfig("turned.dat",
		"# a card\n\n1\n# its code\naruco 5X5_100 7\n  20.0\n1.0 0.0\n"
		"0 -1 0 100\n1 0 0 50\n0 0 1 0\n");
	ARMultiMarkerInfoT set;
	std::string error;
	ASSERT_TRUE(readMultiMarkerConfig(path, set, error)) << error;
	ASSERT_EQ(set.marker_num, 1);
	const ARMultiEachMarkerInfoT& marker = set.marker[0];
	EXPECT_EQ(marker.pattern.dictionary, 5);  // DICT_5X5_100
	EXPECT_EQ(marker.pattern.id, 7);
	EXPECT_EQ(marker.width, 20.0);
	// Top-left corner (-10 + 1, 10) in the marker frame, turned a quarter and moved.
	EXPECT_DOUBLE_EQ(marker.pos3d[0][0], 100.0 - 10.0);
	EXPECT_DOUBLE_EQ(marker.pos3d[0][1], 50.0 - 9.0);
	EXPECT_DOUBLE_EQ(marker.pos3d[2][2], 0.0);
}

TEST(MarkerConfig, BadFilesNameTheFileAndLine)
{
	const struct
	{
		const char* text;
		const char* where;
		const char* what;
	} cases[] = {
		{"", ":0:", "number of markers"},
		{"two\n", ":1:", "number of markers"},
		{"0\n", ":1:", "number of markers"},
		{"1.5\n", ":1:", "number of markers"},
		{"1\npattern.hiro\n", ":2:", "aruco <DICTIONARY> <id>"},
		{"1\naruco 3X3_50 1\n", ":2:", "unknown marker dictionary \"3X3_50\""},
		{"1\naruco 4X4_50 50\n", ":2:", "not one of the 50 codes"},
		{"1\naruco 4X4_50 -1\n", ":2:", "is not one of"},
		{"1\naruco 4X4_50 1\nwide\n", ":3:", "side length"},
		{"1\naruco 4X4_50 1\n-5\n", ":3:", "side length"},
		{"1\naruco 4X4_50 1\n40\n0.0\n", ":4:", "centre"},
		{"1\naruco 4X4_50 1\n40\n0 0\n1 0 0 0\n0 1 0\n", ":6:", "four numbers"},
		{"1\naruco 4X4_50 1\n40\n0 0\n1 0 0 0\n0 1 0 0 7\n", ":6:", "four numbers"},
		{"1\naruco 4X4_50 1\n40\n0 0\n1 0 0 0\n0 1 0 0\n0 0 1 nan\n", ":7:", "four numbers"},
		{"2\naruco 4X4_50 1\n40\n0 0\n1 0 0 0\n0 1 0 0\n0 0 1 0\n", ":7:", "marker 2 of 2"},
	};
	for (const auto& bad : cases)
	{
		const std::string path = writeConfig("bad.dat", bad.text);
		ARMultiMarkerInfoT set;
		std::string error;
		EXPECT_FALSE(readMultiMarkerConfig(path, set, error)) << bad.text;
		EXPECT_EQ(error.rfind(path + bad.where, 0), 0u) << error;
		EXPECT_NE(error.find(bad.what), std::string::npos) << error;
		EXPECT_EQ(error.find('\n'), std::string::npos) << error;
	}
	std::string error;
	ARMultiMarkerInfoT set;
	EXPECT_FALSE(readMultiMarkerConfig(testing::TempDir() + "absent.dat", set, error));
	EXPECT_NE(error.find("absent.dat: cannot open"), std::string::npos) << error;
	EXPECT_TRUE(readMultiMarkerConfig(writeConfig("good.dat", oneMarker), set, error)) << error;
}

TEST(MarkerConfig, ShippedBoardFramesA4To3DrawingAreaOnA3)
{
	ARMultiMarkerInfoT board;
	std::string error;
	ASSERT_TRUE(readMultiMarkerConfig("Data/markers/marker.dat", board, error)) << error;
	ASSERT_EQ(board.marker_num, 6);
	const auto centre = [&](int i) { return cv::Point2d(board.marker[i].trans[0][3], board.marker[i].trans[1][3]); };
	// Corners 0, 2, 5, 3 go round a 4:3 rectangle, y up: top-left first.
	EXPECT_EQ(centre(0).x, centre(3).x);
	EXPECT_EQ(centre(2).x, centre(5).x);
	EXPECT_EQ(centre(0).y, centre(2).y);
	EXPECT_EQ(centre(3).y, centre(5).y);
	EXPECT_GT(centre(0).y, centre(3).y);
	const double width = centre(2).x - centre(0).x;
	const double height = centre(0).y - centre(3).y;
	EXPECT_DOUBLE_EQ(width / height, 4.0 / 3.0);
	for (const ARMultiEachMarkerInfoT& marker : board.marker)
	{
		// The drawing-area corners at 60 mm lie off the printed code, with room to spare.
		EXPECT_LT(marker.width / 2.0, 60.0 - 10.0);
		for (const auto& corner : marker.pos3d)
		{
			EXPECT_LT(std::abs(corner[0]), boardSheetWidth / 2.0 - 5.0);
			EXPECT_LT(std::abs(corner[1]), boardSheetHeight / 2.0 - 5.0);
		}
	}

	ARMultiMarkerInfoT portal;
	ASSERT_TRUE(readMultiMarkerConfig("Data/markers/portal.dat", portal, error)) << error;
	for (const ARMultiEachMarkerInfoT& marker : portal.marker)
	{
		for (const auto& corner : marker.pos3d)
		{
			EXPECT_LT(std::max(std::abs(corner[0]), std::abs(corner[1])), 60.0 - 15.0);
		}
		EXPECT_NE(marker.pattern.id, board.marker[0].pattern.id);
	}
}

}  // namespace
