#include "tracking/UnsettledPicture.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{

/// A reading with a light gain (the same in every channel), a band depth and
/// changed cells: `scattered` single cells, or one block of as many.
MotionReading reading(double gain, double bands, int changed, bool scattered)
{
	MotionReading r;
	r.gain = cv::Vec3d(gain, gain, gain);
	r.bandDepth = bands;
	r.changedCells = cv::Mat::zeros(48, 64, CV_8UC1);
	for (int i = 0; i < changed; ++i)
	{
		if (scattered)
		{
			r.changedCells.at<uchar>((i * 7) % 48, (i * 13) % 64 / 2 * 2) = 255;
		}
		else
		{
			r.changedCells.at<uchar>(10 + i / 8, 10 + i % 8) = 255;
		}
	}
	r.changedShare = changed / double(r.changedCells.total());
	r.moved = true;
	return r;
}

/// Ten seconds of passes at 30 a second, the reading of each made by `make`;
/// the reason, or "" when nothing was said.
std::string afterTenSeconds(UnsettledPicture& watch, const std::function<MotionReading(int)>& make)
{
	for (int pass = 0; pass <= 300; ++pass)
	{
		if (watch.note(make(pass), false, pass / 30.0))
		{
			EXPECT_EQ(pass, 300);
			return watch.reason();
		}
	}
	return "";
}

TEST(UnsettledPicture, NamesTheCauseAfterTenSecondsOnceAndAgainAfterSettling)
{
	const auto cause = [](const std::function<MotionReading(int)>& make) {
		UnsettledPicture watch;
		const std::string said = afterTenSeconds(watch, make);
		const std::string colon = "so the board is not scanned: ";
		return said.substr(said.find(colon) + colon.size(), 30);
	};
	EXPECT_EQ(cause([](int pass) { return reading(pass % 2 ? 0.88 : 1.0, 0.0, 60, false); }).find("the light flickers"), 0u);
	EXPECT_EQ(cause([](int pass) { return reading(1.0, pass % 3 * 0.04, 60, false); }).find("bands of light roll"), 0u);
	EXPECT_EQ(cause([](int pass) { return reading(1.0 + pass * 0.004, 0.0, 60, false); }).find("the camera keeps changing"), 0u);
	EXPECT_EQ(cause([](int) { return reading(1.0, 0.0, 60, false); }).find("something keeps moving"), 0u);
	EXPECT_EQ(cause([](int) { return reading(1.0, 0.0, 60, true); }).find("the picture is noisy"), 0u);

	// Said once a stretch; a picture that settles starts a new one.
	UnsettledPicture watch;
	const auto moving = [](int) { return reading(1.0, 0.0, 60, false); };
	ASSERT_NE(afterTenSeconds(watch, moving), "");
	for (int pass = 301; pass < 700; ++pass)
	{
		EXPECT_FALSE(watch.note(moving(pass), false, pass / 30.0));
	}
	EXPECT_FALSE(watch.note(moving(700), true, 700 / 30.0));
	int saidIn = 0;
	for (int pass = 701; pass < 1100 && saidIn == 0; ++pass)
	{
		saidIn = watch.note(moving(pass), false, pass / 30.0) ? pass : 0;
	}
	EXPECT_EQ(saidIn, 1001);
}

/// What is said is one whole line, and its figure is the cause's own, in
/// percent: a lamp that swings the picture's brightness by 12 %, bands 8 %
/// deep, an exposure climbing by 12 % a second, 2 % of the picture moving.
TEST(UnsettledPicture, SaysTheCauseWithItsFigure)
{
	const auto said = [](const std::function<MotionReading(int)>& make) {
		UnsettledPicture watch;
		return afterTenSeconds(watch, make);
	};
	EXPECT_EQ(said([](int pass) { return reading(pass % 2 ? 0.88 : 1.0, 0.0, 60, false); }),
		"the camera picture has not kept still for 10 seconds, so the board is not scanned: the light flickers (its "
		"brightness swings by 12 %): a lamp on mains power (LED or fluorescent) does this; light the table with "
		"another lamp or daylight, or set the camera's anti-flicker setting to your mains (50 or 60 Hz)");
	const std::pair<std::string, std::function<MotionReading(int)>> figures[] = {
		{"(8 % deep)", [](int pass) { return reading(1.0, pass % 3 * 0.04, 60, false); }},
		{"(12 % a second)", [](int pass) { return reading(1.0 + pass * 0.004, 0.0, 60, false); }},
		{"(2 % of the picture changes)", [](int) { return reading(1.0, 0.0, 60, false); }},
		{"(2 % of it changes in scattered specks)", [](int) { return reading(1.0, 0.0, 60, true); }}};
	for (const auto& [figure, make] : figures)
	{
		const std::string reason = said(make);
		EXPECT_NE(reason.find(figure), std::string::npos) << "no \"" << figure << "\" in: " << reason;
	}
}

}  // namespace
