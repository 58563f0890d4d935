#include "AnalysisTestSupport.h"

#include "physics/BodyInfo.h"
#include "render/ProjectedShapes.h"
#include "render/ProjectorCanvas.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

// What the projector lights on the board, drawn as the projector would with
// board pixels for its own: the drawing's ink stays unlit, so the camera
// reads it as drawn, and a sensor's light lies beside its ring.

namespace
{

/// The board pixels the shapes light: a projector whose picture is the board.
cv::Mat litOnBoard(const std::vector<ProjectedShape>& shapes)
{
	ProjectorCanvas canvas(cv::Size(640, 480));
	canvas.draw(shapes, cv::Matx33d::eye());
	cv::Mat grey, lit;
	cv::cvtColor(canvas.picture(), grey, cv::COLOR_BGR2GRAY);
	cv::threshold(grey, lit, 0, 255, cv::THRESH_BINARY);
	return lit;
}

/// The pixels within `reach` of a ring of `radius` about `centre`.
cv::Mat near(cv::Point centre, int radius, int reach)
{
	cv::Mat band(480, 640, CV_8UC1, cv::Scalar(0));
	cv::circle(band, centre, radius, cv::Scalar(255), 2 * reach + 1);
	return band;
}

TEST(ProjectedShapes, ASensorsRingIsLitBesideItsInkAndATouchedOneAllOver)
{
	AnalysisRig rig;
	cv::Mat board = blankBoard();
	const cv::Point untouched(200, 200), touched(420, 280);
	drawRing(board, untouched, yellowPen);
	drawRing(board, touched, yellowPen);
	rig.setBoard(board.clone());
	ASSERT_EQ(rig.analysis.analyse(rig.board, rig.ink, rig.display).sensors, 2);
	const std::vector<ShapeRecord>& sensors = rig.analysis.sensorCircleRecords();
	for (const ShapeRecord& record : sensors)
	{
		bodyInfoOf(record.body)->touched = cv::norm(descriptorCentroid(record.descriptor) - cv::Point2d(touched)) < 5.0;
	}
	cv::Mat ink;
	cv::inRange(board, paperWhite, paperWhite, ink);
	ink = ~ink;

	const cv::Mat lit = litOnBoard(projectedShapes(rig.scene, sensors, {}, false));
	// Round the untouched sensor: a whole ring of light close outside the ink.
	// It is centred on the ring's measured centre, which thinning leaves a
	// pixel or so off the drawn one, so the ink's outer edge may catch light
	// on one side; the ink's middle and what lies within it never do.
	const cv::Mat aroundUntouched = near(untouched, ringRadius, 12);
	EXPECT_GT(cv::countNonZero(lit & aroundUntouched), int(2 * CV_PI * ringRadius * 2));
	cv::Mat within(480, 640, CV_8UC1, cv::Scalar(0));
	cv::circle(within, untouched, ringRadius - 1, cv::Scalar(255), cv::FILLED);
	EXPECT_EQ(cv::countNonZero(lit & within), 0) << "light on the ink of an untouched sensor";
	// The touched one lights up, its ink with it.
	const cv::Mat aroundTouched = near(touched, ringRadius, 3);
	EXPECT_EQ(cv::countNonZero(ink & aroundTouched & ~lit), 0) << "a touched sensor's ink not lit";
	// Nothing else.
	cv::Mat lightable = aroundUntouched.clone();
	cv::circle(lightable, touched, ringRadius + 12, cv::Scalar(255), cv::FILLED);
	EXPECT_EQ(cv::countNonZero(lit & ~lightable), 0);
}

}  // namespace
