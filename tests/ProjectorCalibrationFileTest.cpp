#include "ScratchFiles.h"

#include "calibration/ProjectorCalibration.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>

namespace
{

/// A strongly keystoned projector: ideal camera pixels to projector pixels.
const cv::Matx33d keystoned(1.9, 0.35, 40.0, -0.12, 2.2, 15.0, 0.0002, 0.0009, 1.0);

/// A calibration as an accepted measurement leaves it.
ProjectorCalibration acceptedCalibration()
{
	ProjectorCalibration c;
	c.projectorSize = cv::Size(1280, 800);
	c.cameraSize = cv::Size(640, 480);
	c.cameraToProjector = keystoned;
	c.latencyPasses = 3;
	c.rmsPixels = 0.42;
	c.largestPixels = 0.95;
	c.rmsMm = 0.15;
	c.largestMm = 0.33;
	c.cornersFound = 31;
	c.cornersUsed = 29;
	c.cameraParameters = "fnv1a64 0123456789abcdef, 136 bytes";
	c.paperLight = cv::Vec3d(60.0, 95.0, 130.0);
	return c;
}

std::string fileText(const std::string& path)
{
	std::ifstream in(path);
	return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// The text with the line of `key` left out.
std::string withoutLine(const std::string& text, const std::string& key)
{
	const size_t at = text.find("\n" + key + ":");
	return at == std::string::npos ? text : text.substr(0, at) + text.substr(text.find('\n', at + 1));
}

TEST(ProjectorCalibration, FileKeepsTheCalibrationAndBadFilesAreNamed)
{
	const ProjectorCalibration written = acceptedCalibration();
	const std::string path = scratchPath("projector.yml");
	std::string error;
	ASSERT_TRUE(saveProjectorCalibration(path, written, error)) << error;
	ProjectorCalibration read;
	ASSERT_TRUE(loadProjectorCalibration(path, read, error)) << error;
	EXPECT_EQ(read.projectorSize, written.projectorSize);
	EXPECT_EQ(read.cameraSize, written.cameraSize);
	EXPECT_LT(cv::norm(cv::Mat(read.cameraToProjector), cv::Mat(keystoned)), 1e-9);
	EXPECT_EQ(read.latencyPasses, 3);
	EXPECT_EQ(read.cornersUsed, 29);
	EXPECT_EQ(read.largestPixels, 0.95);
	EXPECT_EQ(read.largestMm, 0.33);
	EXPECT_EQ(read.cameraParameters, written.cameraParameters);
	EXPECT_EQ(read.paperLight, written.paperLight);
	EXPECT_FALSE(read.mirrored);
	const std::string good = fileText(path);

	// Measured through a mirror: the map turns the board over, and the file says so.
	const cv::Matx33d flipX(-1.0, 0.0, 1279.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0);
	ProjectorCalibration mirror = written;
	mirror.cameraToProjector = flipX * keystoned;
	mirror.mirrored = true;
	ASSERT_TRUE(saveProjectorCalibration(path, mirror, error)) << error;
	ASSERT_TRUE(loadProjectorCalibration(path, read, error)) << error;
	EXPECT_TRUE(read.mirrored);

	// A file refused names itself and its cause; each is one change to an
	// accepted calibration, written as the program writes it, or to its text.
	struct Bad
	{
		const char* what;
		std::function<void(ProjectorCalibration&)> change;
		std::string text;
		const char* reason;
	};
	const auto same = [](ProjectorCalibration&) {};
	const Bad bad[] = {
		{"no file format", same, "nothing at all {{{", "cannot"},
		{"a map that cannot be inverted", [](ProjectorCalibration& c) { c.cameraToProjector = cv::Matx33d::diag(cv::Vec3d(1, 1, 0)); }, "", "cannot be inverted"},
		{"latency", [](ProjectorCalibration& c) { c.latencyPasses = -4; }, "", "latencyPasses"},
		{"no picture", [](ProjectorCalibration& c) { c.projectorSize.width = 0; }, "", "positive"},
		{"an error of 1e9 pixels", [](ProjectorCalibration& c) { c.largestPixels = 1e9; }, "", "1000000000.00 at most, which no calibration accepted has"},
		{"pixels above the limit, the board not found", [](ProjectorCalibration& c) { c.largestPixels = 2.5; c.rmsMm = c.largestMm = -1.0; }, "", "2.50 at most"},
		{"a negative error", [](ProjectorCalibration& c) { c.rmsPixels = -0.4; }, "", "-0.40 projector pixels RMS"},
		{"an RMS above its largest", [](ProjectorCalibration& c) { c.rmsPixels = 1.5; }, "", "1.50 projector pixels RMS, 0.95 at most"},
		{"millimetres above the limit", [](ProjectorCalibration& c) { c.largestMm = 7.5; }, "", "7.50 mm at most"},
		{"-3 corners", [](ProjectorCalibration& c) { c.cornersUsed = -3; }, "", "cornersUsed -3 of cornersFound 31"},
		{"too few corners", [](ProjectorCalibration& c) { c.cornersUsed = c.cornersFound = 8; }, "", "at least 12"},
		{"corners most of which disagreed", [](ProjectorCalibration& c) { c.cornersFound = 80; }, "", "cornersUsed 29 of cornersFound 80"},
		{"more corners used than found", [](ProjectorCalibration& c) { c.cornersFound = 20; }, "", "cornersUsed 29 of cornersFound 20"},
		{"paper light beyond white", [](ProjectorCalibration& c) { c.paperLight[2] = 300.0; }, "", "paperLight must be above 0 and at most 255"},
		{"no paper light in one channel", [](ProjectorCalibration& c) { c.paperLight[1] = 0.0; }, "", "paperLight must be above 0"},
		{"a mirrored map", [&](ProjectorCalibration& c) { c.cameraToProjector = flipX * keystoned; }, "", "turns the board over"},
		{"a map turned over by its sign", [](ProjectorCalibration& c) { c.cameraToProjector = keystoned * cv::Matx33d::diag(cv::Vec3d(1, -1, 1)); }, "", "turns the board over"},
		{"a mirror the map does not show", [](ProjectorCalibration& c) { c.mirrored = true; }, "", "says the map is mirrored"},
		{"no camera parameters", same, withoutLine(good, "cameraParameters"), "no cameraParameters"},
		{"no largest error", same, withoutLine(good, "largestProjectorPixels"), "no largestProjectorPixels"},
	};
	for (const Bad& b : bad)
	{
		ProjectorCalibration changed = written;
		b.change(changed);
		ASSERT_TRUE(saveProjectorCalibration(path, changed, error)) << error;
		if (!b.text.empty())
		{
			std::ofstream(path) << b.text;
		}
		error.clear();
		EXPECT_FALSE(loadProjectorCalibration(path, read, error)) << b.what;
		EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
		EXPECT_NE(error.find(b.reason), std::string::npos) << b.what << " gave " << error;
		EXPECT_EQ(error.find('\n'), std::string::npos) << error;
	}
	// A map scaled by -1 is the same map.
	ProjectorCalibration negated = written;
	negated.cameraToProjector = keystoned * -1.0;
	ASSERT_TRUE(saveProjectorCalibration(path, negated, error)) << error;
	EXPECT_TRUE(loadProjectorCalibration(path, read, error)) << error;

	EXPECT_FALSE(loadProjectorCalibration(scratchPath("none.yml"), read, error));
	EXPECT_FALSE(saveProjectorCalibration(scratchPath("no/such/folder/p.yml"), written, error));
}

TEST(ProjectorCalibration, CameraParametersAreRecordedByTheirBytes)
{
	const std::string path = scratchPath("camera_para.dat");
	std::ofstream(path, std::ios::binary) << std::string("\0\0\2\x80 some bytes", 15);
	const std::string first = cameraParametersRecord(path);
	EXPECT_NE(first.find("15 bytes"), std::string::npos) << first;
	EXPECT_EQ(cameraParametersRecord(path), first);
	// One bit changed anywhere is another record.
	std::ofstream(path, std::ios::binary) << std::string("\0\0\2\x81 some bytes", 15);
	EXPECT_NE(cameraParametersRecord(path), first);
	EXPECT_EQ(cameraParametersRecord(scratchPath("no such file")), "");
}

}  // namespace
