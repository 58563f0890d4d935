#include "render/WordStamps.h"

#include "render/SubPixelDrawing.h"

#include <opencv2/imgproc.hpp>

namespace
{

constexpr int font = cv::FONT_HERSHEY_DUPLEX;
/// Bold words are thin strokes side by side: OpenCV draws a thick
/// anti-aliased stroke as a round-capped line, at ten times the cost.
constexpr int boldOffsets[3][2] = {{0, 0}, {1, 0}, {0, 1}};
/// Room round the words for the smoothing and the bold strokes.
constexpr int border = 2;
/// Lines kept; beyond it the kept lines are dropped and drawn again (the
/// clock's line is a new one every second).
constexpr size_t keptLines = 64;

}  // namespace

cv::Size WordStamps::size(const std::string& text, double scale)
{
	int baseline = 0;
	return cv::getTextSize(text, font, scale, 1, &baseline);
}

const WordStamps::Stamp& WordStamps::stampOf(const std::string& text, double scale, bool bold)
{
	const auto key = std::make_tuple(text, scale, bold);
	const auto kept = m_stamps.find(key);
	if (kept != m_stamps.end())
	{
		return kept->second;
	}
	if (m_stamps.size() >= keptLines)
	{
		m_stamps.clear();
	}
	int baseline = 0;
	const cv::Size words = cv::getTextSize(text, font, scale, 1, &baseline);
	Stamp stamp;
	stamp.cover = cv::Mat::zeros(words.height + baseline + 2 * border, words.width + 2 * border, CV_8UC1);
	stamp.fromOrigin = cv::Point(-border, -(words.height + border));
	for (const auto& offset : boldOffsets)
	{
		cv::putText(stamp.cover, text, cv::Point(border + offset[0], words.height + border + offset[1]), font, scale,
			cv::Scalar(255), 1, cv::LINE_AA);
		if (!bold)
		{
			break;
		}
	}
	return m_stamps.emplace(key, std::move(stamp)).first->second;
}

void WordStamps::stamp(cv::Mat& window, const std::string& text, cv::Point origin, double scale, bool bold,
	const cv::Scalar& colour)
{
	const Stamp& stamp = stampOf(text, scale, bold);
	const cv::Point corner = origin + stamp.fromOrigin;
	const cv::Rect placed = cv::Rect(corner, stamp.cover.size()) & cv::Rect(cv::Point(), window.size());
	const cv::Vec3b ink = cv::Vec3b(cv::saturate_cast<uchar>(colour[0]), cv::saturate_cast<uchar>(colour[1]),
		cv::saturate_cast<uchar>(colour[2]));
	for (int y = placed.y; y < placed.br().y; ++y)
	{
		const uchar* cover = stamp.cover.ptr<uchar>(y - corner.y) + (placed.x - corner.x);
		cv::Vec3b* pixel = window.ptr<cv::Vec3b>(y) + placed.x;
		for (int x = 0; x < placed.width; ++x)
		{
			if (cover[x] != 0)
			{
				blendPixel(pixel[x], ink, cover[x]);
			}
		}
	}
}
