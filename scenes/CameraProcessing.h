#pragma once

#include "scenes/Photography.h"

#include <functional>

/// The webcam's processing from frame to frame (see CameraStages): its
/// automatic exposure and white balance, which follow what comes into view,
/// its temporal noise reduction, which keeps part of the last frame where
/// nothing moved, and what it does to each frame before sending it. The
/// first two depend on the passes before. A scene is played pass after pass;
/// a pass asked for out of turn is worked out again from the passes before
/// it, so that every frame is still a function of its pass.
class CameraProcessing
{
public:
	explicit CameraProcessing(const Photography& photography);

	/// The automatic exposure and white balance in `pass` (from 1), given the
	/// mean colour (BGR) the lens puts on the sensor in any pass: fixed at 1
	/// without metering. Each pass's setting answers the pass before it, as a
	/// camera meters the frame it has just taken.
	CameraSettings metered(int pass, const std::function<cv::Scalar(int)>& meanOf);

	/// The temporal noise reduction of the sensor's frame of `pass` (8-bit
	/// BGR), in place. `sensedOf` gives the sensor's frame of an earlier pass,
	/// asked for only when `pass` does not follow the last one reduced.
	void reduceNoise(int pass, cv::Mat& frame, const std::function<cv::Mat(int)>& sensedOf);

	/// The frame as the camera sends it: sharpened, then compressed.
	void send(cv::Mat& frame) const;

private:
	/// One pass of the noise reduction: `frame` against the last result.
	void blend(cv::Mat& frame);

	Photography m_photography;
	/// Metering: the first pass's mean colour, the pass metered last and
	/// the gains of blue, green and red reached then.
	cv::Scalar m_target;
	int m_meteredPass = 0;
	cv::Vec3d m_gains = cv::Vec3d(1.0, 1.0, 1.0);
	/// Noise reduction: the last frame it gave (float BGR) and its pass.
	cv::Mat m_last;
	int m_reducedPass = 0;
};
