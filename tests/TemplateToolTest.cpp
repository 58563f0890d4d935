#include "AnalysisTestSupport.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace
{

/// A board as a user would photograph it for the tool: rings of both inks,
/// strokes, and the board's black markers with their patterns.
cv::Mat pensBoard()
{
	cv::Mat board = blankBoard();
	drawRing(board, cv::Point(200, 200), blackPen);
	drawRing(board, cv::Point(420, 260), yellowPen);
	drawStroke(board, cv::Point(100, 400), cv::Point(500, 420));
	cv::line(board, cv::Point(450, 100), cv::Point(560, 60), yellowPen, 3);
	for (const cv::Point corner : {cv::Point(0, 0), cv::Point(590, 0), cv::Point(0, 430)})
	{
		cv::rectangle(board, cv::Rect(corner, cv::Size(50, 50)), blackPen, cv::FILLED);
		cv::rectangle(board, cv::Rect(corner + cv::Point(12, 12), cv::Size(12, 20)), paperWhite, cv::FILLED);
	}
	return board;
}

TEST(TemplateRing, TheRoundestRingOfEachInkIsChosen)
{
	ScannerRig rig;
	rig.setBoard(pensBoard());
	rig.scanner.segmentColours();
	rig.scanner.extractBlackContours();
	const ShapeDescriptor black = computeDescriptor(roundestRing(rig.scanner.blackContours, rig.scanner.hierarchy));
	EXPECT_NEAR(black.at<double>(0), 200, 1.5);
	EXPECT_NEAR(black.at<double>(1), 200, 1.5);
	rig.scanner.extractColourContours();
	const ShapeDescriptor yellow = computeDescriptor(roundestRing(rig.scanner.yellowContours, rig.scanner.hierarchy));
	EXPECT_NEAR(yellow.at<double>(0), 420, 1.5);
	EXPECT_NEAR(yellow.at<double>(8), ringRadius, 1.5);
}

TEST(TemplateRing, StrokesAndTinyLoopsAreNoRings)
{
	ScannerRig rig;
	cv::Mat board = blankBoard();
	drawStroke(board, cv::Point(100, 100), cv::Point(300, 200));
	drawRing(board, cv::Point(400, 300), blackPen, 4);
	rig.setBoard(board);
	rig.scanner.segmentColours();
	rig.scanner.extractBlackContours();
	EXPECT_TRUE(roundestRing(rig.scanner.blackContours, rig.scanner.hierarchy).empty());
	EXPECT_TRUE(roundestRing({}, {}).empty());
}

/// Run the tool; returns its exit status, with its standard error in `errors`.
int runTool(const std::string& arguments, std::string& errors)
{
	const std::string errorFile = ::testing::TempDir() + "drawtable_make_templates.err";
	const std::string command = std::string(MAKE_TEMPLATES_PATH) + " " + arguments + " >/dev/null 2>" + errorFile;
	const int status = std::system(command.c_str());
	std::ifstream file(errorFile);
	std::stringstream text;
	text << file.rdbuf();
	errors = text.str();
	return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(TemplateTool, WritesTemplatesThatFindTheDrawnCircles)
{
	const std::string directory = ::testing::TempDir();
	const std::string image = directory + "drawtable_pens.png";
	ASSERT_TRUE(cv::imwrite(image, pensBoard()));
	std::remove((directory + "circleExample.txt").c_str());
	std::string errors;
	ASSERT_EQ(runTool(image + " " + directory, errors), 0) << errors;

	AnalysisRig rig;
	rig.analysis.loadTemplates(directory + "circleExample.txt", directory + "circleExampleYellow.txt");
	EXPECT_NEAR(rig.analysis.blackCircleTemplate.at<double>(8), ringRadius, 1.5);
	cv::Mat board = blankBoard();
	drawRing(board, cv::Point(300, 150), blackPen);
	drawRing(board, cv::Point(100, 300), yellowPen);
	rig.setBoard(board);
	rig.scanner.segmentColours();
	rig.scanner.extractBlackContours();
	rig.analysis.detectBalls();
	rig.scanner.extractColourContours();
	rig.analysis.detectSensorCircles();
	EXPECT_EQ(rig.analysis.ballRecords.size(), 1u);
	EXPECT_EQ(rig.analysis.sensorCircleRecords.size(), 1u);
}

TEST(TemplateTool, RefusesImagesItCannotUseAndSaysWhy)
{
	const std::string directory = ::testing::TempDir();
	std::string errors;
	EXPECT_EQ(runTool(directory + "drawtable_no_such.png " + directory, errors), 1);
	EXPECT_NE(errors.find("drawtable_no_such.png: cannot read"), std::string::npos) << errors;

	const std::string small = directory + "drawtable_small.png";
	ASSERT_TRUE(cv::imwrite(small, cv::Mat(240, 320, CV_8UC3, paperWhite)));
	EXPECT_EQ(runTool(small, errors), 1);
	EXPECT_NE(errors.find("320 x 240"), std::string::npos) << errors;

	const std::string blank = directory + "drawtable_blank.png";
	ASSERT_TRUE(cv::imwrite(blank, blankBoard()));
	EXPECT_EQ(runTool(blank + " " + directory, errors), 1);
	EXPECT_NE(errors.find("no closed black circle"), std::string::npos) << errors;

	EXPECT_EQ(runTool("", errors), 2);
	EXPECT_NE(errors.find("usage"), std::string::npos) << errors;
}

}  // namespace
