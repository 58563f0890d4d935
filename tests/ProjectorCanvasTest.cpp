#include "render/ProjectorCanvas.h"

#include "platform/HeadlessDisplay.h"
#include "render/ProjectedShapes.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <deque>
#include <set>

namespace
{

/// An open line 4 board pixels wide across the board's middle.
ProjectedShape line()
{
	ProjectedShape shape;
	shape.points = {{200.0f, 240.0f}, {440.0f, 240.0f}};
	shape.colour = projectedColour::wallOutline;
	shape.filled = false;
	shape.closed = false;
	shape.width = 4.0f;
	return shape;
}

/// Lines are as wide as the map makes a board pixel, and a map that magnifies
/// without bound (a projector pointed almost along the board) or is no number
/// at all draws what it can instead of throwing out of the pass.
TEST(ProjectorCanvas, LineWidthFollowsTheMapWithinWhatAPictureCanShow)
{
	ProjectorCanvas canvas(cv::Size(1280, 800));
	canvas.draw({line()}, cv::Matx33d::diag(cv::Vec3d(2.0, 2.0, 1.0)));
	cv::Mat lit;
	cv::cvtColor(canvas.picture(), lit, cv::COLOR_BGR2GRAY);
	// Twice 4 board pixels, give or take the smoothed edges.
	EXPECT_NEAR(cv::countNonZero(lit.col(640) > 128), 8, 1);
	EXPECT_FALSE(canvas.isDark());

	// A board pixel 10000 picture pixels wide where the line starts: 40000-pixel lines.
	for (const cv::Matx33d& wild : {cv::Matx33d(1e4, 0, 640 - 2e6, 0, 1e4, 400 - 2.4e6, 0, 0, 1),
			 cv::Matx33d(1e9, 0, 0, 0, 1e9, 0, 0, 0, 1), cv::Matx33d::all(std::nan(""))})
	{
		EXPECT_NO_THROW(canvas.draw({line()}, wild)) << wild;
	}
}

/// A ball-sized disc at x on the board's middle row.
ProjectedShape disc(float x)
{
	ProjectedShape shape;
	for (int k = 0; k < 10; ++k)
	{
		const double angle = 2.0 * CV_PI * k / 10;
		shape.points.emplace_back(x + 12.0f * float(std::cos(angle)), 240.0f + 12.0f * float(std::sin(angle)));
	}
	shape.colour = projectedColour::body;
	return shape;
}

/// The display keeps the projector's pictures without copying them, so the
/// canvas must never draw into one it handed out while anyone holds it: every
/// picture shown stays as it was shown, whoever keeps it and for how long, and
/// every new one is exactly what a fresh canvas draws (nothing left over from
/// the buffer's earlier pictures). Passes draw a moving disc, go dark, and
/// show a whole pattern, as projecting and measuring the projector do.
TEST(ProjectorCanvas, PicturesShownStayAsShownWhileTheNextAreDrawn)
{
	const cv::Size size(320, 200);
	const cv::Matx33d boardToProjector = cv::Matx33d::diag(cv::Vec3d(0.5, 0.5, 1.0));
	cv::Mat pattern(size, CV_8UC3);
	cv::randu(pattern, 0, 256);
	for (const size_t holderKeeps : {size_t(0), size_t(1), size_t(3)})
	{
		HeadlessDisplay display;
		display.keepShownAsGiven("projector");
		ProjectorCanvas canvas(size);
		std::deque<std::pair<cv::Mat, cv::Mat>> held;  // as shown, and a copy made then
		std::set<const uchar*> buffers;
		for (int pass = 0; pass < 12; ++pass)
		{
			ProjectorCanvas fresh(size);
			if (pass % 5 == 3)
			{
				canvas.darken();
				fresh.darken();
			}
			else if (pass == 7)
			{
				canvas.showPicture(pattern);
				fresh.showPicture(pattern);
			}
			else
			{
				canvas.draw({disc(100.0f + 30.0f * float(pass))}, boardToProjector);
				fresh.draw({disc(100.0f + 30.0f * float(pass))}, boardToProjector);
			}
			display.show("projector", canvas.picture());
			const cv::Mat& kept = display.lastImages().at("projector");
			ASSERT_EQ(cv::norm(kept, fresh.picture(), cv::NORM_INF), 0.0) << "pass " << pass;
			buffers.insert(kept.data);
			held.emplace_back(kept, kept.clone());
			while (held.size() > std::max<size_t>(holderKeeps, 1))
			{
				held.pop_front();
			}
			for (const auto& [asShown, copy] : held)
			{
				ASSERT_EQ(cv::norm(asShown, copy, cv::NORM_INF), 0.0) << "pass " << pass << ", kept " << holderKeeps;
			}
			if (holderKeeps == 0)
			{
				held.clear();
			}
		}
		if (holderKeeps == 0)
		{
			// Held by the display alone, two buffers take turns: no picture is
			// made or copied a pass.
			EXPECT_EQ(buffers.size(), 2u);
		}
	}
}

}  // namespace
