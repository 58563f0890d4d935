#pragma once

#include <opencv2/core.hpp>

#include <vector>

/// What is drawn on the board, in board pixels (the 640 x 480 space between
/// the corner markers' centres; a board pixel is about 0.49 mm of the printed
/// board). A plain description, so that a scene can be written down in a file
/// as well as in code.

/// What a pen's ink is meant as: a black line, a highlighter, a red pen.
enum class Ink
{
	Black,
	Yellow,
	Red
};

/// A colour on paper, BGR with white paper at 255, that stands for "the ink's
/// usual colour" (inkColour).
inline const cv::Scalar usualInkColour = cv::Scalar::all(-1.0);

struct InkStroke
{
	std::vector<cv::Point2f> points;
	Ink ink = Ink::Black;
	/// Pen width, board pixels (a 0.6 mm fineliner draws about 1.2).
	float width = 4.0f;
	/// The pen's own colour on paper, or the ink's usual one.
	cv::Scalar colour = usualInkColour;
};

struct InkCircle
{
	cv::Point2f centre;
	float radius = 20.0f;
	Ink ink = Ink::Black;
	/// A filled disc, or a ring drawn with the pen width.
	bool filled = false;
	float width = 4.0f;

	// A ring drawn by hand is not quite a circle.

	/// How far the pen strays from the circle, at most, in board pixels.
	float wobble = 0.0f;
	/// An arc left open where the pen did not quite come round, degrees.
	float gap = 0.0f;
	/// Width over height of an oval ring (1: round), its long axis turned by
	/// `ovalAngle` degrees.
	float oval = 1.0f;
	float ovalAngle = 0.0f;
	/// The pen's own colour on paper, or the ink's usual one.
	cv::Scalar colour = usualInkColour;

	bool isHandDrawn() const { return wobble != 0.0f || gap != 0.0f || oval != 1.0f; }
};

/// The path of the pen round a hand-drawn ring, in board pixels: from the
/// end of its gap round to the start of it. The wobble is the same for the
/// same ring, so a scene always shows the same drawing.
std::vector<cv::Point2f> handDrawnRingPath(const InkCircle& ring);

/// Where the portal card lies: its centre, and its turn in degrees
/// (counter-clockwise as seen from above).
struct PortalCardPlacement
{
	cv::Point2f centre;
	float angle = 0.0f;
};

struct BoardDrawing
{
	std::vector<InkStroke> strokes;
	std::vector<InkCircle> circles;
	bool hasPortal = false;
	PortalCardPlacement portal;
};

/// The colour of an ink on paper, BGR.
cv::Scalar inkColour(Ink ink);

/// The colour a pen draws with: its own, or its ink's usual one.
cv::Scalar inkColour(Ink ink, const cv::Scalar& colour);

/// A pen a scene names, as a webcam in neutral light sees it on white paper.
struct NamedInk
{
	const char* name;
	Ink ink;
	cv::Scalar colour;
};

/// Black markers fresh and half dry, the common highlighters from warm to
/// neon yellow-green, a red pen.
const std::vector<NamedInk>& namedInks();

/// The scene of --source demo: a ramp and a wall, a black ring (a ball), a
/// yellow ring (a sensor) across the ramp and the portal card.
BoardDrawing demoDrawing();
