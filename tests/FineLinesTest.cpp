#include "analysis/ColourRanges.h"
#include "analysis/FineLines.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

// Short pieces of fine dark line: kept where they join black that is apart
// there (two strokes of a marker running dry, the two ends of a ring drawn by
// hand that do not quite meet), never as specks at a stroke's tip or side or
// alone on the paper.

namespace
{

/// Grey levels: paper, a fresh marker, and a place a fine pen or a gap's
/// blur leaves far darker than the paper but lighter than black ink.
constexpr int paper = 240;
constexpr int marker = 40;
constexpr int faint = 175;

/// A sheet drawn in grey levels and photographed with a camera's blur, as
/// the segmentation reads it (YCrCb, without colour), with its black ink.
struct Sheet
{
	cv::Mat luma = cv::Mat(200, 240, CV_8U, cv::Scalar(paper));

	cv::Mat ycrcb() const
	{
		cv::Mat blurred, merged;
		cv::GaussianBlur(luma, blurred, cv::Size(), 0.7);
		const cv::Mat planes[] = {blurred, cv::Mat(luma.size(), CV_8U, cv::Scalar(128)),
			cv::Mat(luma.size(), CV_8U, cv::Scalar(128))};
		cv::merge(planes, 3, merged);
		return merged;
	}

	/// What the segmentation takes for black: black ink, and the fine lines
	/// added to it.
	cv::Mat blackWithLines(cv::Mat* lines = nullptr) const
	{
		const cv::Mat picture = ycrcb();
		cv::Mat black;
		cv::inRange(picture, blackInk.lower(), blackInk.upper(), black);
		const cv::Mat added = fineDarkLines(picture, black);
		if (lines != nullptr)
		{
			*lines = added;
		}
		return black | added;
	}
};

/// Whether `inside` is shut off from `outside` by the black of `mask`: a
/// closed 8-connected line leaves the paper on its two sides apart.
bool shutOff(const cv::Mat& mask, cv::Point inside, cv::Point outside)
{
	cv::Mat regions;
	cv::connectedComponents(mask == 0, regions, 4, CV_32S);
	return regions.at<int>(inside) != regions.at<int>(outside);
}

TEST(FineLines, AHandDrawnRingThatDoesNotQuiteMeetIsClosedByWhatItsGapShows)
{
	// The gap of a fine or half-dry pen's ring, as the camera shows it: the
	// ends' blur leaves a faint dark line across it, one piece with nothing
	// but the ring round it. The ring is one piece of black, joined the long
	// way round; its ends are apart where the gap lies.
	for (const int gapDegrees : {8, 16})
	{
		SCOPED_TRACE(gapDegrees);
		Sheet sheet;
		const cv::Point centre(100, 100);
		cv::ellipse(sheet.luma, centre, cv::Size(27, 27), 0.0, gapDegrees / 2.0, 360.0 - gapDegrees / 2.0,
			cv::Scalar(marker), 2, cv::LINE_8);
		cv::ellipse(sheet.luma, centre, cv::Size(27, 27), 0.0, -gapDegrees / 2.0 - 2.0, gapDegrees / 2.0 + 2.0,
			cv::Scalar(faint), 1, cv::LINE_8);
		EXPECT_TRUE(shutOff(sheet.blackWithLines(), centre, cv::Point(5, 5))) << "the ring stays open";
	}
}

TEST(FineLines, TwoStrokesAMarkerRunningDryLeftApartAreJoined)
{
	Sheet sheet;
	cv::line(sheet.luma, {20, 60}, {110, 60}, cv::Scalar(marker), 2);
	cv::line(sheet.luma, {118, 60}, {210, 60}, cv::Scalar(marker), 2);
	cv::line(sheet.luma, {110, 60}, {118, 60}, cv::Scalar(faint), 1);
	cv::Mat pieces;
	cv::connectedComponents(sheet.blackWithLines(), pieces, 8, CV_32S);
	EXPECT_EQ(pieces.at<int>(60, 30), pieces.at<int>(60, 200));
}

/// A fineliner's hair line on its own, 101 places long, is found whichever
/// way it runs: across, down, and both diagonals, the places of each joined
/// into one line.
TEST(FineLines, AHairLineIsFoundWhicheverWayItRuns)
{
	// A place wide: once blurred it reads about 55 grey levels below the
	// paper across its middle, and 40 on a diagonal, whose places touch at
	// their corners only.
	constexpr int hair = 140;
	const std::pair<const char*, std::pair<cv::Point, cv::Point>> lines[] = {{"across", {{70, 100}, {170, 100}}},
		{"down", {{120, 50}, {120, 150}}}, {"down to the right", {{70, 50}, {170, 150}}},
		{"up to the right", {{70, 150}, {170, 50}}}};
	for (const auto& [way, ends] : lines)
	{
		Sheet sheet;
		cv::line(sheet.luma, ends.first, ends.second, cv::Scalar(hair), 1, cv::LINE_8);
		const cv::Mat drawn = sheet.luma != paper;
		cv::Mat found;
		sheet.blackWithLines(&found);
		EXPECT_GE(cv::countNonZero(found & drawn), 95) << way << ": " << cv::countNonZero(found & drawn) << " of "
													   << cv::countNonZero(drawn) << " places found";
		EXPECT_EQ(cv::countNonZero(found & ~drawn), 0) << way;
	}
}

TEST(FineLines, SpecksAtAStrokesTipOrSideOrAloneAreNoLine)
{
	// Each as dark as the gaps above, and as short: a speck beyond a
	// stroke's tip, a flick off its side, a dash on the paper alone.
	Sheet sheet;
	cv::line(sheet.luma, {30, 100}, {150, 100}, cv::Scalar(marker), 3);
	cv::line(sheet.luma, {153, 100}, {158, 100}, cv::Scalar(faint), 1);
	cv::line(sheet.luma, {80, 98}, {85, 93}, cv::Scalar(faint), 1);
	cv::line(sheet.luma, {60, 160}, {66, 160}, cv::Scalar(faint), 1);
	cv::Mat lines;
	sheet.blackWithLines(&lines);
	EXPECT_EQ(cv::countNonZero(lines), 0);
}

}  // namespace
