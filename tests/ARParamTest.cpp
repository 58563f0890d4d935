#include "ScratchFiles.h"
#include "markers/ARParam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace
{

/// Big-endian bytes written out by hand, the way any tracker tool writes them.
void putBigEndian(std::vector<unsigned char>& bytes, const void* value, size_t size)
{
	unsigned char raw[8];
	std::memcpy(raw, value, size);
	const uint16_t probe = 1;
	const bool little = *reinterpret_cast<const unsigned char*>(&probe) == 1;
	for (size_t i = 0; i < size; ++i)
	{
		bytes.push_back(raw[little ? size - 1 - i : i]);
	}
}

std::vector<unsigned char> parameterBytes(int32_t xsize, int32_t ysize, const double mat[12], const double dist[4])
{
	std::vector<unsigned char> bytes;
	putBigEndian(bytes, &xsize, 4);
	putBigEndian(bytes, &ysize, 4);
	for (int i = 0; i < 12; ++i)
	{
		putBigEndian(bytes, &mat[i], 8);
	}
	for (int i = 0; i < 4; ++i)
	{
		putBigEndian(bytes, &dist[i], 8);
	}
	return bytes;
}

std::string writeFile(const std::string& name, const std::vector<unsigned char>& bytes)
{
	const std::string path = scratchPath(name);
	std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
	return path;
}

const double sampleMat[12] = {700.9, 0.0, 316.5, 0.0, 0.0, 726.1, 241.5, 0.0, 0.0, 0.0, 1.0, 0.0};
const double sampleDist[4] = {318.5, 263.5, 26.2, 1.0127};

TEST(ARParam, BigEndianFileWithDistortionLoads)
{
	const std::string path = writeFile("camera_be.dat", parameterBytes(640, 480, sampleMat, sampleDist));
	ARParam param;
	ASSERT_EQ(arParamLoad(path.c_str(), 1, &param), 0);
	EXPECT_EQ(param.xsize, 640);
	EXPECT_EQ(param.ysize, 480);
	EXPECT_EQ(param.mat[0][0], 700.9);
	EXPECT_EQ(param.mat[1][2], 241.5);
	EXPECT_EQ(param.mat[2][2], 1.0);
	for (int i = 0; i < 4; ++i)
	{
		EXPECT_EQ(param.dist_factor[i], sampleDist[i]);
	}
	// What we write reads back the same.
	const std::string copy = scratchPath("camera_copy.dat");
	ASSERT_EQ(arParamSave(copy.c_str(), 1, &param), 0);
	ARParam again;
	ASSERT_EQ(arParamLoad(copy.c_str(), 1, &again), 0);
	EXPECT_EQ(std::memcmp(&param.mat, &again.mat, sizeof param.mat), 0);
}

TEST(ARParam, ShippedCameraIsA640By480Webcam)
{
	ARParam param;
	ASSERT_EQ(arParamLoad("Data/camera_para.dat", 1, &param), 0);
	EXPECT_EQ(param.xsize, 640);
	EXPECT_EQ(param.ysize, 480);
	EXPECT_NEAR(param.mat[0][2], 320.0, 10.0);
	EXPECT_NEAR(param.mat[1][2], 240.0, 10.0);
	EXPECT_GT(param.dist_factor[2], 0.0);  // some barrel distortion
}

TEST(ARParam, ChangeSizeScalesByTheWidthRatio)
{
	const std::string path = writeFile("camera_scale.dat", parameterBytes(640, 480, sampleMat, sampleDist));
	ARParam loaded, half;
	ASSERT_EQ(arParamLoad(path.c_str(), 1, &loaded), 0);
	ASSERT_EQ(arParamChangeSize(&loaded, 320, 240, &half), 0);
	EXPECT_EQ(half.xsize, 320);
	EXPECT_EQ(half.ysize, 240);
	for (int col = 0; col < 4; ++col)
	{
		EXPECT_DOUBLE_EQ(half.mat[0][col], loaded.mat[0][col] / 2.0);
		EXPECT_DOUBLE_EQ(half.mat[1][col], loaded.mat[1][col] / 2.0);
		EXPECT_DOUBLE_EQ(half.mat[2][col], loaded.mat[2][col]);
	}
	EXPECT_DOUBLE_EQ(half.dist_factor[0], 318.5 / 2.0);
	EXPECT_DOUBLE_EQ(half.dist_factor[1], 263.5 / 2.0);
	EXPECT_DOUBLE_EQ(half.dist_factor[2], 26.2 * 4.0);
	EXPECT_DOUBLE_EQ(half.dist_factor[3], 1.0127);
	// In place, as callers sometimes do, and to a size that is not positive.
	ASSERT_EQ(arParamChangeSize(&loaded, 1280, 960, &loaded), 0);
	EXPECT_DOUBLE_EQ(loaded.mat[0][0], 700.9 * 2.0);
	EXPECT_EQ(arParamChangeSize(&loaded, 0, 480, &half), -1);
}

TEST(ARParam, UnusableFilesAreRefused)
{
	std::vector<unsigned char> good = parameterBytes(640, 480, sampleMat, sampleDist);
	ARParam param;
	EXPECT_EQ(arParamLoad((testing::TempDir() + "no_such_camera.dat").c_str(), 1, &param), -1);
	EXPECT_EQ(arParamLoad(writeFile("empty.dat", {}).c_str(), 1, &param), -1);
	EXPECT_EQ(arParamLoad(writeFile("short.dat", std::vector<unsigned char>(good.begin(), good.end() - 1)).c_str(), 1, &param), -1);
	EXPECT_EQ(arParamLoad(writeFile("one.dat", good).c_str(), 2, &param), -1);  // two sets asked, one there
	// Little-endian sizes read as huge or negative numbers.
	std::vector<unsigned char> swapped = good;
	std::swap(swapped[0], swapped[3]);
	std::swap(swapped[1], swapped[2]);
	EXPECT_EQ(arParamLoad(writeFile("swapped.dat", swapped).c_str(), 1, &param), -1);
	double nanMat[12];
	std::memcpy(nanMat, sampleMat, sizeof nanMat);
	nanMat[3] = std::nan("");
	EXPECT_EQ(arParamLoad(writeFile("nan.dat", parameterBytes(640, 480, nanMat, sampleDist)).c_str(), 1, &param), -1);
	// Bytes after the set are ignored.
	good.push_back(0);
	EXPECT_EQ(arParamLoad(writeFile("long.dat", good).c_str(), 1, &param), 0);
}

TEST(ARParam, DistortionPullsTowardTheCentreAndInverts)
{
	double ox, oy, ix, iy;
	arParamIdeal2Observ(sampleDist, 318.5, 263.5, &ox, &oy);
	EXPECT_DOUBLE_EQ(ox, 318.5);
	EXPECT_DOUBLE_EQ(oy, 263.5);
	for (const auto& ideal : {std::pair{0.0, 0.0}, std::pair{639.0, 479.0}, std::pair{100.0, 400.0}, std::pair{330.0, 250.0}})
	{
		arParamIdeal2Observ(sampleDist, ideal.first, ideal.second, &ox, &oy);
		EXPECT_LT(std::hypot(ox - 318.5, oy - 263.5), 1.0127 * std::hypot(ideal.first - 318.5, ideal.second - 263.5) + 1e-9);
		arParamObserv2Ideal(sampleDist, ox, oy, &ix, &iy);
		EXPECT_NEAR(ix, ideal.first, 1e-6);
		EXPECT_NEAR(iy, ideal.second, 1e-6);
	}
}

}  // namespace
