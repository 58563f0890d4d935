#include "analysis/BoardColours.h"

#include "tracking/BoardScanner.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

namespace
{

/// Markers and the card are left out with a margin: this factor about their centres.
constexpr float markerMargin = 1.25f;
constexpr float cardMargin = 1.1f;

void blankOut(cv::Mat& places, const std::vector<cv::Point2f>& corners, float grow)
{
	if (corners.size() != 4)
	{
		return;
	}
	const cv::Point2f centre = (corners[0] + corners[1] + corners[2] + corners[3]) * 0.25f;
	std::vector<cv::Point> grown;
	for (const cv::Point2f& corner : corners)
	{
		const cv::Point2f p = centre + (corner - centre) * grow;
		if (!std::isfinite(p.x) || !std::isfinite(p.y))
		{
			return;
		}
		grown.emplace_back(cvRound(p.x), cvRound(p.y));
	}
	cv::fillConvexPoly(places, grown, cv::Scalar(0));
}

}  // namespace

cv::Mat boardPaperPlaces(const BoardScanner& scanner)
{
	cv::Mat places(scanner.warpedColor.size(), CV_8UC1, cv::Scalar(255));
	for (const std::vector<cv::Point2f>& outline : scanner.markerOutlines)
	{
		blankOut(places, outline, markerMargin);
	}
	if (scanner.portalVisible && scanner.portalCorners.size() == 4)
	{
		// The corners come in zigzag order: round the card is 0, 1, 3, 2.
		const std::vector<cv::Point2f>& c = scanner.portalCorners;
		blankOut(places, {c[0], c[1], c[3], c[2]}, cardMargin);
	}
	return places;
}

PaperWhite normaliseBoardColours(BoardScanner& scanner)
{
	if (scanner.warpedColor.empty())
	{
		return PaperWhite();
	}
	return PaperWhite::readAsNeutral(scanner.warpedColor, boardPaperPlaces(scanner));
}
