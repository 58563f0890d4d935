#include "AnalysisTestSupport.h"
#include "app/Trace.h"

#include <box2d/b2_body.h>
#include <box2d/b2_fixture.h>
#include <box2d/b2_polygon_shape.h>
#include <gtest/gtest.h>

#include <cmath>

namespace
{

class MarkerRegionsTest : public ::testing::Test
{
protected:
	MarkerRegionsTest()
	{
		rig.scanner.blackMask = cv::Mat(480, 640, CV_8UC1, cv::Scalar(255));
		rig.analysis.setTrace(&trace);
		trace.addSink([this](const PassRecord& record) { passes.push_back(record); });
	}

	void showPortal(std::vector<cv::Point2f> corners)
	{
		rig.scanner.portalVisible = true;
		rig.scanner.portalCorners = std::move(corners);
	}

	std::vector<b2Body*> bodiesOf(BodyKind kind) const
	{
		std::vector<b2Body*> found;
		for (const BodyInfo* info : rig.scene.collectBodyInfo())
		{
			if (info->kind == kind)
			{
				found.push_back(info->body);
			}
		}
		return found;
	}

	/// The events of everything done since the last call.
	std::vector<TraceEvent> events()
	{
		trace.endPass(1, 15, rig.scene);
		return passes.back().events;
	}

	int blackPixels() const { return cv::countNonZero(rig.scanner.blackMask); }

	AnalysisRig rig;
	Trace trace;
	std::vector<PassRecord> passes;
};

TEST_F(MarkerRegionsTest, PortalBoxOverTheCardAndTheCardBlankedFromTheMask)
{
	showPortal({{100, 100}, {140, 100}, {140, 140}, {100, 140}});
	rig.analysis.applyMarkerRegions();

	const std::vector<b2Body*> portals = bodiesOf(Portal);
	ASSERT_EQ(portals.size(), 1u);
	EXPECT_NEAR(portals[0]->GetPosition().x, 1.8f, 1e-5);
	EXPECT_NEAR(portals[0]->GetPosition().y, 7.8f, 1e-5);
	const auto* box = static_cast<const b2PolygonShape*>(portals[0]->GetFixtureList()->GetShape());
	// Grown by the margin across, shrunk by it up and down (the vertical scale is negative).
	EXPECT_NEAR(box->m_vertices[2].x, 2.2f, 1e-5);
	EXPECT_NEAR(box->m_vertices[2].y, 1.8f, 1e-5);

	const cv::Mat& mask = rig.scanner.blackMask;
	EXPECT_EQ(blackPixels(), 640 * 480 - 70 * 70);
	EXPECT_EQ(cv::countNonZero(mask(cv::Rect(80, 80, 70, 70))), 0);
	EXPECT_EQ(mask.at<uchar>(79, 100), 255);
	EXPECT_EQ(mask.at<uchar>(100, 150), 255);

	const std::vector<TraceEvent> traced = events();
	ASSERT_EQ(traced.size(), 1u);
	EXPECT_EQ(traced[0].type, "portal");
	EXPECT_NEAR(traced[0].number("x"), 1.8, 1e-5);
	EXPECT_NEAR(traced[0].number("y"), 7.8, 1e-5);
	EXPECT_NEAR(traced[0].number("hx"), 2.2, 1e-5);
	EXPECT_NEAR(traced[0].number("hy"), 1.8, 1e-5);
}

TEST_F(MarkerRegionsTest, EachRunReplacesThePortalAndAHiddenCardLeavesNone)
{
	showPortal({{100, 100}, {140, 100}, {140, 140}, {100, 140}});
	rig.analysis.applyMarkerRegions();
	rig.analysis.applyMarkerRegions();  // a rescan runs it twice
	rig.scene.flush();
	EXPECT_EQ(bodiesOf(Portal).size(), 1u);

	rig.scanner.portalVisible = false;
	rig.scanner.blackMask.setTo(255);
	rig.analysis.applyMarkerRegions();
	rig.scene.flush();
	EXPECT_TRUE(bodiesOf(Portal).empty());
	EXPECT_EQ(blackPixels(), 640 * 480);
}

TEST_F(MarkerRegionsTest, CardCornersThatCannotBeTrustedMakeNoPortalAndBlankNothing)
{
	for (const std::vector<cv::Point2f>& corners : std::vector<std::vector<cv::Point2f>>{
			 {}, {{100, 100}, {NAN, 100}, {140, 140}, {100, 140}}})
	{
		showPortal(corners);
		rig.analysis.applyMarkerRegions();
		EXPECT_TRUE(bodiesOf(Portal).empty());
		EXPECT_EQ(blackPixels(), 640 * 480);
	}
	// A card exactly 4 pixels tall would give a box of no height.
	showPortal({{100, 100}, {140, 100}, {140, 104}, {100, 104}});
	rig.analysis.applyMarkerRegions();
	EXPECT_TRUE(bodiesOf(Portal).empty());
	EXPECT_LT(blackPixels(), 640 * 480);  // the card is still kept out of the walls
}

TEST_F(MarkerRegionsTest, DrawingAreaIsTheInnerCornersLessTheMargin)
{
	rig.scanner.boardScanned = true;
	rig.scanner.boardInnerCorners = {{20, 20}, {620, 460}};
	rig.analysis.applyMarkerRegions();
	EXPECT_EQ(blackPixels(), 540 * 380);
	EXPECT_EQ(cv::countNonZero(rig.scanner.blackMask(cv::Rect(50, 50, 540, 380))), 540 * 380);
}

TEST_F(MarkerRegionsTest, NoCropWithoutAnAreaOrAScan)
{
	const std::vector<std::vector<cv::Point2f>> cornerSets = {
		{{20, 20}, {80, 460}},      // width 0
		{{-40, 20}, {620, 460}},    // left below 0
		{{20, NAN}, {620, 460}},
		{{20, 20}},                 // too few corners
	};
	rig.scanner.boardScanned = true;
	for (const auto& corners : cornerSets)
	{
		rig.scanner.boardInnerCorners = corners;
		rig.analysis.applyMarkerRegions();
		EXPECT_EQ(blackPixels(), 640 * 480);
	}
	rig.scanner.boardScanned = false;
	rig.scanner.boardInnerCorners = {{20, 20}, {620, 460}};
	rig.analysis.applyMarkerRegions();
	EXPECT_EQ(blackPixels(), 640 * 480);
}

TEST_F(MarkerRegionsTest, CropUsesTheBoardSizeWhateverTheCameraDelivers)
{
	rig.scanner.cameraFrame = cv::Mat(720, 1280, CV_8UC3);
	rig.scanner.cropToRect(600.5f, 400.9f, 100.0f, 100.0f);  // truncated, and cut by the board's edge
	EXPECT_EQ(rig.scanner.blackMask.size(), cv::Size(640, 480));
	EXPECT_EQ(blackPixels(), 40 * 80);
	rig.scanner.blackMask.release();
	rig.scanner.cropToRect(0, 0, 10, 10);  // no mask yet: nothing to crop
	EXPECT_TRUE(rig.scanner.blackMask.empty());
}

}  // namespace
