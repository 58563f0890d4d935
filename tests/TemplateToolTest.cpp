#include "ScratchFiles.h"
#include "AnalysisTestSupport.h"

#include "scenes/SyntheticBoardCamera.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace
{

/// Run the template tool; its exit status, with its standard error in `errors`.
int runTool(const std::string& arguments, std::string& errors)
{
	const std::string errorFile = scratchFolder() + "make_templates.err";
	const int status = std::system((std::string(MAKE_TEMPLATES_PATH) + " " + arguments + " >/dev/null 2>" + errorFile).c_str());
	std::stringstream text;
	text << std::ifstream(errorFile).rdbuf();
	errors = text.str();
	return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(TemplateTool, TemplatesFromTheRoundestRingOfEachInkFindDrawnCircles)
{
	// Rings of both inks among strokes, a tiny loop and markers with patterns.
	cv::Mat board = blankBoard();
	drawRing(board, cv::Point(200, 200), blackPen);
	drawRing(board, cv::Point(420, 260), yellowPen);
	drawRing(board, cv::Point(300, 100), blackPen, 4);
	drawStroke(board, cv::Point(100, 400), cv::Point(500, 420));
	for (const cv::Point corner : {cv::Point(0, 0), cv::Point(590, 0), cv::Point(0, 430)})
	{
		cv::rectangle(board, cv::Rect(corner, cv::Size(50, 50)), blackPen, cv::FILLED);
		cv::rectangle(board, cv::Rect(corner + cv::Point(12, 12), cv::Size(12, 20)), paperWhite, cv::FILLED);
	}
	const std::string directory = scratchFolder();
	ASSERT_TRUE(cv::imwrite(directory + "drawtable_pens.png", board));
	std::string errors;
	ASSERT_EQ(runTool(directory + "drawtable_pens.png " + directory, errors), 0) << errors;

	AnalysisRig rig;
	rig.analysis.loadTemplates(directory + "circleExample.txt", directory + "circleExampleYellow.txt");
	EXPECT_NEAR(descriptorCentroid(rig.analysis.blackCircleTemplate()).x, 200, 1.5);
	EXPECT_NEAR(descriptorCentroid(rig.analysis.yellowCircleTemplate()).x, 420, 1.5);
	cv::Mat play = blankBoard();
	drawRing(play, cv::Point(300, 150), blackPen);
	drawRing(play, cv::Point(100, 300), yellowPen);
	rig.setBoard(play);
	const DrawingFound found = rig.analysis.analyse(rig.board, rig.ink, rig.display);
	EXPECT_EQ(found.balls, 1);
	EXPECT_EQ(found.sensors, 1);
}

TEST(TemplateTool, CameraPhotoIsRectifiedFirst)
{
	// A tilted camera picture of the board with one ring of each ink.
	BoardDrawing drawing;
	drawing.circles.push_back({cv::Point2f(220, 200), 28.0f, Ink::Black, false, 4.0f});
	drawing.circles.push_back({cv::Point2f(400, 280), 28.0f, Ink::Yellow, false, 4.0f});
	std::string error;
	std::string errors;
	const auto camera = SyntheticBoardCamera::fromFiles("Data/camera_para.dat", "Data/markers/marker.dat",
		"Data/markers/portal.dat", drawing, viewOfBoard(480, 15, 5), error);
	ASSERT_TRUE(camera) << error;
	const std::string directory = scratchFolder();
	const std::string photo = directory + "drawtable_pens_photo.png";
	ASSERT_TRUE(cv::imwrite(photo, camera->picture()));
	std::remove((directory + "circleExample.txt").c_str());
	ASSERT_EQ(runTool("--data . --photo " + photo + " " + directory, errors), 0) << errors;

	AnalysisRig rig;
	rig.analysis.loadTemplates(directory + "circleExample.txt", directory + "circleExampleYellow.txt");
	EXPECT_NEAR(descriptorCentroid(rig.analysis.blackCircleTemplate()).x, 220, 3.0);
	EXPECT_NEAR(descriptorCentroid(rig.analysis.blackCircleTemplate()).y, 200, 3.0);
	EXPECT_NEAR(descriptorMeanRadius(rig.analysis.blackCircleTemplate()), 28, 3.0);
	// The mean of a thinned ring's points lies a little off its centre.
	EXPECT_NEAR(descriptorCentroid(rig.analysis.yellowCircleTemplate()).x, 400, 5.0);
	EXPECT_NEAR(descriptorMeanRadius(rig.analysis.yellowCircleTemplate()), 28, 3.0);

	// A picture in which no board shows, and a rectified board given as a photo.
	ASSERT_TRUE(cv::imwrite(directory + "drawtable_no_board.png", cv::Mat(480, 640, CV_8UC3, paperWhite)));
	EXPECT_EQ(runTool("--photo " + directory + "drawtable_no_board.png " + directory, errors), 1);
	EXPECT_NE(errors.find("drawtable_no_board.png: the board was not found"), std::string::npos) << errors;
	EXPECT_EQ(runTool("--data " + directory + "no_such_dir --photo " + photo + " " + directory, errors), 1);
	EXPECT_NE(errors.find("no_such_dir/Data"), std::string::npos) << errors;
}

TEST(TemplateTool, TemplatesMadeInOneRoomServeInAnother)
{
	// The same pens photographed in a neutral room, under a dim warm lamp and
	// in cool shade, each with a compressing webcam: the templates read from
	// each photo pass each other's circle tests.
	BoardDrawing drawing;
	drawing.circles.push_back({cv::Point2f(220, 200), 28.0f, Ink::Black, false, 4.0f});
	drawing.circles.push_back({cv::Point2f(400, 280), 28.0f, Ink::Yellow, false, 4.0f});
	Photography warm, cool, neutral;
	warm.light.cast = colourTemperatureCast(3000.0);
	warm.light.exposure = 0.7;
	warm.light.vignetting = 0.25;
	cool.light.cast = colourTemperatureCast(7500.0);
	cool.light.gradient = 0.15;
	for (Photography* room : {&warm, &cool, &neutral})
	{
		room->jpegQuality = 80;
		room->noise = 3.0;
	}
	const std::string directory = scratchFolder();
	std::vector<AnalysisRig> rigs(3);
	int made = 0;
	for (const Photography& room : {neutral, warm, cool})
	{
		std::string error, errors;
		const auto camera = SyntheticBoardCamera::fromFiles("Data/camera_para.dat", "Data/markers/marker.dat",
			"Data/markers/portal.dat", drawing, viewOfBoard(480, 15, 5), error, room);
		ASSERT_TRUE(camera) << error;
		const std::string photo = directory + "room_photo.png";
		ASSERT_TRUE(cv::imwrite(photo, camera->picture()));
		ASSERT_EQ(runTool("--data . --photo " + photo + " " + directory, errors), 0) << "room " << made << ": " << errors;
		rigs[size_t(made++)].analysis.loadTemplates(directory + "circleExample.txt", directory + "circleExampleYellow.txt");
	}
	for (AnalysisRig& rig : rigs)
	{
		for (const AnalysisRig& other : rigs)
		{
			EXPECT_LT(descriptorDistance(rig.analysis.blackCircleTemplate() - other.analysis.blackCircleTemplate(),
						  blackTemplateExponents),
				circleMatchLimit);
			EXPECT_LT(descriptorDistance(rig.analysis.yellowCircleTemplate() - other.analysis.yellowCircleTemplate(),
						  yellowTemplateExponents),
				circleMatchLimit);
		}
	}
}

TEST(TemplateTool, RefusesWhatItCannotUseAndSaysWhy)
{
	const std::string directory = scratchFolder();
	std::string errors;
	EXPECT_EQ(runTool(directory + "drawtable_no_such.png", errors), 1);
	EXPECT_NE(errors.find("drawtable_no_such.png: cannot read"), std::string::npos) << errors;
	ASSERT_TRUE(cv::imwrite(directory + "drawtable_small.png", cv::Mat(240, 320, CV_8UC3, paperWhite)));
	EXPECT_EQ(runTool(directory + "drawtable_small.png", errors), 1);
	EXPECT_NE(errors.find("320 x 240"), std::string::npos) << errors;
	ASSERT_TRUE(cv::imwrite(directory + "drawtable_blank.png", blankBoard()));
	EXPECT_EQ(runTool(directory + "drawtable_blank.png " + directory, errors), 1);
	EXPECT_NE(errors.find("no closed black circle"), std::string::npos) << errors;
	EXPECT_EQ(runTool("", errors), 2);
}

}  // namespace
