#pragma once

#include "render/ProjectedShapes.h"

#include <opencv2/core.hpp>

#include <vector>

/// The picture of the "projector" window: black, which projects no light,
/// with shapes given in board pixels drawn through the board-to-projector map.
/// A new drawing clears only what the last one lit, not the whole picture.
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

	const cv::Mat& picture() const { return image; }
	/// True when the picture is black: the projector gives no light.
	bool isDark() const { return litAreas.empty() && !wholeLit; }

private:
	cv::Mat image;
	/// Every area the last drawing may have lit.
	std::vector<cv::Rect> litAreas;
	bool wholeLit = false;
};

