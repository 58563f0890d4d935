#include "AnalysisTestSupport.h"
#include "analysis/TemplateFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace
{

constexpr double pi = 3.141592653589793;

std::vector<double> components(const ShapeDescriptor& d)
{
	EXPECT_EQ(d.rows, 10);
	EXPECT_EQ(d.cols, 1);
	EXPECT_EQ(d.type(), CV_64F);
	return std::vector<double>(d.begin<double>(), d.end<double>());
}

ShapeDescriptor descriptorWithCentroid(double x, double y, double filler = 0.0)
{
	ShapeDescriptor d(10, 1, CV_64F, cv::Scalar(filler));
	d.at<double>(0) = x;
	d.at<double>(1) = y;
	return d;
}

TEST(ShapeDescriptor, EmptyContourAndSinglePoint)
{
	EXPECT_EQ(components(computeDescriptor({})), std::vector<double>(10, 0.0));
	EXPECT_EQ(components(computeDescriptor({{5, 7}})), (std::vector<double>{5, 7, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ShapeDescriptor, SquareWalkedCornerByCorner)
{
	const std::vector<double> c = components(computeDescriptor({{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
	EXPECT_DOUBLE_EQ(c[0], 5.0);
	EXPECT_DOUBLE_EQ(c[1], 5.0);
	EXPECT_DOUBLE_EQ(c[2], pi);       // turns 0, -pi/2, -pi/2
	EXPECT_DOUBLE_EQ(c[3], 30.0);     // the closing side is not counted
	EXPECT_DOUBLE_EQ(c[4], pi);
	EXPECT_DOUBLE_EQ(c[5], -3.0 * pi / 4.0);
	EXPECT_DOUBLE_EQ(c[6], pi);
	EXPECT_DOUBLE_EQ(c[7], 0.0);      // no turn is positive
	EXPECT_DOUBLE_EQ(c[8], 5.0 * std::sqrt(2.0));
	EXPECT_NEAR(c[9], 0.0, 1e-12);
}

TEST(ShapeDescriptor, FirstSegmentTurnsAgainstTheXAxisAndRepeatedPointsAreHarmless)
{
	// Straight down: the first turn is 0 - pi/2. A repeated point has
	// direction atan2(0, 0) = 0, which is a turn like any other.
	const std::vector<double> c = components(computeDescriptor({{0, 0}, {0, 10}, {0, 10}}));
	EXPECT_DOUBLE_EQ(c[2], pi);
	EXPECT_DOUBLE_EQ(c[4], 0.0);
	EXPECT_DOUBLE_EQ(c[7], pi / 2.0);
	for (double value : c)
	{
		EXPECT_FALSE(std::isnan(value));
	}
}

TEST(ShapeDescriptor, WrapAngleLandsInMinusPiToPi)
{
	EXPECT_DOUBLE_EQ(wrapAngle(pi), -pi);
	EXPECT_DOUBLE_EQ(wrapAngle(-pi), -pi);
	EXPECT_DOUBLE_EQ(wrapAngle(3.0 * pi / 2.0), -pi / 2.0);
	EXPECT_DOUBLE_EQ(wrapAngle(-3.0 * pi / 2.0), pi / 2.0);
	EXPECT_DOUBLE_EQ(wrapAngle(0.5), 0.5);
	EXPECT_NEAR(wrapAngle(7.0 * pi + 0.25), -pi + 0.25, 1e-12);
}

class DescriptorDistanceTest : public ::testing::Test
{
protected:
	void use(const int (&exponents)[descriptorSize])
	{
		std::copy(std::begin(exponents), std::end(exponents), std::begin(rig.analysis.descriptorExponents));
	}

	AnalysisRig rig;
};

TEST_F(DescriptorDistanceTest, CentroidExponentsGiveThePixelDistanceOrItsHalf)
{
	const ShapeDescriptor a = descriptorWithCentroid(0, 0, 100.0);
	const ShapeDescriptor b = descriptorWithCentroid(3, 4, -50.0);
	use(duplicateExponents);
	EXPECT_DOUBLE_EQ(rig.analysis.descriptorDistance(b - a), 5.0);
	EXPECT_DOUBLE_EQ(rig.analysis.descriptorDistance(a - b), 5.0);
	use(sameMapExponents);
	EXPECT_DOUBLE_EQ(rig.analysis.descriptorDistance(b - a), 2.5);
	rig.analysis.descriptorWeights[0] = 3;  // 9 and 4: weights multiply
	use(duplicateExponents);
	EXPECT_DOUBLE_EQ(rig.analysis.descriptorDistance(b - a), std::sqrt(81.0 + 16.0));
}

TEST_F(DescriptorDistanceTest, TemplateExponentsIgnorePositionAndScaleEachComponent)
{
	use(blackTemplateExponents);
	ShapeDescriptor v = descriptorWithCentroid(1000, -700);
	EXPECT_DOUBLE_EQ(rig.analysis.descriptorDistance(v), 0.0);
	v.at<double>(3) = 16.0;  // length: 2^-4
	v.at<double>(5) = 1.0;   // direction: 2^0
	EXPECT_DOUBLE_EQ(rig.analysis.descriptorDistance(v), std::sqrt(2.0));
	use(yellowTemplateExponents);
	v = descriptorWithCentroid(0, 0);
	v.at<double>(8) = 2.5;  // mean radius: 2^1, so 2.5 pixels cost the whole limit
	EXPECT_DOUBLE_EQ(rig.analysis.descriptorDistance(v), circleMatchLimit);
}

TEST_F(DescriptorDistanceTest, NearestTakesTheFirstOfEqualsSkipsNaNAndReportsEmptyLists)
{
	use(duplicateExponents);
	const ShapeDescriptor query = descriptorWithCentroid(0, 0);
	int index = 7;
	EXPECT_EQ(rig.analysis.nearestDescriptor(query, {}, index), 10000.0f);
	EXPECT_EQ(index, -1);

	const std::vector<ShapeDescriptor> candidates = {descriptorWithCentroid(std::nan(""), 0),
		descriptorWithCentroid(0, 4), descriptorWithCentroid(4, 0), descriptorWithCentroid(0, 3)};
	EXPECT_EQ(rig.analysis.nearestDescriptor(query, candidates, index), 3.0f);
	EXPECT_EQ(index, 3);
	EXPECT_EQ(rig.analysis.nearestDescriptor(query, {candidates[0], candidates[2], candidates[1]}, index), 4.0f);
	EXPECT_EQ(index, 1);
	// Only NaN: nothing is accepted.
	EXPECT_EQ(rig.analysis.nearestDescriptor(query, {candidates[0]}, index), 10000.0f);
	EXPECT_EQ(index, -1);
	// The first measurable candidate is taken even when farther than 10000.
	EXPECT_EQ(rig.analysis.nearestDescriptor(query, {descriptorWithCentroid(0, 30000)}, index), 30000.0f);
	EXPECT_EQ(index, 0);

	const ShapeRecord* nearest = &rig.analysis.wallRecords.emplace_back();
	EXPECT_EQ(rig.analysis.nearestRecord({}, query, nearest), 10000.0f);
	EXPECT_EQ(nearest, nullptr);
	const std::vector<ShapeRecord> records = {{{}, descriptorWithCentroid(0, 6), nullptr},
		{{}, descriptorWithCentroid(6, 0), nullptr}};
	EXPECT_EQ(rig.analysis.nearestRecord(records, query, nearest), 6.0f);
	EXPECT_EQ(nearest, &records[0]);
}

/// Standard error of a call, for the template file messages.
template <typename F>
std::string stderrOf(F call)
{
	::testing::internal::CaptureStderr();
	call();
	return ::testing::internal::GetCapturedStderr();
}

std::string writeFile(const std::string& name, const std::string& text)
{
	const std::string path = ::testing::TempDir() + name;
	std::FILE* file = std::fopen(path.c_str(), "w");
	std::fputs(text.c_str(), file);
	std::fclose(file);
	return path;
}

TEST(TemplateFile, ReadsTheCountThenThePairs)
{
	const std::string path = writeFile("drawtable_template_ok.txt", "3\n10 20\n 30\t40 50 60\n");
	std::vector<cv::Point> points;
	EXPECT_EQ(stderrOf([&] { points = loadTemplatePoints(path); }), "");
	EXPECT_EQ(points, (std::vector<cv::Point>{{10, 20}, {30, 40}, {50, 60}}));
	EXPECT_TRUE(loadTemplatePoints(writeFile("drawtable_template_zero.txt", "0\n")).empty());
	EXPECT_TRUE(loadTemplatePoints(writeFile("drawtable_template_negative.txt", "-4 1 2\n")).empty());
}

TEST(TemplateFile, BadFilesGiveOneLineNamingTheFileAndNoPoints)
{
	const std::string missing = ::testing::TempDir() + "drawtable_no_such_template.txt";
	const std::string cases[] = {missing, writeFile("drawtable_template_short.txt", "5\n1 2\n3 4\n"),
		writeFile("drawtable_template_huge.txt", "2000000000\n1 2\n"),
		writeFile("drawtable_template_text.txt", "circle\n"),
		writeFile("drawtable_template_bad.txt", "2\n1 2\n3 x\n"), writeFile("drawtable_template_empty.txt", "")};
	for (const std::string& path : cases)
	{
		std::vector<cv::Point> points = {{1, 1}};
		const std::string message = stderrOf([&] { points = loadTemplatePoints(path); });
		EXPECT_TRUE(points.empty()) << path;
		EXPECT_EQ(message.find(path + ": "), 0u) << message;
		EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
	}
}

TEST(TemplateFile, AnalysisLoadsBothTemplatesAndAMissingOneMatchesNothing)
{
	AnalysisRig rig;
	EXPECT_EQ(rig.analysis.circleTemplatePoints, ringContour(blackPen));
	EXPECT_NEAR(rig.analysis.blackCircleTemplate.at<double>(8), ringRadius, 1.5);
	EXPECT_NEAR(rig.analysis.yellowCircleTemplate.at<double>(8), ringRadius, 1.5);

	const std::string message = stderrOf(
		[&] { rig.analysis.loadTemplates(testTemplates().black, ::testing::TempDir() + "drawtable_none.txt"); });
	EXPECT_NE(message.find("drawtable_none.txt"), std::string::npos);
	EXPECT_EQ(components(rig.analysis.yellowCircleTemplate), std::vector<double>(10, 0.0));
}

}  // namespace
