#pragma once

#include <array>
#include <cstddef>
#include <string>

/// Why the table does not react as a player expects, the most pressing
/// first: a player can do nothing about the board while there is no camera
/// picture, and a paused game explains itself before any scan does.
enum class StatusReason
{
	NoCamera,          ///< no camera was found at start
	CameraLost,        ///< the camera stopped giving pictures
	FramesTooSmall,    ///< the camera's frames are too small to find markers in
	Paused,            ///< the world and the scanning are paused (space)
	ScanningPaused,    ///< the scanning alone is paused (p)
	BoardNotFound,     ///< not every marker of the board is seen
	NewCalibration,    ///< the board is not found with today's new camera calibration
	PoseUncertain,     ///< the markers seen do not fit one flat board
	SeenObliquely,     ///< the board is seen too far from straight above
	Hand,              ///< a hand lies over the board
	ScanHeldBack,      ///< a scan was held back for another reason
	Unsettled,         ///< the picture does not keep still long enough to scan
	CircleSize,        ///< a drawn circle is too large or too small to play
	RecordingStopped,  ///< recording stopped by itself (the disk's floor, a full disk)
	HalfSpeed,         ///< the world plays at half speed (s)
	Count
};

/// The bottom line of the play view: each reason is set, in a player's
/// words, by whoever knows it holds, and cleared by whoever knows it has
/// gone; the line is the words of the most pressing reason that holds.
class StatusLine
{
public:
	/// `reason` holds, said in `words`; empty words clear it.
	void set(StatusReason reason, std::string words);

	/// `reason` no longer holds.
	void clear(StatusReason reason) { set(reason, std::string()); }

	/// Whether `reason` holds.
	bool holds(StatusReason reason) const { return !words(reason).empty(); }

	/// The words `reason` was set with; empty while it does not hold.
	const std::string& words(StatusReason reason) const { return m_words[index(reason)]; }

	/// The words of the most pressing reason that holds; empty when none does.
	const std::string& line() const;

private:
	static std::size_t index(StatusReason reason) { return static_cast<std::size_t>(reason); }

	std::array<std::string, static_cast<std::size_t>(StatusReason::Count)> m_words;
};
