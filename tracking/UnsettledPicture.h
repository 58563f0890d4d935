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

	/// Why the picture does not settle and what to do, one line.
	std::string reason() const;

	/// What keeps the picture from settling, as reason() words it.
	enum Cause
	{
		NoPicture,
		Bands,
		Flicker,
		/// The light's brightness keeps going one way: the room's light, or
		/// the camera's exposure or white balance, changing.
		Drift,
		Moving,
		Noise
	};
	Cause cause() const;

private:
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

	/// What the last second's passes show of the light and of motion.
	struct Measures
	{
		double deepest = 0.0;
		double swing = 0.0;
		double drift = 0.0;
		double span = 0.0;
		double changed = 0.0;
		double clumped = 0.0;
	};
	/// Of `recent`, which must not be empty.
	Measures measures() const;

	/// The passes of the last second.
	std::deque<Pass> recent;
	double unsettledSince = -1.0;
	bool said = false;
};
