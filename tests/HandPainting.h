#pragma once

#include "scenes/Photography.h"
#include "tracking/RectifiedBoard.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

// Rectified boards with hands over them, painted directly in board pixels (no
// camera): the hands of a ten-step skin tone scale, shaded as real hands are,
// in the shapes a table sees, under a room's light.

/// The ten steps of a skin tone scale used in camera fairness testing, sRGB.
inline const char* const skinSteps[10] = {
	"#f6ede4", "#f3e7db", "#f7ead0", "#eadaba", "#d7bd96", "#a07e56", "#825c43", "#604134", "#3a312a", "#292420"};

/// What paper reads under a neutral light.
constexpr double paperLevel = 240.0;

/// A swatch as a neutral room shows it: scaled so that white paper reads `paperLevel` (BGR).
inline cv::Vec3d swatchColour(const std::string& hex)
{
	const unsigned long rgb = std::stoul(hex.substr(1), nullptr, 16);
	const double scale = paperLevel / 255.0;
	return cv::Vec3d(double(rgb & 0xff) * scale, double((rgb >> 8) & 0xff) * scale, double((rgb >> 16) & 0xff) * scale);
}

/// The board a scan gives: 640 x 480 paper, the six printed markers at its
/// edges, the portal card on the right, the drawing area between the markers.
/// The drawing is three strokes, a black ring and a yellow ring.
inline RectifiedBoard paperBoard()
{
	RectifiedBoard board;
	board.colour = cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(paperLevel));
	board.boardScanned = true;
	board.innerCorners = {{80, 80}, {560, 400}};
	for (const cv::Point corner : {cv::Point(0, 0), cv::Point(292, 0), cv::Point(584, 0), cv::Point(0, 424),
			 cv::Point(292, 424), cv::Point(584, 424)})
	{
		cv::rectangle(board.colour, cv::Rect(corner, cv::Size(56, 56)), cv::Scalar::all(20), cv::FILLED);
		cv::rectangle(board.colour, cv::Rect(corner + cv::Point(14, 14), cv::Size(14, 28)), cv::Scalar::all(paperLevel), cv::FILLED);
		const cv::Point2f c(corner);
		board.markerOutlines.push_back({c, c + cv::Point2f(56, 0), c + cv::Point2f(56, 56), c + cv::Point2f(0, 56)});
	}
	// The card: a black frame round a printed marker.
	cv::rectangle(board.colour, cv::Rect(440, 170, 100, 100), cv::Scalar::all(20), 8);
	cv::rectangle(board.colour, cv::Rect(465, 195, 50, 50), cv::Scalar::all(20), cv::FILLED);
	board.portalVisible = true;
	board.portalCorners = {{440, 170}, {440, 270}, {540, 170}, {540, 270}};
	return board;
}

/// The drawing of the hand tests: strokes, a black and a yellow ring.
inline void drawTheDrawing(cv::Mat& picture)
{
	const cv::Scalar black(30, 30, 30);
	cv::line(picture, {180, 120}, {330, 150}, black, 4);
	cv::line(picture, {110, 330}, {300, 360}, black, 4);
	cv::line(picture, {350, 250}, {420, 370}, black, 4);
	cv::circle(picture, {260, 240}, 28, black, 4);
	cv::circle(picture, {150, 190}, 28, cv::Scalar(150, 220, 250), 4);
}

/// The shapes in which a hand shows over the board.
enum class HandShape
{
	WholeFromBelow,    ///< a hand and forearm over the drawing from the bottom edge
	FingertipsBelow,   ///< only fingertips, in at the bottom edge
	ChildFromBelow,    ///< a child's hand and forearm from the bottom edge
	FromTheSide,       ///< a hand and forearm from the left edge
	FromTheTop         ///< a hand and forearm from the top edge
};

inline const char* shapeName(HandShape shape)
{
	switch (shape)
	{
	case HandShape::WholeFromBelow: return "whole hand from below";
	case HandShape::FingertipsBelow: return "fingertips at the bottom edge";
	case HandShape::ChildFromBelow: return "child's hand";
	case HandShape::FromTheSide: return "hand from the side";
	case HandShape::FromTheTop: return "hand from the top";
	}
	return "";
}

/// Masks of a hand in board pixels: the whole hand with its forearm, the
/// lighter ends of its fingers and its nails.
struct HandMasks
{
	cv::Mat whole;
	cv::Mat tips;
	cv::Mat nails;
};

