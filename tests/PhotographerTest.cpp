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

/// The shipped camera at a quarter of its size: a photographer works out a
/// lens inversion for each of its samples.
ARParam testCamera()
{
	ARParam shipped, camera;
	EXPECT_EQ(arParamLoad("Data/camera_para.dat", 1, &shipped), 0);
	arParamChangeSize(&shipped, shipped.xsize / 4, shipped.ysize / 4, &camera);
	return camera;
}

/// A sheet of random colours, larger than the camera sees: any change of
/// place, lens or scale moves what each sample sees.
SheetImage patternSheet(double pixelsPerMm)
{
	SheetImage sheet;
	sheet.pixelsPerMm = pixelsPerMm;
	sheet.image.create(2400, 3000, CV_8UC3);
	cv::RNG(7).fill(sheet.image, cv::RNG::UNIFORM, 0, 256);
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
		// The same sheet picture, wider or taller: the maps from the first would see it alike.
		{"sheet width", [](Place& p) { cv::copyMakeBorder(p.sheet.image, p.sheet.image, 0, 0, 0, 60, cv::BORDER_REFLECT); }},
		{"sheet height", [](Place& p) { cv::copyMakeBorder(p.sheet.image, p.sheet.image, 0, 60, 0, 0, cv::BORDER_REFLECT); }},
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
		// The first place's maps kept the latest, then the other place made
		// twice, the second time from its own kept maps: the same frame.
		EXPECT_EQ(differingPixels(photographAt(base), first), 0.0) << name;
		const cv::Mat fresh = photographAt(other);
		const cv::Mat again = photographAt(other);
		EXPECT_EQ(differingPixels(fresh, again), 0.0) << name;
		EXPECT_GT(differingPixels(fresh, first), 0.01) << name << ": took the maps of another place";
	}
}
