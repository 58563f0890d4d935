#pragma once

class BoardScanner;

/// When the camera picture has kept still long enough for the board to be
/// scanned: the one place that counts still passes.
///
/// Each pass the motion test says whether the picture moved (notePass).
/// Motion starts the count again; the board is scanned in the pass in which
/// the count reaches the threshold, so a still period gives one scan. A scan
/// that was held back (a hand over the board) or failed counts again from 0 on
/// a newer frame (holdBack). With a projector, whose light must not be
/// scanned, the still period's scan also waits behind the dark-frame gate
/// until the camera's frame shows the projector black.
class Stillness
{
public:
	/// A rescan is attempted in the pass in which the count becomes this.
	static constexpr int rescanThreshold = 15;

	/// Counts towards `threshold` still passes (the board's scans count to
	/// rescanThreshold; a measurement may want fewer).
	explicit Stillness(int threshold = rescanThreshold);

	/// One pass's motion test: motion starts the count again (and closes the
	/// gate of the still period), a still pass adds one.
	void notePass(bool moved);

	/// Still passes in a row towards the next scan: the trace's `still`.
	int count() const { return m_count; }
	/// Still passes since the picture last moved, held-back scans or not.
	int passesSinceMotion() const { return m_sinceMotion; }
	/// The count has reached the threshold: the picture has settled.
	bool settled() const { return m_count >= m_threshold; }
	/// This pass's frame is the one to scan (without a projector): the count is
	/// exactly the threshold, and stays there after the scan.
	bool rescanDue() const { return m_count == m_threshold; }

	/// The scan of this still period was held back or failed: count again from
	/// 0, and compare the next frames with the latest one, so that the scan is
	/// tried again on a frame taken after it (the frame held back may show a
	/// hand that has left since). True for the first hold-back since the
	/// picture last moved: its reason is said then, not at every retry.
	bool holdBack(BoardScanner& scanner);

	// The dark-frame gate, with a projector.

	/// Called in every still pass while the projector is not being measured:
	/// the projector goes black `lead` passes before the threshold (at once
	/// for a lead as long as the threshold), so that its first frame the
	/// camera sees black comes at the threshold. `pass` is this pass.
	void wantDarkFrame(int lead, int pass);
	/// The still period's scan waits for a dark frame: the projector shows black.
	bool darkFrameWanted() const { return m_darkWanted; }
	/// This pass's frame is the one to scan: a dark frame is wanted, this
	/// frame shows the projector black (`frameDark`) and the picture has settled.
	bool darkFrameDue(bool frameDark) const { return m_darkWanted && frameDark && settled(); }
	/// The dark frame of `pass` is scanned: the gate closes until the next
	/// still period. Returns how many passes the frame was waited for.
	int takeDarkFrame(int pass);
	/// No scan waits any more (the projector is being measured).
	void cancelDarkFrame() { m_darkWanted = false; }

private:
	int m_threshold;
	int m_count = 0;
	int m_sinceMotion = 0;
	/// A hold-back of this still period has been said.
	bool m_holdBackSaid = false;
	bool m_darkWanted = false;
	/// The pass in which the dark frame was asked for.
	int m_darkAsked = 0;
};
