#include "platform/StillFrameSource.h"
#include "tracking/BoardScanner.h"
#include "tracking/Stillness.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{

/// A still period started by motion, then `passes` still passes.
Stillness stillFor(int passes)
{
	Stillness stillness;
	stillness.notePass(true);
	for (int i = 0; i < passes; ++i)
	{
		stillness.notePass(false);
	}
	return stillness;
}

TEST(Stillness, AStillPeriodIsScannedOnceAtTheThreshold)
{
	Stillness stillness = stillFor(Stillness::rescanThreshold - 1);
	EXPECT_FALSE(stillness.rescanDue());
	EXPECT_FALSE(stillness.settled());
	stillness.notePass(false);
	EXPECT_EQ(stillness.count(), Stillness::rescanThreshold);
	EXPECT_TRUE(stillness.rescanDue());
	EXPECT_TRUE(stillness.settled());
	// The scan succeeded: the count goes on past the threshold, no second scan.
	stillness.notePass(false);
	EXPECT_FALSE(stillness.rescanDue());
	EXPECT_TRUE(stillness.settled());
	stillness.notePass(true);
	EXPECT_EQ(stillness.count(), 0);
	EXPECT_FALSE(stillness.settled());
}

TEST(Stillness, AHeldBackScanIsTriedAgainOnANewerFrameAndSaidOnceAStillPeriod)
{
	const cv::Mat first(480, 640, CV_8UC3, cv::Scalar(200, 200, 200));
	auto camera = std::make_unique<StillFrameSource>(first);
	StillFrameSource& source = *camera;
	BoardScanner scanner(std::move(camera));
	ASSERT_TRUE(scanner.sceneMoved());
	Stillness stillness = stillFor(Stillness::rescanThreshold);
	// The light changed a little since: no motion, but a newer frame.
	source.picture = first * 0.9;
	ASSERT_FALSE(scanner.sceneMoved());
	stillness.notePass(false);

	EXPECT_TRUE(stillness.holdBack(scanner));
	EXPECT_EQ(stillness.count(), 0);
	EXPECT_EQ(cv::norm(scanner.referenceFrame(), source.picture, cv::NORM_INF), 0.0);
	// The picture has not moved for all that.
	EXPECT_EQ(stillness.passesSinceMotion(), Stillness::rescanThreshold + 1);
	// Retried after a whole still count; the retry's reason is not said again.
	for (int i = 0; i < Stillness::rescanThreshold; ++i)
	{
		stillness.notePass(false);
	}
	EXPECT_TRUE(stillness.rescanDue());
	EXPECT_FALSE(stillness.holdBack(scanner));
	// Motion starts a still period whose reasons are said again.
	stillness.notePass(true);
	EXPECT_TRUE(stillness.holdBack(scanner));
}

/// With a projector the scan waits for a frame the camera took with the
/// projector black: asked for `lead` passes before the threshold, taken at
/// the threshold or on the first dark frame after it.
TEST(Stillness, TheDarkFrameIsAskedForALeadAheadAndScannedOnceTheFrameIsDark)
{
	for (const int lead : {0, 1, 4, Stillness::rescanThreshold - 1, Stillness::rescanThreshold, 40})
	{
		const int askedAt = std::max(1, Stillness::rescanThreshold - lead);
		const int firstDark = askedAt + lead;  // the pass whose frame first shows it black
		Stillness stillness = stillFor(0);
		int asked = -1, scanned = -1, waited = -1;
		for (int pass = 1; pass <= 60 && scanned < 0; ++pass)
		{
			stillness.notePass(false);
			stillness.wantDarkFrame(lead, pass);
			if (asked < 0 && stillness.darkFrameWanted())
			{
				asked = pass;
			}
			// A lit frame never passes the gate.
			EXPECT_FALSE(stillness.darkFrameDue(false)) << "lead " << lead << ", pass " << pass;
			if (stillness.darkFrameDue(pass >= firstDark))
			{
				scanned = pass;
				waited = stillness.takeDarkFrame(pass);
			}
		}
		EXPECT_EQ(asked, askedAt) << "lead " << lead;
		EXPECT_EQ(scanned, std::max(Stillness::rescanThreshold, firstDark)) << "lead " << lead;
		EXPECT_EQ(waited, scanned - asked) << "lead " << lead;
		// One scan a still period: the count has passed the asking point.
		EXPECT_FALSE(stillness.darkFrameWanted()) << "lead " << lead;
		stillness.notePass(false);
		stillness.wantDarkFrame(lead, 61);
		EXPECT_FALSE(stillness.darkFrameDue(true)) << "lead " << lead;
	}
}

TEST(Stillness, MotionOrAMeasurementCancelsTheDarkFrame)
{
	Stillness stillness = stillFor(Stillness::rescanThreshold - 3);
	stillness.wantDarkFrame(3, 20);
	ASSERT_TRUE(stillness.darkFrameWanted());
	stillness.notePass(true);
	EXPECT_FALSE(stillness.darkFrameWanted());

	stillness = stillFor(Stillness::rescanThreshold - 3);
	stillness.wantDarkFrame(3, 20);
	stillness.cancelDarkFrame();
	for (int i = 0; i < 5; ++i)
	{
		stillness.notePass(false);
		EXPECT_FALSE(stillness.darkFrameDue(true));
	}
}

/// A measurement may count to fewer passes than the scans.
TEST(Stillness, AShorterThresholdSettlesSooner)
{
	Stillness three(3);
	three.notePass(true);
	three.notePass(false);
	three.notePass(false);
	EXPECT_FALSE(three.settled());
	three.notePass(false);
	EXPECT_TRUE(three.settled());
	EXPECT_TRUE(three.rescanDue());
}

}  // namespace
