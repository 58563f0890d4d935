#pragma once

#include "render/ProjectedShapes.h"

#include <opencv2/core.hpp>

#include <vector>

/// The picture of the "projector" window: black, which projects no light,
/// with shapes given in board pixels drawn through the board-to-projector map.
/// A new drawing clears only what the last one in its buffer lit, not the
/// whole picture. A picture handed out is never drawn into while anyone else
/// holds it (a display keeping what it shows): the next drawing goes to a
/// second buffer, so nobody needs to copy the picture to keep it.
class ProjectorCanvas
{
public:
	explicit ProjectorCanvas(cv::Size size);

	/// Black, then the shapes. A shape with a point behind the projector is left out.
	void draw(const std::vector<ProjectedShape>& shapes, const cv::Matx33d& boardToProjector);
	/// Black everywhere.
	void darken();
	/// A whole picture instead (the calibration pattern), fitted to the size.
	void showPicture(const cv::Mat& picture);

	const cv::Mat& picture() const { return buffers[current].image; }
	/// True when the picture is black: the projector gives no light.
	bool isDark() const { return buffers[current].litAreas.empty() && !buffers[current].wholeLit; }

private:
	struct Buffer
	{
		cv::Mat image;
		/// Every area its last drawing may have lit.
		std::vector<cv::Rect> litAreas;
		bool wholeLit = false;
	};

	/// A black buffer nobody else holds, made the current one.
	Buffer& blackBuffer();

	cv::Size size;
	Buffer buffers[2];
	int current = 0;
};