/// An adult's hand has fingers about 23 board pixels wide (a board pixel is
/// about 0.6 mm); a child's is 0.6 of it.
inline HandMasks handMasks(HandShape shape, cv::Size size = cv::Size(640, 480))
{
	cv::Point2f palm(330, 300);
	cv::Point2f up(0, -1);  // towards the fingertips
	float scale = 1.0f;
	switch (shape)
	{
	case HandShape::WholeFromBelow: break;
	case HandShape::FingertipsBelow: palm = {430, 540}; break;
	case HandShape::ChildFromBelow: palm = {300, 360}; scale = 0.6f; break;
	case HandShape::FromTheSide: palm = {190, 250}; up = {1, 0}; break;
	case HandShape::FromTheTop: palm = {300, 150}; up = {0, 1}; break;
	}
	const cv::Point2f side(-up.y, up.x);
	const auto at = [&](float along, float across) {
		const cv::Point2f p = palm + (up * along + side * across) * scale;
		return cv::Point(cvRound(p.x), cvRound(p.y));
	};
	const auto width = [&](float w) { return std::max(1, cvRound(w * scale)); };
	HandMasks masks{cv::Mat::zeros(size, CV_8UC1), cv::Mat::zeros(size, CV_8UC1), cv::Mat::zeros(size, CV_8UC1)};

	cv::line(masks.whole, at(0, 0), at(-600, 0), cv::Scalar(255), width(105));  // the forearm
	const double angle = std::atan2(up.y, up.x) * 180.0 / CV_PI;
	cv::ellipse(masks.whole, at(0, 0), cv::Size(width(62), width(56)), angle, 0, 360, cv::Scalar(255), cv::FILLED);
	cv::line(masks.whole, at(-10, 50), at(45, 95), cv::Scalar(255), width(30));  // the thumb
	const float fingers[4][2] = {{-39, 80}, {-13, 100}, {13, 95}, {39, 75}};   // across, length
	for (const auto& finger : fingers)
	{
		const float across = finger[0];
		const float tip = 50 + finger[1];
		cv::line(masks.whole, at(40, across), at(tip, across), cv::Scalar(255), width(23));
		cv::line(masks.tips, at(tip - 25, across), at(tip, across), cv::Scalar(255), width(23));
		cv::ellipse(masks.nails, at(tip - 6, across), cv::Size(width(8), width(6)), angle, 0, 360, cv::Scalar(255), cv::FILLED);
	}
	masks.tips &= masks.whole;
	masks.nails &= masks.whole;
	return masks;
}

/// Paint a hand of the skin tone `hex` over a board picture lit as a neutral
/// room lights it (paper at paperLevel). The hand casts a soft shadow, is
/// darker at its edges than in its middle, pinker at its fingertips, and its
/// nails are lighter still.
inline void paintHand(cv::Mat& picture, const HandMasks& hand, const std::string& hex)
{
	// The shadow: the hand's outline offset from it, soft, 35 % darker.
	cv::Mat shadow;
	cv::Mat offset = cv::Mat::zeros(hand.whole.size(), CV_8UC1);
	hand.whole(cv::Rect(0, 0, hand.whole.cols - 12, hand.whole.rows - 10))
		.copyTo(offset(cv::Rect(12, 10, hand.whole.cols - 12, hand.whole.rows - 10)));
	cv::GaussianBlur(offset, shadow, cv::Size(0, 0), 7.0);
	// Shading: the edge 30 % darker, reaching full brightness 12 pixels in.
	cv::Mat inside;
	cv::distanceTransform(hand.whole, inside, cv::DIST_L2, 3);
	const cv::Vec3d skin = swatchColour(hex);
	// Fingertips are a little pinker, and lighter unless the skin is already pale.
	const cv::Vec3d tip = 0.7 * skin + 0.3 * cv::Vec3d(175, 180, 225);
	const cv::Vec3d nail = 0.5 * skin + 0.5 * cv::Vec3d(205, 210, 235);
	for (int y = 0; y < picture.rows; ++y)
	{
		cv::Vec3b* out = picture.ptr<cv::Vec3b>(y);
		for (int x = 0; x < picture.cols; ++x)
		{
			cv::Vec3d c;
			if (hand.whole.at<unsigned char>(y, x) == 0)
			{
				c = cv::Vec3d(out[x]) * (1.0 - 0.35 * shadow.at<unsigned char>(y, x) / 255.0);
			}
			else if (hand.nails.at<unsigned char>(y, x) != 0)
			{
				c = nail;
			}
			else
			{
				const double shade = 0.7 + 0.3 * std::min(1.0, inside.at<float>(y, x) / 12.0);
				c = (hand.tips.at<unsigned char>(y, x) != 0 ? tip : skin) * shade;
			}
			out[x] = cv::Vec3b(cv::saturate_cast<uchar>(c[0]), cv::saturate_cast<uchar>(c[1]), cv::saturate_cast<uchar>(c[2]));
		}
	}
}

