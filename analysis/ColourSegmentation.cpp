#include "analysis/ColourSegmentation.h"

#include "analysis/ColourRanges.h"
#include "analysis/FineLines.h"
#include "analysis/GapClosing.h"
#include "analysis/Thinning.h"
#include "platform/Display.h"

#include <opencv2/imgproc.hpp>

#include <functional>
#include <future>
#include <vector>

/// The largest hole in a yellow stroke taken for noise, pixels.
static constexpr double yellowPinhole = 4.0;
/// The widest gap closed in a yellow ring, board pixels (about 10 mm).
static constexpr double yellowRingGap = 20.0;

/// Take out of `pale` (0/255, apart from `strong`) the places of lines that
/// are mostly `strong`: beside a highlighter's line, a pale reading is that
/// line's colour the camera spread over the paper, and the line is found as
/// it is. A line mostly pale is a pale pen's, whatever few places of it
/// read stronger.
static void dropFringes(cv::Mat& pale, const cv::Mat& strong)
{
	if (cv::countNonZero(pale) == 0)
	{
		return;
	}
	cv::Mat lines;
	const int count = cv::connectedComponents(pale | strong, lines, 8, CV_32S);
	// Per line, its strong places less its pale ones. Label 0 is the paper
	// round the lines, neither pale nor strong: it is left as it is.
	std::vector<int> stronger(size_t(count), 0);
	for (int row = 0; row < pale.rows; ++row)
	{
		const int* line = lines.ptr<int>(row);
		const uchar* isPale = pale.ptr<uchar>(row);
		const uchar* isStrong = strong.ptr<uchar>(row);
		for (int col = 0; col < pale.cols; ++col)
		{
			if (line[col] != 0)
			{
				stronger[size_t(line[col])] += (isStrong[col] != 0 ? 1 : 0) - (isPale[col] != 0 ? 1 : 0);
			}
		}
	}
	for (int row = 0; row < pale.rows; ++row)
	{
		const int* line = lines.ptr<int>(row);
		uchar* isPale = pale.ptr<uchar>(row);
		for (int col = 0; col < pale.cols; ++col)
		{
			if (line[col] != 0 && stronger[size_t(line[col])] > 0)
			{
				isPale[col] = 0;
			}
		}
	}
}

/// The yellow layer of a board's colours: the user's own yellow, or the
/// yellow inks and highlighters (a pale pen's lines apart from the stronger
/// ones' fringes), never where red is.
static cv::Mat yellowLayer(const InkLayers& ink, const cv::Mat& ycrcb, const cv::Mat& redMask)
{
	cv::Mat yellowMask;
	if (ink.own.hasYellow)
	{
		// The user's own yellow, learned from the user's pen, is taken as it
		// is, even where red would keep it out.
		cv::inRange(ycrcb, ink.own.yellow.lower(), ink.own.yellow.upper(), yellowMask);
		return yellowMask;
	}
	cv::inRange(ycrcb, yellowInk.lower(), yellowInk.upper(), yellowMask);
	cv::Mat hsv, highlighter, pale;
	cv::cvtColor(ink.colours, hsv, cv::COLOR_BGR2HSV);
	cv::inRange(hsv, highlighterInk.lower(), highlighterInk.upper(), highlighter);
	yellowMask |= highlighter;
	// A pale pen's line is a yellow of its own, apart from the lines of
	// the stronger yellows.
	cv::inRange(hsv, paleHighlighterInk.lower(), paleHighlighterInk.upper(), pale);
	pale.setTo(0, yellowMask);
	dropFringes(pale, yellowMask);
	// Red only serves to keep reddish tones out of yellow and out of
	// fine dark lines; it is never thinned.
	return (yellowMask | pale) & ~redMask;
}

/// Yellow is only ever drawn as rings, and its circle test wants them thin
/// and closed: a ring drawn by hand that does not quite meet itself is closed.
static void finishYellow(cv::Mat& yellowMask)
{
	fillPinholes(yellowMask, yellowPinhole);
	thinMask(yellowMask);
	closeSmallGaps(yellowMask, yellowRingGap);
}

void segmentColours(InkLayers& ink, Display& display)
{
	cv::Mat& blackMask = ink.blackMask;
	cv::Mat& redMask = ink.redMask;
	cv::Mat& yellowMask = ink.yellowMask;
	if (ink.colours.empty())
	{
		// No board has been rectified yet: there is no ink to find.
		blackMask.release();
		redMask.release();
		yellowMask.release();
		return;
	}
	cv::Mat ycrcb;
	cv::cvtColor(ink.colours, ycrcb, cv::COLOR_BGR2YCrCb);
	cv::inRange(ycrcb, redInk.lower(), redInk.upper(), redMask);

	// Yellow is found on a thread of its own while black is, and made ready
	// for its circle test while black is thinned: the two share no picture
	// but the colours and red, which neither changes.
	std::future<cv::Mat> yellowFound =
		std::async(std::launch::async, yellowLayer, std::cref(ink), std::cref(ycrcb), std::cref(redMask));
	const ColourRange& black = ink.own.hasBlack ? ink.own.black : blackInk;
	cv::inRange(ycrcb, black.lower(), black.upper(), blackMask);
	// A fine line nearly without colour is black, unless red or yellow takes
	// it; the user's own yellow is never black.
	const cv::Mat fine = fineDarkLines(ycrcb, blackMask) & ~redMask;
	yellowMask = yellowFound.get();
	blackMask = (blackMask | fine) & ~yellowMask;
	// Shown before thinning and before the marker regions are cut out, so the
	// window shows the strokes as the camera saw them.
	display.show("skewbinary", blackMask);

	// Thin lines make the contour search follow the middle of each stroke.
	std::future<void> yellowReady = std::async(std::launch::async, finishYellow, std::ref(yellowMask));
	thinMask(blackMask);
	yellowReady.get();
}
