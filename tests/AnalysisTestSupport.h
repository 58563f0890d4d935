#pragma once

#include "ScratchFiles.h"
#include "analysis/ColourSegmentation.h"
#include "analysis/ContourExtraction.h"
#include "analysis/DrawingAnalysis.h"
#include "analysis/InkLayers.h"
#include "analysis/TemplateFile.h"
#include "analysis/TemplateRing.h"
#include "physics/PhysicsScene.h"
#include "platform/HeadlessDisplay.h"
#include "tracking/RectifiedBoard.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

/// Pens on white paper, in BGR, each well inside its ink class.
const cv::Scalar paperWhite(255, 255, 255);
const cv::Scalar blackPen(30, 30, 30);
const cv::Scalar yellowPen(150, 220, 250);

/// Radius in board pixels of the rings the tests draw, and of their templates.
constexpr int ringRadius = 22;

inline cv::Mat blankBoard()
{
	return cv::Mat(480, 640, CV_8UC3, paperWhite);
}

/// Pen strokes are three pixels wide, without anti-aliasing.
inline void drawRing(cv::Mat& board, cv::Point centre, const cv::Scalar& pen, int radius = ringRadius)
{
	cv::circle(board, centre, radius, pen, 3, cv::LINE_8);
}

inline void drawStroke(cv::Mat& board, cv::Point from, cv::Point to)
{
	cv::line(board, from, to, blackPen, 3, cv::LINE_8);
}

inline std::vector<cv::Point> shifted(std::vector<cv::Point> contour, int dx, int dy)
{
	for (cv::Point& p : contour)
	{
		p += cv::Point(dx, dy);
	}
	return contour;
}

/// The ink of a rectified board the test draws, read with a headless display.
struct InkRig
{
	void setBoard(const cv::Mat& board) { ink.colours = board; }

	const cv::Mat& shown(const std::string& window) const { return display.lastImages().at(window); }

	HeadlessDisplay display;
	InkLayers ink;
};

/// What our own pipeline makes of one drawn ring: its roundest border, as the
/// template tool takes it.
inline std::vector<cv::Point> ringContour(const cv::Scalar& pen, int radius = ringRadius)
{
	InkRig rig;
	cv::Mat board = blankBoard();
	drawRing(board, cv::Point(320, 240), pen, radius);
	rig.setBoard(board);
	segmentColours(rig.ink, rig.display);
	extractBlackContours(rig.ink, rig.display);
	extractColourContours(rig.ink);
	const std::vector<cv::Point> ring = roundestRing(rig.ink.blackContours, rig.ink.blackHierarchy, board.size());
	return ring.empty() ? roundestRing(rig.ink.yellowContours, rig.ink.yellowHierarchy, board.size()) : ring;
}

/// Template files made once per test process from rings of ringRadius.
inline const std::pair<std::string, std::string>& testTemplates()
{
	static const auto files = [] {
		const std::string black = scratchPath("ring_template_black.txt");
		const std::string yellow = scratchPath("ring_template_yellow.txt");
		saveTemplatePoints(black, ringContour(blackPen));
		saveTemplatePoints(yellow, ringContour(yellowPen));
		return std::make_pair(black, yellow);
	}();
	return files;
}

/// The ink of a board, a scene with its world and the analysis between
/// them, with the test templates loaded; `board` is what the scan saw.
struct AnalysisRig : InkRig
{
	AnalysisRig() : analysis(scene)
	{
		scene.createWorld(b2Vec2(0.0f, -10.0f));
		analysis.loadTemplates(testTemplates().first, testTemplates().second);
	}

	RectifiedBoard board;
	PhysicsScene scene;
	DrawingAnalysis analysis;
};
