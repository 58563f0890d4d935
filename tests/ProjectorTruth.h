#pragma once

#include "core/FixedValues.h"
#include "core/Homography.h"
#include "scenes/SimulatedProjector.h"

#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>

/// How far a camera-to-projector map truly is off over the board, measured
/// against where the simulated projector's light lands: for points of the
/// board every 10 board pixels that the projector lights, the projector pixel
/// the map picks against the one that lights the point, and where that pixel's
/// light lands on the board against the point, in millimetres.
struct TrueMapError
{
	double rmsPixels = 0.0;
	double largestPixels = 0.0;
	double rmsMm = 0.0;
	double largestMm = 0.0;
	int points = 0;
};

inline TrueMapError trueMapError(const cv::Matx33d& cameraToProjector, const SimulatedProjector& projector,
	const CameraView& view, const cv::Matx33d& boardToMm)
{
	const cv::Matx33d& mmToProjector = projector.planeToProjector();
	const cv::Matx33d projectorToMm = mmToProjector.inv();
	const cv::Matx33d mmToIdeal =
		projector.idealCameraToProjector(viewOfBoard(view.distance, view.tilt, view.turn, view.target)).inv()
		* mmToProjector;
	const cv::Size picture = projector.placement().size;
	TrueMapError error;
	double squares = 0.0;
	double squaresMm = 0.0;
	for (int y = 0; y <= boardHeight; y += 10)
	{
		for (int x = 0; x <= boardWidth; x += 10)
		{
			const cv::Point2d mm = applyHomography(boardToMm, cv::Point2d(std::min(x, boardWidth - 1), std::min(y, boardHeight - 1)));
			const cv::Point2d lighting = applyHomography(mmToProjector, mm);
			if (lighting.x < 0.0 || lighting.y < 0.0 || lighting.x > picture.width - 1.0 || lighting.y > picture.height - 1.0)
			{
				continue;
			}
			const cv::Point2d picked = applyHomography(cameraToProjector, applyHomography(mmToIdeal, mm));
			const double miss = cv::norm(picked - lighting);
			const double missMm = cv::norm(applyHomography(projectorToMm, picked) - mm);
			squares += miss * miss;
			squaresMm += missMm * missMm;
			error.largestPixels = std::max(error.largestPixels, miss);
			error.largestMm = std::max(error.largestMm, missMm);
			error.points += 1;
		}
	}
	if (error.points > 0)
	{
		error.rmsPixels = std::sqrt(squares / error.points);
		error.rmsMm = std::sqrt(squaresMm / error.points);
	}
	return error;
}
