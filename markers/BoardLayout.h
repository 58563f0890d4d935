#pragma once

#include "markers/ARMultiMarker.h"

#include <opencv2/core.hpp>

#include <vector>

/// The board's corner markers, in the order of the board image's corners:
/// top-left, top-right, bottom-right, bottom-left.
constexpr int boardCornerMarkers[4] = {0, 2, 5, 3};

/// The drawing area lies between the corner markers, its corners this far in
/// from the centres of the top-left and bottom-right corner markers along both
/// axes, in millimetres: far enough that no printed marker reaches into it.
constexpr double drawingAreaInset = 60.0;

/// The drawing area's top-left and bottom-right corners: the corner marker
/// each lies in from (an index into boardCornerMarkers) and the signs of its
/// offset in that marker's frame (x right, y up).
struct DrawingAreaCorner
{
	int cornerMarker;
	int signX;
	int signY;
};
constexpr DrawingAreaCorner drawingAreaCorners[2] = {{0, 1, -1}, {2, -1, 1}};

/// Black ink is read only this many board pixels inside the drawing area's
/// corners, so that the edges of the markers beside them never become walls;
/// the printed board outlines what is left.
constexpr float inkMargin = 30.0f;

/// The portal card: a square of this side in millimetres, centred on the
/// portal set's origin. Its corners, half a side from the origin along both
/// axes, bound what the portal blanks out of the drawing.
constexpr double portalCardSide = 120.0;
constexpr double portalHalfSide = portalCardSide / 2.0;
/// The card's printed code, a square of this side at the card's centre (as
/// Data/markers/portal.dat and the printed card have it); the rest of the
/// card is white paper.
constexpr double portalCodeSide = 60.0;

/// The portal card's corners in the order every scan reports them, as signs
/// of (x, y) in the portal set's frame: a zigzag, (-,-), (-,+), (+,-), (+,+),
/// not a walk round the card.
constexpr int portalCornerSigns[4][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};

/// The same four corners in the zigzag order, taken round the card: a polygon
/// drawn in the zigzag order itself would be a bow-tie.
std::vector<cv::Point2f> portalCornersAround(const std::vector<cv::Point2f>& zigzag);

/// The board image's corner pixels in that order. The corner markers' centres
/// land on the centres of these pixels: 639 and 479, not 640 and 480.
std::vector<cv::Point2f> boardImageCorners();

/// Board pixels to millimetres of the board's marker set, through the corner
/// markers' centres.
cv::Matx33d boardPixelsToSetMm(const ARMultiMarkerInfoT& board);
