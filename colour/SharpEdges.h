#pragma once

#include <opencv2/core.hpp>

/// How a thing lying on the board is told from a change of the light: a
/// thing ends sharply, the camera blurring its edge over a board pixel or
/// two, while light changes over a soft edge of 15 board pixels and more.
/// Read on a picture at half the board's size, a sharp edge changes within
/// the near square round its places, and a soft one brings less than half of
/// its change into that square while the wide square holds all of it.

/// Sides of the near and the wide square, in places of a half-size picture.
constexpr int sharpEdgeNear = 3;
constexpr int sharpEdgeWide = 9;
/// A sharp edge brings at least this share of the wide square's range into the near one.
constexpr double sharpEdgeShare = 0.6;

/// The range of `picture` (8-bit, one channel or three) over the square of
/// `side` places round each place; of three channels, their ranges summed
/// (at most 255).
cv::Mat rangeOver(const cv::Mat& picture, int side);

/// 255 where `nearRange` (a picture's rangeOver sharpEdgeNear) is at least
/// sharpEdgeShare of `wideRange` (its rangeOver sharpEdgeWide): the change
/// there is a thing's edge, not the light's. How large a change must be to
/// count at all is the caller's.
cv::Mat sharperThanLight(const cv::Mat& nearRange, const cv::Mat& wideRange);
