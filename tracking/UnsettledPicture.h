#pragma once

#include "tracking/MotionTest.h"

#include <deque>
#include <string>

/// Watches a camera picture that does not keep still long enough for the
/// board to be scanned, and tells why: a lamp that flickers, bands rolling
/// through the picture, an exposure or white balance that keeps changing,
/// a noisy sensor, or something that keeps moving in view. A user whose table
/// does not react learns it once, with what to do.
class UnsettledPicture
{
public:
	/// How long the picture may go without settling before it is said, seconds.
	static constexpr double patience = 10.0;

	/// One pass: its motion reading, taken `seconds` after some fixed moment,
	/// and whether the picture settled in it (the still counter reached the
	/// rescan threshold). True once per stretch without settling, in the pass
	/// in which it has lasted `patience`: then reason() says why.
	bool note(const MotionReading& reading, bool settled, double seconds);

	/// What keeps a picture from settling.
	enum class Cause
	{
		NoPicture,  ///< no camera picture came
		Bands,      ///< bands of light roll through it
		Flicker,    ///< the light flickers
		Exposure,   ///< the camera keeps changing its exposure or white balance
		Moving,     ///< something keeps moving in view
		Noise       ///< the camera's noise changes it in scattered specks
	};

	/// Why the picture does not settle, from its last second.
	Cause cause() const;

	/// Why the picture does not settle and what to do, one line.
	std::string reason() const;

private:
	/// The last second's passes summed up.
	struct Measures
	{
		double deepestBands = 0.0;
		/// How far the brightness swung, and drifted a second.
		double swing = 0.0;
		double drift = 0.0;
		double span = 0.0;
		double changed = 0.0;
		double clumped = 0.0;
	};
	Measures measure() const;
	static Cause causeOf(const Measures& measures, bool anyPicture);

	struct Pass
	{
		double seconds;
		cv::Vec3d gain;
		double bandDepth;
		double changedShare;
		/// How much more often changed cells lie side by side than at random:
		/// one thing moving rather than noise scattered over the picture.
		double clumping;
	};

	/// The passes of the last second.
	std::deque<Pass> recent;
	double unsettledSince = -1.0;
	bool said = false;
};
