#pragma once

#include "analysis/DrawingAnalysis.h"
#include "analysis/TemplateFile.h"
#include "analysis/TemplateRing.h"
#include "physics/PhysicsScene.h"
#include "render/HeadlessDisplay.h"
#include "tracking/BoardScanner.h"
#include "tracking/StillFrameSource.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <map>
#include <memory>
#include <string>
#include <vector>

/// Pen colours on white paper, in BGR. Each falls clearly inside its ink class.
const cv::Scalar paperWhite(255, 255, 255);
const cv::Scalar blackPen(30, 30, 30);
const cv::Scalar yellowPen(150, 220, 250);

/// Radius of the rings the tests draw, in board pixels: a circle of about
/// 3 cm on the A3 board, and the size of the test templates.
constexpr int ringRadius = 22;

/// An empty 640 x 480 board of white paper.
inline cv::Mat blankBoard()
{
	return cv::Mat(480, 640, CV_8UC3, paperWhite);
}

/// A drawn ring: a pen stroke three pixels wide, without anti-aliasing.
inline void drawRing(cv::Mat& board, cv::Point centre, const cv::Scalar& pen, int radius = ringRadius)
{
	cv::circle(board, centre, radius, pen, 3, cv::LINE_8);
}

inline void drawStroke(cv::Mat& board, cv::Point from, cv::Point to, const cv::Scalar& pen = blackPen)
{
	cv::line(board, from, to, pen, 3, cv::LINE_8);
}

/// The BGR colour whose OpenCV YCrCb conversion is exactly (y, cr, cb), found
/// near the inverse conversion. Empty when none converts exactly.
inline std::vector<cv::Vec3b> bgrForYCrCb(int y, int cr, int cb)
{
	cv::Mat ycrcb(1, 1, CV_8UC3, cv::Scalar(y, cr, cb)), bgr;
	cv::cvtColor(ycrcb, bgr, cv::COLOR_YCrCb2BGR);
	const cv::Vec3b guess = bgr.at<cv::Vec3b>(0, 0);
	for (int db = -3; db <= 3; ++db)
		for (int dg = -3; dg <= 3; ++dg)
			for (int dr = -3; dr <= 3; ++dr)
			{
				const cv::Vec3b candidate(cv::saturate_cast<uchar>(guess[0] + db),
					cv::saturate_cast<uchar>(guess[1] + dg), cv::saturate_cast<uchar>(guess[2] + dr));
				cv::Mat one(1, 1, CV_8UC3, cv::Scalar(candidate[0], candidate[1], candidate[2])), back;
				cv::cvtColor(one, back, cv::COLOR_BGR2YCrCb);
				if (back.at<cv::Vec3b>(0, 0) == cv::Vec3b(uchar(y), uchar(cr), uchar(cb)))
				{
					return {candidate};
				}
			}
	return {};
}

/// A scanner over a still camera with a headless display, whose rectified
/// board the test sets by hand.
struct ScannerRig
{
	ScannerRig()
		: display(),
		  scanner(std::make_unique<StillFrameSource>(cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(128))), display)
	{
	}

	/// Put a board image where a scan would have left it.
	void setBoard(const cv::Mat& board)
	{
		scanner.warpedColor = board;
		scanner.warpedSnapshot = board.clone();
	}

	const cv::Mat& shown(const std::string& window) const { return display.lastImages().at(window); }

	HeadlessDisplay display;
	BoardScanner scanner;
};

/// The ring our own pipeline extracts from one ring drawn in the given pen:
/// its outer border, as the template tool takes it.
inline std::vector<cv::Point> extractRingContour(const cv::Scalar& pen, int radius)
{
	ScannerRig rig;
	cv::Mat board = blankBoard();
	drawRing(board, cv::Point(320, 240), pen, radius);
	rig.setBoard(board);
	rig.scanner.segmentColours();
	rig.scanner.extractBlackContours();
	std::vector<cv::Point> ring = roundestRing(rig.scanner.blackContours, rig.scanner.hierarchy);
	if (ring.empty())
	{
		rig.scanner.extractColourContours();
		ring = roundestRing(rig.scanner.yellowContours, rig.scanner.hierarchy);
	}
	return ring;
}

/// The same, made once per pen and radius: the thinning takes a while.
inline const std::vector<cv::Point>& ringContour(const cv::Scalar& pen, int radius = ringRadius)
{
	static std::map<std::pair<std::vector<double>, int>, std::vector<cv::Point>> made;
	const auto key = std::make_pair(std::vector<double>(pen.val, pen.val + 4), radius);
	auto found = made.find(key);
	if (found == made.end())
	{
		found = made.emplace(key, extractRingContour(pen, radius)).first;
	}
	return found->second;
}

/// Template files made at run time from rings drawn at ringRadius, as the
/// template tool makes them from a board photograph.
struct TestTemplates
{
	std::string black;
	std::string yellow;
};

inline const TestTemplates& testTemplates()
{
	static const TestTemplates files = [] {
		TestTemplates made{::testing::TempDir() + "drawtable_circleExample.txt",
			::testing::TempDir() + "drawtable_circleExampleYellow.txt"};
		saveTemplatePoints(made.black, ringContour(blackPen));
		saveTemplatePoints(made.yellow, ringContour(yellowPen));
		return made;
	}();
	return files;
}

/// A scanner, a scene with its world and the analysis state between them,
/// with the test templates loaded.
struct AnalysisRig : ScannerRig
{
	AnalysisRig() : analysis(scanner, scene)
	{
		scene.createWorld(b2Vec2(0.0f, -10.0f));
		analysis.loadTemplates(testTemplates().black, testTemplates().yellow);
	}

	PhysicsScene scene;
	DrawingAnalysis analysis;
};

/// A copy of a contour moved by (dx, dy).
inline std::vector<cv::Point> shifted(std::vector<cv::Point> contour, int dx, int dy)
{
	for (cv::Point& p : contour)
	{
		p += cv::Point(dx, dy);
	}
	return contour;
}
