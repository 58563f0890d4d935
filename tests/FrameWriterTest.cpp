#include "TestSupport.h"
#include "bench/DemoBoard.h"
#include "platform/WholeFile.h"
#include "platform/WholeFileCalls.h"
#include "render/FrameRecorder.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <opencv2/imgcodecs.hpp>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>
#include <filesystem>
#include <mutex>
#include <set>

namespace fs = std::filesystem;

namespace
{

/// True when the file decodes to exactly the image's pixels, as the file
/// cv::imwrite would write does.
bool holds(const fs::path& file, const cv::Mat& image)
{
	const cv::Mat decoded = cv::imread(file.string(), cv::IMREAD_UNCHANGED);
	return decoded.size() == image.size() && decoded.type() == image.type()
		&& (image.empty() || cv::norm(decoded, image, cv::NORM_INF) == 0.0);
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
/// destructor writes what is still queued. With one writer thread or several.
TEST_F(FrameWriterTest, WritesEveryImageThoughTheQueueIsShort)
{
	const std::vector<cv::Mat> images = {noisyImage(1), noisyImage(2), cv::Mat(30, 40, CV_8UC1, cv::Scalar(7))};
	const std::vector<FrozenImage> frozen(images.begin(), images.end());
	const std::vector<int> order = {0, 1, 0, 0, 2, 1, 2, 0};
	for (const unsigned threads : {1u, 3u})
	{
		int failures = 0;
		{
			FrameWriter writer(1, [&failures](const std::string&, const std::error_code&) { return ++failures, true; },
				FrameRecorder::defaultFileWrite(), threads);
			for (size_t i = 0; i < order.size(); ++i)
			{
				writer.write((folder / ("f" + std::to_string(i) + ".png")).string(), frozen[size_t(order[i])]);
			}
			writer.finish();
			// Three of the eight images are one of the last two given again.
			EXPECT_EQ(writer.encodings(), 5) << threads;
		}
		EXPECT_EQ(failures, 0);
		for (size_t i = 0; i < order.size(); ++i)
		{
			EXPECT_TRUE(holds(folder / ("f" + std::to_string(i) + ".png"), images[size_t(order[i])])) << i;
		}
	}
}

/// A failure is told with the file and the reason. A writer told to go on
/// writes the next files; one told to give up drops what is queued and what
/// comes later, and nobody waits for it: no file after the failed one is put
/// under its name, though several are written at once.
TEST_F(FrameWriterTest, AFailedFileIsToldAndTheHandlerSaysWhetherToGoOn)
{
	for (const bool goOn : {true, false})
	{
		std::vector<std::string> failed;
		std::atomic<int> tried{0};
		FrameWriter writer(8,
			[&](const std::string& path, const std::error_code& error) {
				failed.push_back(path + ": " + error.message());
				return goOn;
			},
			[&tried](const std::string& path, const std::vector<uchar>& bytes, const RenameTurn& turn) {
				++tried;
				// The failing file is the slowest: the files after it are
				// written meanwhile, and must wait for its turn to be renamed.
				if (path.find("missing") != std::string::npos)
				{
					std::this_thread::sleep_for(std::chrono::milliseconds(100));
				}
				return writeWholeFile(path, bytes.data(), bytes.size(), turn);
			},
			4);
		const FrozenImage image(noisyImage(1));
		writer.write((folder / "missing" / "a.png").string(), image);
		for (const char* name : {"b.png", "c.png", "d.png"})
		{
			writer.write((folder / name).string(), image);
		}
		writer.finish();
		ASSERT_EQ(failed.size(), 1u) << goOn;
		EXPECT_EQ(failed[0], (folder / "missing" / "a.png").string() + ": No such file or directory");
		EXPECT_EQ(writer.hasGivenUp(), !goOn);
		for (const char* name : {"b.png", "c.png", "d.png"})
		{
			EXPECT_EQ(fs::exists(folder / name), goOn) << name;
		}
		const int triedBefore = tried;
		writer.write((folder / "e.png").string(), image);
		writer.finish();
		EXPECT_EQ(fs::exists(folder / "e.png"), goOn);
		// Not one is tried after giving up.
		EXPECT_EQ(tried, triedBefore + (goOn ? 1 : 0));
		// Nothing is left beside them.
		std::set<std::string> names;
		for (const auto& entry : fs::directory_iterator(folder))
		{
			names.insert(entry.path().filename().string());
		}
		const std::set<std::string> expected = {"b.png", "c.png", "d.png", "e.png"};
		EXPECT_EQ(names, goOn ? expected : std::set<std::string>());
		fs::remove_all(folder);
		fs::create_directory(folder);
	}
}

/// Whatever the writing throws stays on the writer's thread: one line names
/// the file, the recording stops, and the program goes on.
TEST_F(FrameWriterTest, WhatTheWritingThrowsStopsTheRecordingWithOneLine)
{
	int tried = 0;
	FrameWriter writer(8, nullptr,
		[&tried](const std::string&, const std::vector<uchar>&, const RenameTurn&) -> std::error_code {
			++tried;
			throw std::runtime_error("the codec fell over");
		});
	testing::internal::CaptureStderr();
	const FrozenImage image(noisyImage(1));
	writer.write((folder / "a.png").string(), image);
	writer.finish();
	writer.write((folder / "b.png").string(), image);
	writer.finish();
	EXPECT_EQ(testing::internal::GetCapturedStderr(),
		(folder / "a.png").string() + ": the codec fell over; recording stops, the frames before it are kept\n");
	EXPECT_TRUE(writer.hasGivenUp());
	EXPECT_EQ(tried, 1);
}

/// While it lives, the folder's flush after each rename fails as on a disk
/// that fails (EIO): the file is under its name, but nothing says it stays.
/// Made before the writer's threads start, gone after they end.
class FailingFolderFlush
{
public:
	FailingFolderFlush()
	{
		WholeFileCalls failing = systemWholeFileCalls();
		failing.fsync = [](int) {
			errno = EIO;
			return -1;
		};
		before = replaceWholeFileCalls(failing);
	}
	~FailingFolderFlush() { replaceWholeFileCalls(before); }

private:
	WholeFileCalls before;
};

/// The failure comes after the file's turn has passed: it is told all the
/// same, once however many files fail alike at once, and a handler that says
/// to stop stops the writer. With one writer thread or several.
TEST_F(FrameWriterTest, AFolderFlushFailingAfterTheRenameIsToldOnceAndStopsTheWriter)
{
	const FrozenImage image(noisyImage(1));
	for (const unsigned threads : {1u, 4u})
	{
		const FailingFolderFlush failing;
		std::mutex toldMutex;
		std::vector<std::string> told;
		std::atomic<int> tried{0};
		FrameWriter writer(8,
			[&](const std::string& path, const std::error_code& error) {
				const std::lock_guard<std::mutex> lock(toldMutex);
				told.push_back(path + ": " + error.message());
				return false;
			},
			[&tried](const std::string& path, const std::vector<uchar>& bytes, const RenameTurn& turn) {
				++tried;
				return writeWholeFile(path, bytes.data(), bytes.size(), turn);
			},
			threads);
		for (int i = 0; i < 6; ++i)
		{
			writer.write((folder / ("f" + std::to_string(i) + ".png")).string(), image);
		}
		writer.finish();
		ASSERT_EQ(told.size(), 1u) << threads << " threads";
		const std::string first = (folder / "f0.png").string() + ": Input/output error";
		if (threads == 1)
		{
			EXPECT_EQ(told[0], first);
		}
		EXPECT_NE(told[0].find(": Input/output error"), std::string::npos) << told[0];
		EXPECT_TRUE(writer.hasGivenUp()) << threads << " threads";
		const int triedBefore = tried;
		writer.write((folder / "later.png").string(), image);
		writer.finish();
		EXPECT_EQ(tried, triedBefore) << threads << " threads";
		EXPECT_FALSE(fs::exists(folder / "later.png"));
	}
}

/// A change of any one value of an image, in any channel, of any depth, in a
/// view with gaps between its rows too, makes it another picture.
TEST(FrozenImage, EqualsSeesEveryValueOfThePicture)
{
	for (const int type : {CV_8UC1, CV_8UC3, CV_8UC4, CV_16UC3, CV_32FC1, CV_32FC3})
	{
		cv::Mat image(5, 7, type);
		cv::RNG(3).fill(image, cv::RNG::UNIFORM, 0, 200);
		const FrozenImage frozen(image);
		ASSERT_TRUE(frozen.equals(image)) << type;
		// The same pixels as a view into a wider picture.
		cv::Mat wider(image.rows, image.cols + 3, type, cv::Scalar::all(0));
		image.copyTo(wider.colRange(1, 1 + image.cols));
		EXPECT_TRUE(frozen.equals(wider.colRange(1, 1 + image.cols))) << type;

		const cv::Mat values = image.reshape(1);
		for (int row = 0; row < values.rows; ++row)
		{
			for (int col = 0; col < values.cols; ++col)
			{
				cv::Mat changed = image.clone();
				cv::Mat changedValues = changed.reshape(1);
				if (changed.depth() == CV_8U)
				{
					changedValues.at<uchar>(row, col) += 1;
				}
				else if (changed.depth() == CV_16U)
				{
					changedValues.at<ushort>(row, col) += 1;
				}
				else
				{
					changedValues.at<float>(row, col) += 0.5f;
				}
				EXPECT_FALSE(frozen.equals(changed)) << "type " << type << ", row " << row << ", value " << col;
				cv::Mat view = wider.colRange(1, 1 + image.cols);
				changed.copyTo(view);
				EXPECT_FALSE(frozen.equals(view)) << "type " << type << ", row " << row << ", value " << col << " of a view";
				image.copyTo(view);
			}
		}
	}

	const FrozenImage grey(cv::Mat(4, 6, CV_8UC1, cv::Scalar(9)));
	EXPECT_FALSE(grey.equals(cv::Mat(6, 4, CV_8UC1, cv::Scalar(9))));
	EXPECT_FALSE(grey.equals(cv::Mat(4, 6, CV_8UC3, cv::Scalar::all(9))));
	EXPECT_FALSE(grey.equals(cv::Mat()));
	EXPECT_TRUE(FrozenImage().equals(cv::Mat()));
	EXPECT_FALSE(FrozenImage().equals(cv::Mat(4, 6, CV_8UC1, cv::Scalar(9))));
}

using FrameRecorderTest = InScratchFolder;

/// The writer works from copies of its own: the caller may paint into both
/// images, or change the motion frame in place, as soon as a pair is handed
/// over. A still scene repeats its motion frame, which is encoded once.
TEST_F(FrameRecorderTest, FilesHoldThePicturesAsTheyWereHandedOverAndAStillOneIsEncodedOnce)
{
	fs::current_path(folder);
	fs::create_directory("video");
	cv::Mat motion = noisyImage(1);
	cv::Mat camera = noisyImage(2);
	std::vector<std::pair<cv::Mat, cv::Mat>> handed;
	FrameRecorder recorder;
	for (int pass = 0; pass < 100; ++pass)
	{
		recorder.recordFrame(motion, camera);
		handed.emplace_back(motion.clone(), camera.clone());
		// Painted into at once, the motion frame only twice: at its first
		// value and at its last.
		camera.at<cv::Vec3b>(pass % 60, 0) = cv::Vec3b(uchar(pass), 0, 0);
		if (pass == 40)
		{
			motion.at<cv::Vec3b>(0, 0) = cv::Vec3b(uchar(pass), 1, 2);
		}
		if (pass == 70)
		{
			motion.at<cv::Vec3b>(motion.rows - 1, motion.cols - 1)[2] ^= 0x80;
		}
	}
	recorder.finish();
	// Every game picture, and the motion frame three times.
	EXPECT_EQ(recorder.encodings(), 103);
	for (size_t i = 0; i < handed.size(); ++i)
	{
		const std::string n = std::to_string(i);
		EXPECT_TRUE(holds("video/raw" + n + ".png", handed[i].first)) << n;
		EXPECT_TRUE(holds("video/game" + n + ".png", handed[i].second)) << n;
	}
}

/// A disk whose folder flush fails (EIO) takes no frame after it: the
/// recording stops with one line naming the file and the error, the passes
/// before it are kept, and the game goes on numbering its passes.
TEST_F(FrameRecorderTest, ADiskThatFailsStopsTheRecordingWithOneLine)
{
	fs::current_path(folder);
	fs::create_directory("video");
	const FailingFolderFlush failing;
	FrameRecorder recorder;
	recorder.setSettings({RecordMode::Frames, std::nullopt});
	testing::internal::CaptureStderr();
	const cv::Mat motion = noisyImage(1), none;
	for (int pass = 0; pass < 5; ++pass)
	{
		const cv::Mat painted = noisyImage(2 + pass);
		recorder.recordPass({none, motion, painted, none});
		recorder.finish();
	}
	recorder.close();
	const std::string said = testing::internal::GetCapturedStderr();
	EXPECT_TRUE(recorder.hasStopped());
	EXPECT_EQ(recorder.recordIndex(), 5);
	EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
	EXPECT_EQ(said.rfind("video/", 0), 0u) << said;
	EXPECT_NE(said.find(".png: Input/output error; recording in folder \"video\" stops, the frames before it are kept\n"),
		std::string::npos) << said;
	// The first pass's files were renamed before their flush failed; none after.
	for (const auto& entry : fs::directory_iterator("video"))
	{
		const std::string name = entry.path().filename().string();
		EXPECT_TRUE(name == "raw0.png" || name == "game0.png") << name;
	}
}

using RecordingOfTheDemo = InScratchFolder;

/// Through the first pass (motion), still passes and a rescan, each recorded
/// file holds exactly the pixels the main loop had in the pass itself.
TEST_F(RecordingOfTheDemo, EveryFileIsWhatTheMainLoopHadInThatPass)
{
	TestProgram program(demoCamera());
	std::vector<std::pair<cv::Mat, cv::Mat>> recorded;
	program.app->trace().addSink([&](const PassRecord&) {
		const BoardScanner& scanner = program.app->scanner();
		recorded.emplace_back(scanner.motionFrame().clone(), program.app->views().camera.clone());
	});
	fs::current_path(folder);
	fs::create_directory("video");
	program.run(Stillness::rescanThreshold + 5);
	ASSERT_EQ(recorded.size(), size_t(Stillness::rescanThreshold + 5));
	for (size_t i = 0; i < recorded.size(); ++i)
	{
		const std::string n = std::to_string(i);
		EXPECT_TRUE(holds("video/raw" + n + ".png", recorded[i].first)) << n;
		EXPECT_TRUE(holds("video/game" + n + ".png", recorded[i].second)) << n;
	}
}

}  // namespace
