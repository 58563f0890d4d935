#include "AnalysisTestSupport.h"
#include "analysis/MarkerRegions.h"
#include "app/Trace.h"

#include <box2d/b2_body.h>
#include <box2d/b2_fixture.h>
#include <box2d/b2_polygon_shape.h>
#include <gtest/gtest.h>

namespace
{

class MarkerRegionsTest : public ::testing::Test
{
protected:
	MarkerRegionsTest() { rig.ink.blackMask = cv::Mat(480, 640, CV_8UC1, cv::Scalar(255)); }

	void apply(bool portalVisible, std::vector<cv::Point2f> portal, bool scanned, std::vector<cv::Point2f> inner)
	{
		rig.ink.blackMask.setTo(255);
		rig.board.portalVisible = portalVisible;
		rig.board.portalCorners = std::move(portal);
		rig.board.boardScanned = scanned;
		rig.board.innerCorners = std::move(inner);
		applyMarkerRegions(rig.board, rig.ink.blackMask, rig.scene, events);
		rig.scene.flush();
	}

	b2Body* portal() const
	{
		const std::vector<b2Body*>& bodies = rig.scene.getBodies();
		return bodies.size() == 1 && bodyInfoOf(bodies[0])->kind == Portal ? bodies[0] : nullptr;
	}

	int blackPixels() const { return cv::countNonZero(rig.ink.blackMask); }

	AnalysisRig rig;
	EventSink* events = nullptr;
	const std::vector<cv::Point2f> card = {{100, 100}, {140, 100}, {140, 140}, {100, 140}};
};

TEST_F(MarkerRegionsTest, PortalBoxOverTheCardAndTheCardBlankedFromTheMask)
{
	Trace trace;
	std::vector<PassRecord> passes;
	trace.addSink([&passes](const PassRecord& record) { passes.push_back(record); });
	events = &trace;
	apply(true, card, false, {});
	apply(true, card, false, {});  // each run replaces the portal of the one before

	ASSERT_NE(portal(), nullptr);
	EXPECT_NEAR(portal()->GetPosition().x, 1.8f, 1e-5);
	EXPECT_NEAR(portal()->GetPosition().y, 7.8f, 1e-5);
	// Grown by the margin across, shrunk by it up and down (the vertical scale is negative).
	const auto* box = static_cast<const b2PolygonShape*>(portal()->GetFixtureList()->GetShape());
	EXPECT_NEAR(box->m_vertices[2].x, 2.2f, 1e-5);
	EXPECT_NEAR(box->m_vertices[2].y, 1.8f, 1e-5);
	trace.endPass(1, 15, rig.scene);
	ASSERT_EQ(passes[0].eventsOf("portal").size(), 2u);
	EXPECT_NEAR(passes[0].eventsOf("portal")[0]->number("hy"), 1.8, 1e-5);

	// Pixels 80 to 149 in both directions, covering the card's 100 to 140.
	EXPECT_EQ(blackPixels(), 640 * 480 - 70 * 70);
	EXPECT_EQ(cv::countNonZero(rig.ink.blackMask(cv::Rect(80, 80, 70, 70))), 0);

	apply(false, card, false, {});
	EXPECT_TRUE(rig.scene.getBodies().empty());
	EXPECT_EQ(blackPixels(), 640 * 480);
}

TEST_F(MarkerRegionsTest, CardCornersThatCannotBeTrustedMakeNoPortalAndBlankNothing)
{
	apply(true, {}, false, {});
	EXPECT_EQ(rig.scene.getBodies().size(), 0u);
	EXPECT_EQ(blackPixels(), 640 * 480);
	apply(true, {{100, 100}, {NAN, 100}, {140, 140}, {100, 140}}, false, {});
	EXPECT_EQ(rig.scene.getBodies().size(), 0u);
	EXPECT_EQ(blackPixels(), 640 * 480);
	// A card exactly 4 pixels tall would give a box of no height: no portal,
	// but the card is still kept out of the walls.
	apply(true, {{100, 100}, {140, 100}, {140, 104}, {100, 104}}, false, {});
	EXPECT_EQ(rig.scene.getBodies().size(), 0u);
	EXPECT_LT(blackPixels(), 640 * 480);
}

TEST_F(MarkerRegionsTest, MaskIsCroppedToTheDrawingArea)
{
	apply(false, {}, true, {{20, 20}, {620, 460}});
	EXPECT_EQ(blackPixels(), 540 * 380);
	EXPECT_EQ(cv::countNonZero(rig.ink.blackMask(cv::Rect(50, 50, 540, 380))), 540 * 380);

	// No area (width 0, left below 0, not a number, one corner) or no scan: no crop.
	for (const std::vector<cv::Point2f>& inner : std::vector<std::vector<cv::Point2f>>{
			 {{20, 20}, {80, 460}}, {{-40, 20}, {620, 460}}, {{20, NAN}, {620, 460}}, {{20, 20}}})
	{
		apply(false, {}, true, inner);
		EXPECT_EQ(blackPixels(), 640 * 480);
	}
	apply(false, {}, false, {{20, 20}, {620, 460}});
	EXPECT_EQ(blackPixels(), 640 * 480);

	// The crop keeps whole pixels, its fractions cut off.
	cropToRect(rig.ink.blackMask, 600.5f, 400.9f, 100.0f, 100.0f);
	EXPECT_EQ(blackPixels(), 40 * 80);
}

}  // namespace
