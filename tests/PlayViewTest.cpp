#include "SceneFrames.h"
#include "core/Homography.h"
#include "render/PlayBackdrop.h"
#include "render/PlayView.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <limits>

// The play window as a player sees it, measured in its pixels: the balls
// where the world has them and at their size, lit sensors brighter than
// unlit ones, the heads-up words where they belong, and the board upright
// however the camera looks at it.

namespace
{

/// The shipped board's drawing area, board pixels.
const cv::Rect2d drawingArea(122.0, 122.0, 394.0, 234.0);
const cv::Size window = windowShapedLike(drawingArea, 960);

/// A scene over a camera frame of one grey, the board pixels for its own.
PlayScene flatScene(cv::Scalar paper = cv::Scalar::all(128))
{
	PlayScene scene;
	scene.cameraFrame = cv::Mat(480, 640, CV_8UC3, paper);
	scene.boardInView = true;
	scene.drawingArea = drawingArea;
	return scene;
}

/// Pixels of `picture` that differ from `paper` by more than a faint edge.
cv::Mat differing(const cv::Mat& picture, cv::Scalar paper)
{
	cv::Mat difference, grey, mask;
	cv::absdiff(picture, paper, difference);
	cv::cvtColor(difference, grey, cv::COLOR_BGR2GRAY);
	cv::threshold(grey, mask, 20, 255, cv::THRESH_BINARY);
	return mask;
}

/// Pixels that differ between two pictures in any channel.
cv::Mat changedPixels(const cv::Mat& a, const cv::Mat& b)
{
	cv::Mat difference;
	cv::absdiff(a, b, difference);
	std::vector<cv::Mat> channels;
	cv::split(difference, channels);
	return (channels[0] | channels[1] | channels[2]) > 0;
}

double meanGreyOnRing(const cv::Mat& picture, cv::Point2d centre, double radius)
{
	cv::Mat ring = cv::Mat::zeros(picture.size(), CV_8UC1), grey;
	cv::circle(ring, cv::Point(centre), int(std::lround(radius)), cv::Scalar(255), 2);
	cv::cvtColor(picture, grey, cv::COLOR_BGR2GRAY);
	return cv::mean(grey, ring)[0];
}

TEST(PlayView, BallsAreDiscsWhereTheWorldHasThemAndOfTheirSize)
{
	PlayView view(window);
	for (const float radius : {0.6f, 1.0f, 2.5f})
	{
		PlayScene scene = flatScene();
		// Spread over the drawing area, none touching another or an edge.
		const std::vector<b2Vec2> places = {{8.0f, -2.0f}, {22.5f, -5.3f}, {34.0f, -10.1f}, {15.3f, -10.0f}};
		for (size_t i = 0; i < places.size(); ++i)
		{
			scene.balls.push_back({places[i], radius, 0.7f * float(i)});
		}
		const cv::Mat picture = view.draw(scene).clone();
		const cv::Mat painted = differing(picture, cv::Scalar::all(128));
		const PlayViewMap map = view.viewMap(scene);
		for (const b2Vec2& place : places)
		{
			const cv::Point2d expected = map.toWindow(place);
			const double expectedRadius = map.length(radius);
			const int reach = int(expectedRadius) + 6;
			const cv::Rect around = cv::Rect(cv::Point(expected) - cv::Point(reach, reach), cv::Size(2 * reach, 2 * reach))
				& cv::Rect(cv::Point(), window);
			const cv::Moments m = cv::moments(painted(around), true);
			ASSERT_GT(m.m00, 0.0) << "no ball at " << expected;
			const cv::Point2d found = cv::Point2d(m.m10 / m.m00, m.m01 / m.m00) + cv::Point2d(around.tl());
			EXPECT_LT(cv::norm(found - expected), 2.0) << "radius " << radius << ": drawn at " << found << ", not " << expected;
			EXPECT_NEAR(std::sqrt(m.m00 / CV_PI), expectedRadius, 1.5) << "radius " << radius << " at " << expected;
			// Anti-aliased: from the darkest shade at its right rim the edge
			// rises steadily to the paper...
			cv::Mat grey;
			cv::cvtColor(picture, grey, cv::COLOR_BGR2GRAY);
			const int row = int(std::lround(expected.y)), edge = int(std::lround(expected.x + expectedRadius));
			cv::Point darkest;
			cv::minMaxLoc(grey(cv::Rect(edge - 4, row, 8, 1)), nullptr, nullptr, &darkest);
			const int rim = grey.at<uchar>(row, edge - 4 + darkest.x);
			for (int x = edge - 4 + darkest.x; x < edge + 3; ++x)
			{
				EXPECT_LE(grey.at<uchar>(row, x), grey.at<uchar>(row, x + 1) + 1)
					<< "radius " << radius << ": the edge not smooth at x " << x;
			}
			// ...and round the shaded quarter of the rim (lower right) pixels
			// lie between the shade and the paper.
			int between = 0;
			for (double angle = 0.15; angle < CV_PI / 2 - 0.15; angle += 0.5 / expectedRadius)
			{
				const cv::Point2d out(std::cos(angle), std::sin(angle));
				const int level = grey.at<uchar>(cv::Point(cv::Point2d(cv::Point(expected)) + out * (expectedRadius + 0.3)));
				between += level > rim + 10 && level < 128 - 10 ? 1 : 0;
			}
			EXPECT_GE(between, 3) << "radius " << radius << ": a hard edge";
		}
	}
}

/// A ball turning anticlockwise in the world (y up) turns anticlockwise on
/// the screen: its spot goes from its right to its top.
TEST(PlayView, TheSpotOnABallTurnsWithIt)
{
	PlayView view(window);
	PlayScene scene = flatScene();
	scene.balls = {{{20.0f, -5.0f}, 2.5f, 0.0f}};
	const PlayViewMap map = view.viewMap(scene);
	const cv::Point2d centre = map.toWindow(scene.balls[0].position);
	for (const double angle : {0.0, CV_PI / 2, CV_PI, 3 * CV_PI / 2})
	{
		scene.balls[0].angle = float(angle);
		cv::Mat spot;
		cv::inRange(view.draw(scene), cv::Scalar(110, 210, 245), cv::Scalar(130, 230, 255), spot);
		const cv::Moments m = cv::moments(spot, true);
		ASSERT_GT(m.m00, 10.0) << "no spot at " << angle;
		const cv::Point2d found = cv::Point2d(m.m10 / m.m00, m.m01 / m.m00) - centre;
		const cv::Point2d expected(std::cos(angle), -std::sin(angle));
		EXPECT_GT(found.dot(expected) / cv::norm(found), 0.95) << "turned by " << angle << ": the spot at " << found;
	}
}

TEST(PlayView, ALitSensorGlowsBrighterThanAnUnlitOneAndItsHaloFades)
{
	PlayView view(window);
	const cv::Scalar paper = cv::Scalar::all(205);
	PlayScene scene = flatScene(paper);
	scene.status.seconds = 5.0;
	PlaySensor unlit, lit;
	unlit.position = {10.0f, -2.0f};
	lit.position = {30.0f, -2.0f};
	unlit.radius = lit.radius = 1.5f;
	lit.litAfter = 1.0;
	scene.sensors = {unlit, lit};
	const PlayViewMap map = view.viewMap(scene);
	const double radius = map.length(1.5);
	{
		const cv::Mat& picture = view.draw(scene);
		const double unlitRing = meanGreyOnRing(picture, map.toWindow(unlit.position), radius);
		const double litRing = meanGreyOnRing(picture, map.toWindow(lit.position), radius);
		EXPECT_GT(litRing, unlitRing + 40.0);
		EXPECT_GT(litRing, 205.0) << "lit, the ring is brighter than the paper";
	}
	// Half a second after it lit, a halo spreads round it; four seconds on, none.
	const double haloRadius = sensorHaloRadius(radius, 0.5);
	scene.sensors[1].litAfter = 4.5;
	const cv::Mat fresh = view.draw(scene).clone();
	scene.sensors[1].litAfter = 1.0;
	const cv::Mat old = view.draw(scene).clone();
	cv::Mat halo = cv::Mat::zeros(window, CV_8UC1);
	cv::circle(halo, cv::Point(map.toWindow(lit.position)), int(std::lround(haloRadius)), cv::Scalar(255), 2);
	EXPECT_GT(cv::mean(differing(fresh, paper), halo)[0], 200.0) << "no halo round a sensor just lit";
	EXPECT_EQ(cv::mean(differing(old, paper), halo)[0], 0.0) << "a halo long after";
}

/// The heads-up words: each part of the status changes the picture where its
/// words go, and nowhere else.
TEST(PlayView, EachPartOfTheStatusShowsInItsPlace)
{
	PlayView view(window);
	const PlayScene plain = flatScene();
	const cv::Mat before = view.draw(plain).clone();
	const cv::Rect top(0, 0, window.width, 36), bottom(0, window.height - 36, window.width, 36);
	const cv::Rect middle(0, window.height / 4, window.width, window.height / 2);
	struct Case
	{
		const char* what;
		void (*change)(PlayStatus&);
		cv::Rect where;
	};
	const Case cases[] = {
		{"score", [](PlayStatus& s) { s.score = 7; }, top},
		{"sensors lit", [](PlayStatus& s) { s.sensorsLit = 2, s.sensorCount = 3; }, top},
		{"time", [](PlayStatus& s) { s.seconds = 75.0; }, top},
		{"best time", [](PlayStatus& s) { s.bestTime = 9.5; }, top},
		{"muted", [](PlayStatus& s) { s.muted = true; }, top},
		{"status line", [](PlayStatus& s) { s.statusLine = "Show the whole board to the camera: 4 of 6 markers seen"; }, bottom},
		{"paused", [](PlayStatus& s) { s.paused = true; }, middle},
	};
	for (const Case& c : cases)
	{
		PlayScene scene = plain;
		c.change(scene.status);
		const cv::Mat changed = changedPixels(view.draw(scene), before);
		const int inside = cv::countNonZero(changed(c.where));
		EXPECT_GT(inside, 20) << c.what << " not shown";
		EXPECT_EQ(cv::countNonZero(changed) - inside, 0) << c.what << " shown outside its place";
	}
}

TEST(PlayView, SolvedCelebratesForTwoSecondsThenShowsTheTimeOnTheLine)
{
	PlayView view(window);
	PlayScene scene = flatScene();
	scene.status.solved = true;
	scene.status.solvedAfter = 12.4;
	scene.status.bestTime = 10.2;
	const cv::Mat beforeSolved = [&] {
		PlayScene unsolved = flatScene();
		unsolved.status.bestTime = 10.2;
		unsolved.status.seconds = 12.4;
		return view.draw(unsolved).clone();
	}();
	const cv::Rect below(0, 36, window.width, window.height - 72);
	for (const double after : {0.1, 1.0, 1.9})
	{
		scene.status.seconds = 12.4 + after;
		const cv::Mat changed = changedPixels(view.draw(scene), beforeSolved);
		EXPECT_GT(cv::countNonZero(changed(below)), 2000) << after << " s after: no celebration";
	}
	scene.status.seconds = 12.4 + 2.5;
	const cv::Mat settled = changedPixels(view.draw(scene), beforeSolved);
	EXPECT_EQ(cv::countNonZero(settled(below)), 0) << "still celebrating";
	EXPECT_GT(cv::countNonZero(settled(cv::Rect(0, 0, window.width, 36))), 50)
		<< "the line does not say solved";
}

/// The camera may look at the board from any side: the drawing area's
/// top-left corner is the window's, and a mark drawn there lands there.
TEST(PlayView, TheBoardIsUprightHoweverTheCameraIsTurned)
{
	const cv::Point2d markFrom(150.0, 160.0), markTo(190.0, 160.0);
	for (const int turn : {0, 90, 180, 270})
	{
		SceneFrames frames("view 480 0 " + std::to_string(turn) + "\ncamera noise 0\nmap a\nstroke black 10 150 160 190 160\n");
		PlayScene scene;
		scene.cameraFrame = frames.frame(1);
		scene.boardInView = true;
		scene.cameraToBoard = frames.boardToImage.inv();
		scene.drawingArea = drawingArea;
		PlayView view(window);
		const cv::Mat& picture = view.draw(scene);
		cv::Mat grey, ink;
		cv::cvtColor(picture, grey, cv::COLOR_BGR2GRAY);
		cv::threshold(grey, ink, 80, 255, cv::THRESH_BINARY_INV);
		// The heads-up band is dark too; below it, the mark is the only ink.
		ink(cv::Rect(0, 0, window.width, 36)).setTo(0);
		const cv::Moments m = cv::moments(ink, true);
		ASSERT_GT(m.m00, 100.0) << "turned by " << turn << ": no mark in the window";
		const ViewFit fit = ViewFit::of(drawingArea, window);
		const cv::Point2d expected = fit.toWindow((markFrom + markTo) / 2.0);
		const cv::Point2d found(m.m10 / m.m00, m.m01 / m.m00);
		EXPECT_LT(cv::norm(found - expected), 4.0) << "turned by " << turn << ": the mark at " << found << ", not " << expected;
		// A horizontal stroke stays horizontal: wide, not tall.
		const cv::Rect extent = cv::boundingRect(ink);
		EXPECT_GT(extent.width, 2 * extent.height) << "turned by " << turn;
	}
}

TEST(PlayView, WithoutTheBoardThePlainCameraPictureTurnedUprightAndAWord)
{
	// Red at the camera's top left; the last scan saw the board turned by
	// each quarter turn from the camera's picture.
	cv::Mat frame(480, 640, CV_8UC3, cv::Scalar(200, 200, 200));
	frame(cv::Rect(0, 0, 160, 120)).setTo(cv::Scalar(0, 0, 200));
	const cv::Point2d red(80.0, 60.0), middle(320.0, 240.0);
	for (int quarters = 0; quarters < 4; ++quarters)
	{
		const double angle = quarters * CV_PI / 2.0;
		PlayScene scene;
		scene.cameraFrame = frame;
		scene.cameraToBoard = cv::Matx33d(std::cos(angle), -std::sin(angle), 0, std::sin(angle), std::cos(angle), 0, 0, 0, 1);
		PlayView view(window);
		const cv::Mat& picture = view.draw(scene);
		// Where the board would have the red, seen from the middle.
		const cv::Point2d towards = cv::Point2d(applyHomography(scene.cameraToBoard, red) - applyHomography(scene.cameraToBoard, middle));
		cv::Mat reds;
		cv::inRange(picture, cv::Scalar(0, 0, 100), cv::Scalar(10, 10, 140), reds);
		const cv::Moments m = cv::moments(reds, true);
		ASSERT_GT(m.m00, 1000.0) << quarters << " quarter turns";
		const cv::Point2d found = cv::Point2d(m.m10 / m.m00, m.m01 / m.m00) - cv::Point2d(window.width / 2.0, window.height / 2.0);
		EXPECT_GT(found.dot(towards) / cv::norm(found) / cv::norm(towards), 0.95)
			<< quarters << " quarter turns: the red at " << found << " from the middle, not towards " << towards;
		// Dimmed, so that the word stands out; the word across the middle.
		cv::Mat dimmed;
		cv::inRange(picture, cv::Scalar::all(200 * 0.6 - 3), cv::Scalar::all(200 * 0.6 + 3), dimmed);
		EXPECT_GT(cv::countNonZero(dimmed), window.area() / 5) << "not the dimmed camera picture";
		cv::Mat grey;
		cv::cvtColor(picture(cv::Rect(0, window.height / 2 - 50, window.width, 60)), grey, cv::COLOR_BGR2GRAY);
		EXPECT_GT(cv::countNonZero(grey > 240), 200) << "no word";
	}
}

/// Pieces half out of the window or far beyond it, values that are no
/// numbers, frames of another kind, a board seen edge-on: each drawn or left
/// out, the picture whole (the sanitizers' build watches every pixel written).
TEST(PlayView, OddScenesAreDrawnWithoutHarm)
{
	const float nan = std::numeric_limits<float>::quiet_NaN();
	PlayView view(window);
	for (int odd = 0; odd < 6; ++odd)
	{
		PlayScene scene = flatScene();
		const PlayViewMap map = view.viewMap(scene);
		// Balls across every edge and corner of the window, and far outside.
		for (const cv::Point2d& corner : {cv::Point2d(0, 0), cv::Point2d(window.width, 0), cv::Point2d(0, window.height),
				 cv::Point2d(window.width, window.height), cv::Point2d(-1e9, 1e9)})
		{
			const b2Vec2 world = scene.mapping.toWorld((corner.x - map.fit.offset.x) / map.fit.scale,
				(corner.y - map.fit.offset.y) / map.fit.scale);
			scene.balls.push_back({world, 2.0f, 0.0f});
		}
		scene.balls.push_back({{nan, nan}, 1.0f, nan});
		scene.balls.push_back({{10.0f, -5.0f}, 1e6f, 0.0f});
		PlaySensor sensor;
		sensor.position = {nan, 0.0f};
		sensor.radius = 1.0f;
		sensor.litAfter = 0.0;
		scene.sensors = {sensor};
		scene.portals = {{{1.0f, 1.0f}, {2.0f, 2.0f}}, {{nan, 0.0f}, {5.0f, 0.0f}, {5.0f, 5.0f}, {0.0f, 5.0f}}};
		scene.debris = {{{}, {0.0f, 0.0f}}};
		scene.planks = {{{3.0f, 3.0f}, {3.0f, 3.0f}}};
		scene.status.seconds = nan;
		switch (odd)
		{
		case 1: scene.cameraFrame = cv::Mat(480, 640, CV_8UC1, cv::Scalar(90)); break;
		case 2: scene.cameraFrame = cv::Mat(480, 640, CV_32FC3, cv::Scalar::all(0.5)); break;
		case 3: scene.cameraFrame.release(); break;
		case 4: scene.cameraToBoard = cv::Matx33d(1, 0, 0, 0, 1, 0, 0, 0, 0); break;
		case 5: scene.drawingArea = cv::Rect2d(); scene.boardInView = false; break;
		}
		const cv::Mat& picture = view.draw(scene);
		EXPECT_EQ(picture.size(), window) << "case " << odd;
		EXPECT_EQ(picture.type(), CV_8UC3) << "case " << odd;
	}
}

TEST(PlayBackdrop, QuarterTurnsFollowTheCameraRoundTheBoard)
{
	const cv::Size frame(640, 480);
	for (int quarters = 0; quarters < 4; ++quarters)
	{
		// Board pixels are camera pixels turned clockwise by this many quarter turns.
		const double angle = quarters * CV_PI / 2.0;
		const cv::Matx33d turn(std::cos(angle), -std::sin(angle), 300, std::sin(angle), std::cos(angle), 200, 0, 0, 1);
		const cv::Matx33d tilted = turn * cv::Matx33d(1, 0.1, 0, 0, 1, 0, 0.0002, 0, 1);
		EXPECT_EQ(quarterTurnsToBoard(tilted, frame), quarters);
	}
	EXPECT_EQ(quarterTurnsToBoard(cv::Matx33d::zeros(), frame), 0) << "no board yet";
}

}  // namespace
