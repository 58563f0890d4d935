#pragma once

#include <opencv2/core.hpp>

#include <map>
#include <string>
#include <tuple>

/// Lines of words drawn once and stamped where they go each pass. OpenCV
/// draws words stroke by stroke, each stroke an anti-aliased line: a line of
/// the heads-up costs some twenty times what blending it in, drawn, costs.
class WordStamps
{
public:
	/// `text` in `colour`, its baseline starting at `origin`, in OpenCV's
	/// plain sans-serif font at `scale`; `bold` lays its strokes side by side.
	void stamp(cv::Mat& window, const std::string& text, cv::Point origin, double scale, bool bold,
		const cv::Scalar& colour);

	/// The width of `text` and its height above the baseline.
	static cv::Size size(const std::string& text, double scale);

private:
	struct Stamp
	{
		/// How much of each pixel the words cover (0 to 255).
		cv::Mat cover;
		/// Where the stamp's top left lies from the baseline's start.
		cv::Point fromOrigin;
	};

	const Stamp& stampOf(const std::string& text, double scale, bool bold);

	std::map<std::tuple<std::string, double, bool>, Stamp> m_stamps;
};
