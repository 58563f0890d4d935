#pragma once

#include "ScratchFiles.h"
#include "analysis/DrawingAnalysis.h"
#include "analysis/TemplateFile.h"
#include "analysis/TemplateRing.h"
#include "physics/PhysicsScene.h"
#include "platform/HeadlessDisplay.h"
#include "tracking/BoardScanner.h"
#include "platform/StillFrameSource.h"

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

/// A scanner over a still camera with a headless display; the test puts the
/// rectified board in place of a scan.
struct ScannerRig
{
	ScannerRig() : scanner(std::make_unique<StillFrameSource>(cv::Mat()), display) {}

	void setBoard(const cv::Mat& board)
	{
		scanner.warpedColor = board;
		scanner.warpedSnapshot = board.clone();
	}

	const cv::Mat& shown(const std::string& window) const { return display.lastImages().at(window); }

	HeadlessDisplay display;
	BoardScanner scanner;
};

/// What our own pipeline makes of one drawn ring: its roundest border, as the
/// template tool takes it.
inline std::vector<cv::Point> ringContour(const cv::Scalar& pen, int radius = ringRadius)
{
	ScannerRig rig;
	cv::Mat board = blankBoard();
	drawRing(board, cv::Point(320, 240), pen, radius);
	rig.setBoard(board);
	rig.scanner.segmentColours();
	rig.scanner.extractBlackContours();
	std::vector<cv::Point> ring = roundestRing(rig.scanner.blackContours, rig.scanner.hierarchy);
	rig.scanner.extractColourContours();
	return ring.empty() ? roundestRing(rig.scanner.yellowContours, rig.scanner.hierarchy) : ring;
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

/// A scanner, a scene with its world and the analysis between them, with
/// the test templates loaded.
struct AnalysisRig : ScannerRig
{
	AnalysisRig() : analysis(scanner, scene)
	{
		scene.createWorld(b2Vec2(0.0f, -10.0f));
		analysis.loadTemplates(testTemplates().first, testTemplates().second);
	}

	PhysicsScene scene;
	DrawingAnalysis analysis;
};
