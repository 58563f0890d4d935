#include "TestSupport.h"
#include "bench/DemoBoard.h"
#include "render/FrameWriter.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace
{

std::string contents(const fs::path& file)
{
	std::ifstream in(file, std::ios::binary);
	return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// The bytes cv::imwrite gives for an image.
std::string imwriteBytes(const cv::Mat& image, const fs::path& scratch)
{
	cv::imwrite(scratch.string(), image);
	return contents(scratch);
}

/// A fresh folder as the working directory, with the program's data files
/// still read from where the tests run.
class InScratchFolder : public ::testing::Test
{
protected:
	InScratchFolder() : dataFolder(fs::current_path())
	{
		std::string pattern = (fs::temp_directory_path() / "drawtable-writer-XXXXXX").string();
		folder = mkdtemp(pattern.data());
	}

	~InScratchFolder() override
	{
		fs::current_path(dataFolder);
		std::error_code ignored;
		fs::remove_all(folder, ignored);
	}

	const fs::path dataFolder;
	fs::path folder;
};

using FrameWriterTest = InScratchFolder;

cv::Mat noisyImage(int seed)
{
	cv::Mat image(60, 80, CV_8UC3);
	cv::RNG(seed).fill(image, cv::RNG::UNIFORM, 0, 256);
	return image;
}

/// With room for one image only, the caller waits instead of dropping; an
/// image handed over again is written from the bytes already encoded; the
/// destructor writes what is still queued.
TEST_F(FrameWriterTest, WritesEveryImageAsImwriteDoesThoughTheQueueIsShort)
{
	const std::vector<cv::Mat> images = {noisyImage(1), noisyImage(2), cv::Mat(30, 40, CV_8UC1, cv::Scalar(7))};
	const std::vector<int> order = {0, 1, 0, 0, 2, 1, 2, 0};
	int failures = 0;
	{
		FrameWriter writer(1, [&failures] { ++failures; });
		for (size_t i = 0; i < order.size(); ++i)
		{
			writer.write((folder / ("f" + std::to_string(i) + ".png")).string(), images[size_t(order[i])]);
		}
	}
	EXPECT_EQ(failures, 0);
	for (size_t i = 0; i < order.size(); ++i)
	{
		EXPECT_EQ(contents(folder / ("f" + std::to_string(i) + ".png")),
			imwriteBytes(images[size_t(order[i])], folder / "reference.png"))
			<< i;
	}
}

TEST_F(FrameWriterTest, AFileThatCannotBeWrittenIsReportedAndTheNextOnesAreWritten)
{
	int failures = 0;
	FrameWriter writer(4, [&failures] { ++failures; });
	writer.write((folder / "missing" / "a.png").string(), noisyImage(1));
	writer.write((folder / "b.png").string(), noisyImage(1));
	writer.finish();
	EXPECT_EQ(failures, 1);
	EXPECT_TRUE(fs::exists(folder / "b.png"));
}

using RecordingOfTheDemo = InScratchFolder;

/// Through the first pass (motion), still passes and a rescan, each recorded
/// file holds exactly what cv::imwrite wrote in the pass itself.
TEST_F(RecordingOfTheDemo, EveryFileIsWhatTheMainLoopHadInThatPass)
{
	TestProgram program(demoCamera());
	std::vector<std::pair<cv::Mat, cv::Mat>> recorded;
	program.app->trace.addSink([&](const PassRecord&) {
		const BoardScanner& scanner = program.app->scanner;
		recorded.emplace_back(scanner.motionFrame.clone(), scanner.cameraFrame.clone());
	});
	fs::current_path(folder);
	fs::create_directory("video");
	program.run(rescanThreshold + 5);
	ASSERT_EQ(recorded.size(), size_t(rescanThreshold + 5));
	for (size_t i = 0; i < recorded.size(); ++i)
	{
		const std::string n = std::to_string(i);
		EXPECT_EQ(contents("video/raw" + n + ".png"), imwriteBytes(recorded[i].first, "reference.png")) << n;
		EXPECT_EQ(contents("video/game" + n + ".png"), imwriteBytes(recorded[i].second, "reference.png")) << n;
	}
}

}  // namespace
