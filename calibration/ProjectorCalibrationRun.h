#pragma once

#include "calibration/ProjectorCalibration.h"
#include "tracking/Stillness.h"

#include <opencv2/core.hpp>

#include <memory>
#include <string>

/// Measuring the projector, one camera frame a pass. The projector first goes
/// black until the camera picture keeps still: that frame is the dark frame.
/// Then it shows the pattern until the camera sees it, that is until OpenCV's
/// detector reads it in the light added to the dark frame: the passes in
/// between are the camera's latency, measured, not assumed. A pass later that
/// frame is the lit frame. Then the plain chessboard, whose frame is taken once
/// the latency has passed. The fit itself is fitProjectorCalibration's.
/// When that first pattern, filling the picture, measures the board poorly,
/// a second one over just the part of the picture that lands on the board is
/// shown and taken alike (aimAtBoard).
/// A pattern never read is put down to its cause: a camera picture already
/// white, light that changed too little for the room, or no light at all.
class ProjectorCalibrationRun
{
public:
	enum State
	{
		Darkening,       ///< the projector is black; waiting for a still, dark picture
		Showing,         ///< the coded pattern is shown; waiting for the camera to see it
		ShowingPlain,    ///< the plain chessboard is shown, for the latency's passes
		Done,            ///< the three frames are taken
		Failed           ///< problem() says why
	};

	/// For a projector of `size`. `knownLatency`, from an earlier measurement,
	/// makes the projector stay black at least that long before the dark frame.
	ProjectorCalibrationRun(cv::Size size, int knownLatency = 0);

	/// Take the camera frame of pass `pass`; `picture()` is then what the
	/// projector shows in that pass.
	void see(const cv::Mat& frame, int pass);

	State state() const { return now; }
	const cv::Mat& picture() const
	{
		return now == Showing ? pattern.picture : now == ShowingPlain ? pattern.chessboard : black;
	}
	const ProjectorPattern& shownPattern() const { return pattern; }

	/// Once Done with the first pattern: when its fit over `area`, the board,
	/// is refused or less exact than wanted, and its corners still say
	/// roughly where the board lies in the picture, show a second pattern over
	/// just that part (see PatternOnBoard.h) and measure on: true, Showing
	/// again. False, still Done, otherwise, and always the second time. A
	/// second pattern the camera does not see leaves the first's frames, Done.
	bool aimAtBoard(const double distortion[4], const ErrorArea& area);

	/// Once Done: the pattern's corners found in the light the frames show,
	/// and the map fitted to them (fitProjectorCalibration, whose figures
	/// `result` holds either way, with the latency); after a second pattern,
	/// the better of its fit and the first's. False with `refusal` saying why
	/// and what to do; corners lost to a saturated picture say so.
	bool fit(const double distortion[4], const ErrorArea& area, ProjectorCalibration& result, std::string& refusal) const;

	/// The frame of the still, dark picture (empty before it is taken).
	const cv::Mat& darkFrame() const { return m_darkFrame; }
	/// So much of the dark frame is white already that the projector's light
	/// cannot show there: the camera's exposure is too high for the room.
	bool darkFrameSaturated() const;
	/// The dark frame's paper (the brightest tenth of the picture) leaves the
	/// projector's light little room below white, too little for the light of
	/// the game to be seen where it lands: as good as saturated.
	bool paperNearWhite() const;
	/// The coded pattern's frame and the plain chessboard's (the second
	/// pattern's, once it was shown).
	const cv::Mat& litFrame() const { return m_litFrame; }
	const cv::Mat& chessboardFrame() const { return m_chessboardFrame; }
	/// Passes between the pattern shown and the first frame showing it; -1
	/// before it is seen.
	int latency() const { return m_latency; }
	/// Once Failed: why, and what to do.
	const std::string& problem() const { return m_problem; }

private:
	void darkening(const cv::Mat& frame, int pass);
	void showing(const cv::Mat& frame, int pass);
	void showingPlain(const cv::Mat& frame, int pass);
	/// Why the pattern was not read, and what to do.
	std::string whyUnseen() const;
	/// What to do about a dark frame too white to show the pattern, or light
	/// that changed less than the camera's picture flickers; empty for neither.
	std::string lightProblem() const;
	/// The pattern's frames gained light on the dark frame, beyond its flicker.
	bool lightChanged() const;

	/// A pattern and the frames that showed it.
	struct Measured
	{
		ProjectorPattern pattern;
		cv::Mat litFrame;
		cv::Mat chessboardFrame;
	};

	cv::Mat m_darkFrame;
	cv::Mat m_litFrame;
	cv::Mat m_chessboardFrame;
	int m_latency = -1;
	std::string m_problem;

	ProjectorPattern pattern;
	/// The first pattern's, while and after a second one is shown.
	std::unique_ptr<Measured> first;
	/// aimAtBoard was asked.
	bool aimed = false;
	int lastPass = 0;
	cv::Mat black;
	State now = Darkening;
	int minDarkPasses;
	int darkPasses = 0;
	/// The dark frame is taken once the picture has kept still for
	/// stillFrames frames, each the same picture as the one before.
	static constexpr int stillFrames = 3;
	Stillness darkStillness;
	cv::Mat previous;
	int patternPass = 0;
	/// The last pass whose frame the detector read, and the first of two in a row.
	int readPass = 0;
	int seenPass = 0;
	int plainPass = 0;
	/// How much the last dark frames differed, pixel by pixel and smoothed as
	/// the gain is, and the most the pattern's frames gained on the dark one,
	/// in grey levels.
	double grain = 0.0;
	double darkNoise = 0.0;
	double strongestGain = 0.0;
};
