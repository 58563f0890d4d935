#pragma once

/// Which windows a run puts on the screen.
enum class WindowSet
{
	/// The described windows ("game", "normal", "warped", "cont",
	/// "skewbinary") and the players' "play" beside them: the default.
	All,
	/// "play" alone, larger; the others are drawn all the same, for the
	/// snapshots and the video (--windows play).
	Play,
	/// The described windows alone, without "play" (for measuring what it costs).
	Described
};
