#pragma once

#include "app/ProjectedLightRecord.h"
#include "tracking/MotionTest.h"

#include <deque>

/// Watches whether the projected light lands where the calibration puts it.
/// Where every picture a frame may show agrees that light arrived in a cell,
/// or left it, by a good deal on white paper, the camera must see much of that
/// change. When over a second of passes it saw too little in more than half
/// such cells, the light lands elsewhere: the camera or the projector has moved.
class MovedLightCheck
{
public:
	/// One pass's frame, which may show the light `now` where the reference
	/// frame showed `then`, and changed from it as `reading` says; `paperLight`
	/// is what the projector's full light adds to white paper. True in the
	/// pass in which the light is found misplaced.
	bool check(const MotionReading& reading, const LightInterval& now, const LightInterval& then,
		const cv::Vec3d& paperLight, int pass);

	/// The light was found misplaced, and the projector not measured since.
	bool misplaced() const { return m_misplaced; }

	/// The projector was measured: watch afresh.
	void reset();

private:
	/// Of the cells where light surely arrived or left in one pass, how many
	/// the camera saw too little of.
	struct Tally
	{
		int pass;
		int cells;
		int missed;
	};

	/// Add a pass's tally and drop those older than a second of passes.
	void count(const Tally& tally);

	/// The tallies of the last second of passes, and their sums.
	std::deque<Tally> m_tallies;
	Tally m_total{0, 0, 0};
	bool m_misplaced = false;
};
