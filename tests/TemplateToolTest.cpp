#include "AnalysisTestSupport.h"
#include "ScratchFiles.h"
#include "ToolRun.h"

#include "scenes/SyntheticBoardCamera.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <filesystem>

namespace
{

/// Run the template tool; its exit status, with its standard error in `errors`.
int runTemplateTool(const std::string& arguments, std::string& errors)
{
	const ToolRun run = runTool(std::string(MAKE_TEMPLATES_PATH) + " " + arguments);
	errors = run.err;
	return run.status;
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
	ASSERT_EQ(runTemplateTool(directory + "drawtable_pens.png " + directory, errors), 0) << errors;

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
	ASSERT_EQ(runTemplateTool("--data . --photo " + photo + " " + directory, errors), 0) << errors;

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
	EXPECT_EQ(runTemplateTool("--photo " + directory + "drawtable_no_board.png " + directory, errors), 1);
	EXPECT_NE(errors.find("drawtable_no_board.png: the board was not found"), std::string::npos) << errors;
	EXPECT_EQ(runTemplateTool("--data " + directory + "no_such_dir --photo " + photo + " " + directory, errors), 1);
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
		ASSERT_EQ(runTemplateTool("--data . --photo " + photo + " " + directory, errors), 0) << "room " << made << ": " << errors;
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
	EXPECT_EQ(runTemplateTool(directory + "drawtable_no_such.png", errors), 1);
	EXPECT_NE(errors.find("drawtable_no_such.png: cannot read"), std::string::npos) << errors;
	ASSERT_TRUE(cv::imwrite(directory + "drawtable_small.png", cv::Mat(240, 320, CV_8UC3, paperWhite)));
	EXPECT_EQ(runTemplateTool(directory + "drawtable_small.png", errors), 1);
	EXPECT_NE(errors.find("320 x 240"), std::string::npos) << errors;
	ASSERT_TRUE(cv::imwrite(directory + "drawtable_blank.png", blankBoard()));
	EXPECT_EQ(runTemplateTool(directory + "drawtable_blank.png " + directory, errors), 1);
	EXPECT_NE(errors.find("no closed black circle and no closed yellow circle found"), std::string::npos) << errors;
	EXPECT_EQ(runTemplateTool("", errors), 2);
	EXPECT_EQ(runTemplateTool("--frobnicate " + directory + "drawtable_blank.png", errors), 2);
	EXPECT_EQ(errors, "make_templates: unknown option \"--frobnicate\" (make_templates --help lists them)\n");
}

/// Balls the demo builds in its first 60 passes (its first map has two),
/// played in `folder` with the templates there.
int demoBalls(const std::string& folder)
{
	const ToolRun run = runTool("cd " + folder + " && " + DRAWTABLE_PATH
		+ " --headless --source demo --passes 60 --record none --trace balls.jsonl");
	EXPECT_EQ(run.status, 0) << run.err;
	const std::string trace = fileText(folder + "balls.jsonl");
	int balls = 0;
	for (size_t at = trace.find("\"type\": \"ball\""); at != std::string::npos; at = trace.find("\"type\": \"ball\"", at + 1))
	{
		++balls;
	}
	return balls;
}

TEST(TemplateTool, ASavedWarpedPictureNeverBreaksTheDemo)
{
	// The README's route: the program's "warped" window saved once the
	// demo's balls have been built and their rings painted over. What is
	// left that looks round is the bottom middle marker, cut in half by the
	// picture's edge, and the portal card's code.
	const std::string folder = scratchFolder() + "warped_route/";
	std::filesystem::create_directories(folder);
	std::filesystem::copy("Data", folder + "Data", std::filesystem::copy_options::recursive);
	for (const char* file : {"circleExample.txt", "circleExampleYellow.txt"})
	{
		std::filesystem::copy_file(file, folder + file);
	}
	ASSERT_EQ(demoBalls(folder), 2);
	const ToolRun shots = runTool("cd " + folder + " && " + DRAWTABLE_PATH
		+ " --headless --source demo --passes 200 --record none --snapshots shots");
	ASSERT_EQ(shots.status, 0) << shots.err;
	const std::string black = fileText(folder + "circleExample.txt");
	const std::string yellow = fileText(folder + "circleExampleYellow.txt");

	std::string errors;
	EXPECT_EQ(runTemplateTool(folder + "shots/warped.png " + folder, errors), 1);
	EXPECT_NE(errors.find("no closed black circle and no closed yellow circle found"), std::string::npos) << errors;
	EXPECT_NE(errors.find("nothing written"), std::string::npos) << errors;
	// With a yellow ring drawn in, the portal's code is still no black circle.
	cv::Mat warped = cv::imread(folder + "shots/warped.png");
	drawRing(warped, cv::Point(150, 300), yellowPen);
	ASSERT_TRUE(cv::imwrite(folder + "shots/yellow.png", warped));
	EXPECT_EQ(runTemplateTool(folder + "shots/yellow.png " + folder, errors), 1);
	EXPECT_NE(errors.find("no closed black circle found"), std::string::npos) << errors;

	EXPECT_EQ(fileText(folder + "circleExample.txt"), black);
	EXPECT_EQ(fileText(folder + "circleExampleYellow.txt"), yellow);
	EXPECT_FALSE(std::filesystem::exists(folder + "circleExample.txt.bak"));
	EXPECT_EQ(demoBalls(folder), 2);
}

TEST(TemplateTool, RingsThatReachThePicturesEdgeAreLeftOut)
{
	// Perfect rings at every edge, as close as a pixel; the drawn black
	// circle, a little oval, is the one taken.
	cv::Mat board = blankBoard();
	for (const cv::Point centre : {cv::Point(320, 24), cv::Point(320, 455), cv::Point(24, 240), cv::Point(615, 240)})
	{
		drawRing(board, centre, blackPen);
	}
	cv::ellipse(board, cv::Point(200, 200), cv::Size(24, 20), 0.0, 0.0, 360.0, blackPen, 3, cv::LINE_8);
	drawRing(board, cv::Point(420, 300), yellowPen);
	const std::string folder = scratchFolder() + "edges/";
	std::filesystem::create_directories(folder);
	ASSERT_TRUE(cv::imwrite(folder + "edges.png", board));
	std::string errors;
	ASSERT_EQ(runTemplateTool(folder + "edges.png " + folder, errors), 0) << errors;
	const ShapeDescriptor taken = computeDescriptor(loadTemplatePoints(folder + "circleExample.txt"));
	EXPECT_NEAR(taken.at<double>(0), 200, 2.0);
	EXPECT_NEAR(taken.at<double>(1), 200, 2.0);
}

TEST(TemplateTool, NewTemplatesKeepTheOnesBefore)
{
	cv::Mat board = blankBoard();
	drawRing(board, cv::Point(200, 200), blackPen);
	drawRing(board, cv::Point(420, 260), yellowPen);
	const std::string folder = scratchFolder() + "kept/";
	std::filesystem::create_directories(folder);
	ASSERT_TRUE(cv::imwrite(folder + "pens.png", board));
	std::filesystem::copy_file("circleExample.txt", folder + "circleExample.txt");
	const ToolRun run = runTool(std::string(MAKE_TEMPLATES_PATH) + " " + folder + "pens.png " + folder);
	ASSERT_EQ(run.status, 0) << run.err;
	// Only the black template was there before, and only it is kept.
	EXPECT_NE(run.out.find("circleExample.txt and " + folder + "circleExampleYellow.txt written; the ones before are "
						   "kept as " + folder + "circleExample.txt.bak\n"),
		std::string::npos)
		<< run.out;
	EXPECT_EQ(fileText(folder + "circleExample.txt.bak"), fileText("circleExample.txt"));
	EXPECT_FALSE(std::filesystem::exists(folder + "circleExampleYellow.txt.bak"));
	EXPECT_NE(fileText(folder + "circleExample.txt"), fileText("circleExample.txt"));
}

}  // namespace
