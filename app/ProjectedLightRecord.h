#pragma once

#include "tracking/MotionTest.h"

#include <opencv2/core.hpp>

#include <deque>

/// The light a camera frame may show, cell by cell on the motion test's grid
/// (CV_32FC3, each cell's share of a white picture's light): the least and
/// the most of what the pictures it may show give; none (empty) when all were
/// dark; not known when one was a picture nobody can predict (the
/// calibration's patterns).
struct LightInterval
{
	cv::Mat least;
	cv::Mat most;
	bool known = true;
};

/// The record of projected light: what the projector's last pictures lit on
/// the motion test's cells, and what the reference frame saw of it. The camera
/// is late by the latency, give or take a pass, so a frame may show any of a
/// few pictures; the record says which light that is, and so how far the
/// projector alone may have changed a frame from the reference.
class ProjectedLightRecord
{
public:
	/// The picture shown in `pass` lit `cells` (empty or of another grid than
	/// `frameSize`'s: none), or light nobody can predict (`known` false); `lit`
	/// when it gave any light. As many pictures are kept as a frame `latency`
	/// passes late may show.
	void add(int pass, cv::Mat cells, bool known, bool lit, cv::Size frameSize, int latency);

	/// The light the frame of `pass` may show, from the pictures kept.
	LightInterval seenIn(int pass, int latency) const;

	/// The reference frame of the motion test saw `light` (nothing: a frame
	/// taken with the projector black).
	void setReference(LightInterval light) { m_reference = std::move(light); }
	const LightInterval& reference() const { return m_reference; }

	/// How the light may have changed, cell by cell, from the reference frame
	/// to a frame seeing `now`, in grey levels: `paperLight` is what the
	/// projector's full light adds to white paper, per channel.
	ExpectedLight expectedChange(const LightInterval& now, const cv::Vec3d& paperLight) const;

	/// The last pass whose picture gave light.
	int lastLitPass() const { return m_lastLitPass; }

private:
	struct Shown
	{
		int pass;
		cv::Mat cells;
		bool known;
	};

	/// The light of the last pictures shown, oldest first.
	std::deque<Shown> m_shown;
	LightInterval m_reference;
	int m_lastLitPass = -1000000;
};
