#include "app/ProjectedLightRecord.h"
#include "tracking/CellPicture.h"
#include "tracking/MotionTest.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <string>
#include <vector>

// What the motion test makes of the projector's own light on a table in a
// bright room: paper at 216 grey levels, which the projector's white lifts to
// the sensor's top, so that calibration measured only the headroom, 42 levels;
// a highlighter's ring darker in blue, which shows more of the light than that;
// and a camera whose colour filters pass some of a cyan light into red.

namespace
{

const cv::Size frameSize(640, 480);
const cv::Vec3d paperLight(42.0, 42.0, 42.0);
const cv::Scalar paper(216, 216, 216);
/// A highlighter's ring, yellow: darker in blue.
const cv::Scalar highlighter(180, 208, 215);
/// Cells 20 to 27 across and down: 64 cells, 2 % of the grid.
const cv::Rect patch(200, 200, 80, 80);
/// Cyan light on the highlighter as such a camera sees it: blue beyond the
/// paper's headroom, green clipped, red brightened through the filters.
const cv::Scalar cyanOnHighlighter(62, 60, 28);
/// A hand of medium skin, lit by the same cyan: skin reflects less of it.
const cv::Scalar handLit = cv::Scalar(110, 130, 170) + cyanOnHighlighter * 0.6;

cv::Mat tableWith(const cv::Scalar& onPatch)
{
	cv::Mat frame(frameSize, CV_8UC3, paper);
	frame(patch).setTo(onPatch);
	return frame;
}

/// The projector's cyan over the cells of `area` (frame pixels), as
/// projectedLightCells gives it.
LightInterval cyanOn(const cv::Rect& area = patch)
{
	cv::Mat cells = cv::Mat::zeros(CellPicture::gridOf(frameSize), CV_32FC3);
	const int cell = frameSize.width / CellPicture::columns;
	cells(cv::Rect(area.tl() / cell, area.size() / cell)).setTo(cv::Scalar(1.0, 1.0, 0.0));
	return LightInterval{cells, cells.clone(), true};
}

struct Case
{
	std::string what;
	cv::Scalar then;
	LightInterval thenLight;
	cv::Scalar now;
	LightInterval nowLight;
	bool moved;
};

}  // namespace

/// Light arriving or leaving is not motion, however much more than the
/// paper's headroom it changes the highlighter and whatever it leaks into red;
/// a hand over the lit cells is, and so is the same brightening where no light
/// was projected, beside the light too.
TEST(ProjectedLightRecord, TheCamerasViewOfTheLightIsNotMotionAHandIs)
{
	const cv::Scalar lit = highlighter + cyanOnHighlighter;
	const std::vector<Case> cases = {
		{"light arriving", highlighter, LightInterval(), lit, cyanOn(), false},
		{"light leaving", lit, cyanOn(), highlighter, LightInterval(), false},
		{"light staying", lit, cyanOn(), lit, cyanOn(), false},
		{"a hand under arriving light", highlighter, LightInterval(), handLit, cyanOn(), true},
		{"a hand under light staying", lit, cyanOn(), handLit, cyanOn(), true},
		{"the same brightening unlit", highlighter, LightInterval(), lit, LightInterval(), true},
		{"brightening beside the light", highlighter, LightInterval(), lit,
			cyanOn(cv::Rect(patch.x, patch.y, patch.width, patch.height / 2)), true},
		{"red brightened as much as blue", highlighter, LightInterval(), highlighter + cv::Scalar(57, 60, 57),
			cyanOn(), true},
	};
	for (const Case& c : cases)
	{
		ProjectedLightRecord record;
		record.setReference(c.thenLight);
		const ExpectedLight expected = record.expectedChange(c.nowLight, paperLight);
		const MotionReading reading =
			compareCellPictures(CellPicture(tableWith(c.now)), CellPicture(tableWith(c.then)), expected);
		EXPECT_EQ(reading.moved, c.moved) << c.what << ": " << reading.changedShare * 100.0 << " % of the cells changed";
	}
}


/// The allowance never makes a cell lit that the light alone leaves unlit:
/// which cells are lit decides which tell the room's light, so a faint edge of
/// light, a share of a cell, stays out of that or in it as before.
TEST(ProjectedLightRecord, TheAllowanceLightsNoFurtherCells)
{
	const double paperChange = paperLight[0] * 1.1;
	for (double share = 0.005; share < 0.06; share += 0.0025)
	{
		LightInterval faint = cyanOn();
		faint.least *= share;
		faint.most *= share;
		ProjectedLightRecord record;
		const ExpectedLight arriving = record.expectedChange(faint, paperLight);
		record.setReference(faint);
		const ExpectedLight leaving = record.expectedChange(LightInterval(), paperLight);
		double most = 0.0, least = 0.0;
		cv::minMaxLoc(arriving.most.reshape(1), nullptr, &most);
		cv::minMaxLoc(leaving.least.reshape(1), &least);
		const bool lit = share * paperChange > noLight;
		EXPECT_EQ(most > noLight, lit) << "light arriving on " << share * 100.0 << " % of a cell";
		EXPECT_EQ(least < -noLight, lit) << "light leaving " << share * 100.0 << " % of a cell";
	}
}
