#pragma once

#include <string>

class Display;
struct CameraViewPictures;
struct InkLayers;
struct RectifiedBoard;

/// What the debug windows' screenshots are taken from, read at each click;
/// all three must outlive the windows' handlers.
struct ScreenshotSources
{
	const RectifiedBoard& board;
	const CameraViewPictures& views;
	const InkLayers& ink;
};

/// Create "warped", "normal" and "cont", in this order, each before its mouse
/// handler: a left click in one of them saves a screenshot (in `folder`, see
/// onDebugWindowMouse).
void installDebugWindowCallbacks(Display& display, ScreenshotSources sources, const std::string& folder = "");

/// The screenshot handler of the debug windows; `window` names the window
/// clicked. With no `folder`, a left press writes, in the working directory:
///   "warped": the grey rectified board of the last scan, as "ss_warped.png"
///             (not the colour image the window shows);
///   "normal": this pass's camera picture with the bodies painted in, not
///             turned, as "ss_normal.png";
///   "cont":   the contour picture, as "ss_cont.png".
/// each click overwriting the one before. Given a `folder` (the user's
/// pictures), each goes there under a new time-stamped name,
/// "drawtable-normal-2025-01-30-141502.png", said on standard output; the
/// folder is made when missing.
/// Other events and other window names do nothing. An image not made yet
/// (before the first scan, or no camera frame) is skipped without a word; a
/// file that cannot be written is skipped with a one-line message.
void onDebugWindowMouse(const ScreenshotSources& sources, int event, const std::string& window,
	const std::string& folder = "");
