#include "AnalysisTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace
{

constexpr double pi = 3.141592653589793;

std::vector<double> components(const ShapeDescriptor& d)
{
	return std::vector<double>(d.begin<double>(), d.end<double>());
}

ShapeDescriptor atCentroid(double x, double y, double others = 0.0)
{
	ShapeDescriptor d(10, 1, CV_64F, cv::Scalar(others));
	d.at<double>(0) = x;
	d.at<double>(1) = y;
	return d;
}

TEST(ShapeDescriptor, EmptyOnePointAndSquare)
{
	EXPECT_EQ(components(computeDescriptor({})), std::vector<double>(10, 0.0));
	EXPECT_EQ(components(computeDescriptor({{5, 7}})), (std::vector<double>{5, 7, 0, 0, 0, 0, 0, 0, 0, 0}));
	// Turns 0, -pi/2, -pi/2; the closing side is not counted.
	const std::vector<double> expected = {5, 5, pi, 30, pi, -3 * pi / 4, pi, 0, 5 * std::sqrt(2.0), 0};
	const std::vector<double> square = components(computeDescriptor({{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
	for (int i = 0; i < 10; ++i)
	{
		EXPECT_NEAR(square[i], expected[i], 1e-12) << "component " << i;
	}
	// The first segment turns against the +x axis.
	EXPECT_NEAR(computeDescriptor({{0, 0}, {0, 10}}).at<double>(2), pi / 2, 1e-12);
}

TEST(ShapeDescriptor, WrapAngle)
{
	EXPECT_DOUBLE_EQ(wrapAngle(pi), -pi);
	EXPECT_DOUBLE_EQ(wrapAngle(-pi), -pi);
	EXPECT_DOUBLE_EQ(wrapAngle(3 * pi / 2), -pi / 2);
	EXPECT_DOUBLE_EQ(wrapAngle(-3 * pi / 2), pi / 2);
	EXPECT_NEAR(wrapAngle(7 * pi + 0.25), -pi + 0.25, 1e-12);
}

TEST(ShapeDescriptor, DistancesWithEachExponentSet)
{
	const ShapeDescriptor diff = atCentroid(3, 4, 100.0);
	EXPECT_DOUBLE_EQ(descriptorDistance(diff, duplicateExponents), 5.0);  // whatever the other components
	EXPECT_DOUBLE_EQ(descriptorDistance(diff, sameMapExponents), 2.5);
	ShapeDescriptor shape = atCentroid(1000, -700);
	shape.at<double>(3) = 16.0;  // length, 2^-4
	shape.at<double>(5) = 1.0;   // direction, 2^0
	EXPECT_DOUBLE_EQ(descriptorDistance(shape, blackTemplateExponents), std::sqrt(2.0));
	int weights[descriptorSize] = {1, 1, 1, 3, 1, 1, 1, 1, 1, 1};
	EXPECT_DOUBLE_EQ(descriptorDistance(shape, blackTemplateExponents, weights), std::sqrt(10.0));
}

TEST(ShapeDescriptor, NearestKeepsTheFirstOfEqualsAndSkipsNaN)
{
	const DescriptorExponents& pixels = duplicateExponents;
	const ShapeDescriptor query = atCentroid(0, 0);
	int index = 7;
	EXPECT_EQ(nearestDescriptor(query, {}, pixels, index), 10000.0f);
	EXPECT_EQ(index, -1);
	const std::vector<ShapeDescriptor> candidates = {atCentroid(NAN, 0), atCentroid(0, 4), atCentroid(4, 0)};
	EXPECT_EQ(nearestDescriptor(query, candidates, pixels, index), 4.0f);
	EXPECT_EQ(index, 1);
	EXPECT_EQ(nearestDescriptor(query, {candidates[0]}, pixels, index), 10000.0f);
	EXPECT_EQ(index, -1);
	// The first measurable candidate counts even beyond 10000.
	EXPECT_EQ(nearestDescriptor(query, {atCentroid(0, 30000)}, pixels, index), 30000.0f);

	const ShapeRecord somewhere;
	const ShapeRecord* nearest = &somewhere;
	EXPECT_EQ(nearestRecord({}, query, pixels, nearest), 10000.0f);
	EXPECT_EQ(nearest, nullptr);
	const std::vector<ShapeRecord> records = {{{}, atCentroid(0, 6), nullptr}, {{}, atCentroid(6, 0), nullptr}};
	EXPECT_EQ(nearestRecord(records, query, pixels, nearest), 6.0f);
	EXPECT_EQ(nearest, &records[0]);
}

std::string writeFile(const std::string& name, const std::string& text)
{
	const std::string path = scratchPath(name);
	std::FILE* file = std::fopen(path.c_str(), "w");
	std::fputs(text.c_str(), file);
	std::fclose(file);
	return path;
}

TEST(TemplateFile, ReadsPointsAndBadFilesGiveOneLineAndNoPoints)
{
	EXPECT_EQ(loadTemplatePoints(writeFile("drawtable_t_ok.txt", "3\n10 20\n 30\t40 50 60\n")),
		(std::vector<cv::Point>{{10, 20}, {30, 40}, {50, 60}}));
	EXPECT_TRUE(loadTemplatePoints(writeFile("drawtable_t_none.txt", "-4 1 2\n")).empty());

	const std::string bad[] = {::testing::TempDir() + "drawtable_t_missing.txt",
		writeFile("drawtable_t_short.txt", "5\n1 2\n3 4\n"), writeFile("drawtable_t_huge.txt", "2000000000\n1 2\n"),
		writeFile("drawtable_t_text.txt", "circle\n"), writeFile("drawtable_t_bad.txt", "2\n1 2\n3 x\n")};
	for (const std::string& path : bad)
	{
		::testing::internal::CaptureStderr();
		EXPECT_TRUE(loadTemplatePoints(path).empty()) << path;
		const std::string message = ::testing::internal::GetCapturedStderr();
		EXPECT_EQ(message.find(path + ":"), 0u) << message;
		EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
	}
	// A text file's message names the line at fault too.
	::testing::internal::CaptureStderr();
	loadTemplatePoints(bad[4]);
	EXPECT_EQ(::testing::internal::GetCapturedStderr().find(bad[4] + ":3: point 2 of 2"), 0u);
	::testing::internal::CaptureStderr();
	loadTemplatePoints(bad[1]);
	EXPECT_EQ(::testing::internal::GetCapturedStderr().find(bad[1] + ":4: point 3 of 5"), 0u);
}

}  // namespace