/// The rooms the hand tests light the board in.
struct HandRoom
{
	const char* name;
	Photography photography;
};

inline std::vector<HandRoom> handRooms()
{
	Photography bright;
	bright.light.cast = colourTemperatureCast(5500.0);
	bright.light.exposure = 1.13;
	bright.light.gradient = 0.2;
	bright.light.gradientAngle = 120.0;
	bright.jpegQuality = 70;
	Photography dim;
	dim.light.exposure = 0.45;
	dim.light.vignetting = 0.3;
	dim.noise = 4.0;
	dim.blur = 1.0;
	dim.jpegQuality = 70;
	Photography tungsten;
	tungsten.light.cast = colourTemperatureCast(2700.0);
	tungsten.light.exposure = 0.94;
	tungsten.light.vignetting = 0.25;
	tungsten.noise = 3.0;
	tungsten.jpegQuality = 80;
	Photography warm;
	warm.light.cast = colourTemperatureCast(3000.0);
	warm.light.exposure = 0.6;
	warm.light.gradient = 0.2;
	warm.light.vignetting = 0.25;
	warm.noise = 3.0;
	warm.jpegQuality = 80;
	Photography cool;
	cool.light.cast = colourTemperatureCast(7500.0);
	cool.light.exposure = 0.94;
	cool.light.gradient = 0.1;
	cool.light.gradientAngle = 90.0;
	cool.jpegQuality = 85;
	return {{"neutral", Photography()}, {"bright", bright}, {"dim", dim}, {"tungsten", tungsten}, {"warm dim", warm},
		{"cool", cool}};
}

/// Light a board picture as the room does and take it with the webcam's
/// blur, noise and compression; the grey picture follows.
inline void photographBoard(RectifiedBoard& board, const Photography& photography)
{
	cv::Mat x(board.colour.size(), CV_32F);
	cv::Mat y(board.colour.size(), CV_32F);
	for (int row = 0; row < x.rows; ++row)
	{
		for (int col = 0; col < x.cols; ++col)
		{
			x.at<float>(row, col) = float(col);
			y.at<float>(row, col) = float(row);
		}
	}
	lightSheet(board.colour, x, y, board.colour.size(), photography.light);
	developFrame(board.colour, photography);
	cv::cvtColor(board.colour, board.grey, cv::COLOR_BGR2GRAY);
}

/// The drawn board of the hand tests in a room, as the rescan reads it.
inline RectifiedBoard drawnBoard(const Photography& room, const HandMasks* hand = nullptr, const char* skin = nullptr)
{
	RectifiedBoard board = paperBoard();
	drawTheDrawing(board.colour);
	if (hand != nullptr)
	{
		paintHand(board.colour, *hand, skin);
	}
	photographBoard(board, room);
	return board;
}

/// Light a picture with a second light over it: `light` (per channel, B G R)
/// times `strength` (0 to 1, a pixel's place in it) added to the room's.
inline void addLight(cv::Mat& picture, const cv::Vec3d& light, const cv::Mat& strength)
{
	for (int y = 0; y < picture.rows; ++y)
	{
		for (int x = 0; x < picture.cols; ++x)
		{
			const double s = strength.at<float>(y, x);
			cv::Vec3b& p = picture.at<cv::Vec3b>(y, x);
			for (int k = 0; k < 3; ++k)
			{
				p[k] = cv::saturate_cast<uchar>(p[k] * ((1.0 - s) + s * light[k]));
			}
		}
	}
}

/// Words as a test's name: "warm dim" is WarmDim, "child's hand" ChildsHand.
inline std::string testNameOf(const std::string& words)
{
	std::string id;
	bool upper = true;
	for (const char c : words)
	{
		if (!std::isalnum(static_cast<unsigned char>(c)))
		{
			upper = upper || c == ' ';
			continue;
		}
		id += upper ? char(std::toupper(static_cast<unsigned char>(c))) : c;
		upper = false;
	}
	return id;
}
