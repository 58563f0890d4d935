#include "markers/ARParam.h"
#include "scenes/Photographer.h"
#include "scenes/SyntheticBoardCamera.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <functional>
#include <string>
#include <vector>

namespace
{

ARParam testCamera()
{
	ARParam camera;
	EXPECT_EQ(arParamLoad("Data/camera_para.dat", 1, &camera), 0);
	return camera;
}

/// A sheet with a pattern that shows where each sample lands: any change of
/// place, lens or scale moves it in the frame.
SheetImage patternSheet(double pixelsPerMm, cv::Size size = cv::Size(1200, 900))
{
	SheetImage sheet;
	sheet.pixelsPerMm = pixelsPerMm;
	sheet.image.create(size, CV_8UC3);
	for (int row = 0; row < size.height; ++row)
	{
		for (int col = 0; col < size.width; ++col)
		{
			sheet.image.at<cv::Vec3b>(row, col) = cv::Vec3b(uchar(col * 7), uchar(row * 5), uchar((col + row) * 3));
		}
	}
	return sheet;
}

struct Place
{
	ARParam camera;
	CameraPose pose;
	SheetImage sheet;
};

cv::Mat photographAt(const Place& place)
{
	const Photographer photographer(place.camera, place.pose, place.sheet, cv::Matx33d::eye(), Photography(), false);
	return photographer.photograph(place.sheet.image);
}

double differingPixels(const cv::Mat& a, const cv::Mat& b)
{
	cv::Mat difference;
	cv::absdiff(a, b, difference);
	return cv::countNonZero(difference.reshape(1)) / double(difference.total() * difference.channels());
}

}  // namespace

// The sample maps of a place are kept and shared between photographers: a
// photographer of a place taken again gives the same frame, and one of a
// place differing in any one thing the maps depend on never takes the kept
// maps of another place.
TEST(Photographer, APlaceTakenAgainGivesTheSameFrameAndEveryOtherPlaceItsOwn)
{
	const Place base{testCamera(), viewOfBoard(500.0, 10.0, 5.0), patternSheet(3.0)};
	const cv::Mat first = photographAt(base);
	ASSERT_FALSE(first.empty());

	std::vector<std::pair<std::string, std::function<void(Place&)>>> changes = {
		{"lens", [](Place& p) { p.camera.dist_factor[2] *= 1.5; }},
		{"lens centre", [](Place& p) { p.camera.dist_factor[0] += 4.0; }},
		{"lens scale", [](Place& p) { p.camera.dist_factor[3] *= 1.02; }},
		{"focal length", [](Place& p) { p.camera.mat[0][0] *= 1.05; }},
		{"principal point", [](Place& p) { p.camera.mat[1][2] += 5.0; }},
		{"sheet scale", [](Place& p) { p.sheet = patternSheet(3.3); }},
		{"sheet size", [](Place& p) { p.sheet = patternSheet(3.0, cv::Size(1260, 900)); }},
	};
	// The pose turned about each axis and moved along each alone.
	for (int axis = 0; axis < 3; ++axis)
	{
		changes.emplace_back("turned " + std::to_string(axis), [axis](Place& p) { p.pose.rotation[axis] += 0.01; });
		changes.emplace_back("moved " + std::to_string(axis), [axis](Place& p) { p.pose.translation[axis] += 5.0; });
	}
	for (const auto& [name, change] : changes)
	{
		Place other = base;
		change(other);
		// Made twice, the second time from the kept maps: the same frame.
		const cv::Mat fresh = photographAt(other);
		const cv::Mat again = photographAt(other);
		EXPECT_EQ(differingPixels(fresh, again), 0.0) << name;
		EXPECT_GT(differingPixels(fresh, first), 0.01) << name << ": took the maps of another place";
	}
	// Back at the first place, after more places than are kept.
	EXPECT_EQ(differingPixels(photographAt(base), first), 0.0);
}
