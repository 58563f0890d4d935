#include "ScratchFiles.h"
#include "analysis/InkLayers.h"
#include "analysis/TemplateFile.h"
#include "app/DebugWindows.h"
#include "calibration/ProjectorCalibration.h"
#include "markers/ARParam.h"
#include "platform/HeadlessDisplay.h"
#include "platform/WholeFile.h"
#include "platform/WholeFileCalls.h"
#include "render/CameraViewOverlay.h"
#include "render/FrameRecorder.h"
#include "tracking/RectifiedBoard.h"

#include <gtest/gtest.h>
#include <opencv2/highgui.hpp>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#include <fcntl.h>
#include <sys/resource.h>

namespace fs = std::filesystem;

namespace
{

std::string contents(const fs::path& file)
{
	std::ifstream in(file, std::ios::binary);
	return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// Every name in the folder, hidden ones too.
std::set<std::string> namesIn(const fs::path& folder)
{
	std::set<std::string> names;
	for (const auto& entry : fs::directory_iterator(folder))
	{
		names.insert(entry.path().filename().string());
	}
	return names;
}

std::error_code write(const fs::path& path, const std::string& text)
{
	return writeWholeFile(path.string(), text.data(), text.size());
}

/// In a process of its own, whose files may grow to 1000 bytes: a disk that
/// takes the first bytes of a file and then no more. Ends with 0 when that is
/// told as a full disk.
void writeBeyondTheLargestFile(const fs::path& path)
{
	std::signal(SIGXFSZ, SIG_IGN);
	const rlimit small = {1000, 1000};
	setrlimit(RLIMIT_FSIZE, &small);
	const std::error_code error = write(path, std::string(5000, 'x'));
	std::fprintf(stderr, "%s", error.message().c_str());
	std::exit(isDiskFull(error) ? 0 : 1);
}

/// What writeWholeFile asks of the system.
enum class Call
{
	Open,
	Write,
	Flush,
	Rename,
	Unlink,
	Close
};

struct Made
{
	Call call;
	/// On the folder's descriptor, or (an open) of the folder.
	bool onFolder;
	int result;
};

/// The calls seen, and the one to fail instead of being made. Function
/// pointers take no captures, so this is where the watching calls find it.
struct Watch
{
	std::vector<Made> made;
	std::set<int> folders;
	Call failing = Call::Open;
	bool failingOnFolder = false;
	int failingError = 0;
} watch;

template <typename System>
int make(Call call, bool onFolder, System perform)
{
	if (watch.failingError != 0 && call == watch.failing && onFolder == watch.failingOnFolder)
	{
		if (call == Call::Close)
		{
			perform();  // a failed close still frees the descriptor
		}
		watch.made.push_back({call, onFolder, -1});
		errno = watch.failingError;
		return -1;
	}
	const int result = int(perform());
	const int error = errno;
	watch.made.push_back({call, onFolder, result});
	errno = error;
	return result;
}

bool isFolder(int fd)
{
	return watch.folders.count(fd) > 0;
}

const WholeFileCalls& os = systemWholeFileCalls();

const WholeFileCalls watchingCalls = {
	[](int folder, const char* name, int flags, mode_t mode)
	{
		const bool ofFolder = (flags & O_DIRECTORY) != 0;
		const int fd = make(Call::Open, ofFolder, [&] { return os.openat(folder, name, flags, mode); });
		if (ofFolder && fd >= 0)
		{
			watch.folders.insert(fd);
		}
		return fd;
	},
	[](int fd, const void* bytes, std::size_t size) -> ssize_t
	{ return make(Call::Write, isFolder(fd), [&] { return os.write(fd, bytes, size); }); },
	[](int fd) { return make(Call::Flush, isFolder(fd), [&] { return os.fdatasync(fd); }); },
	[](int fd) { return make(Call::Flush, isFolder(fd), [&] { return os.fsync(fd); }); },
	[](int fromFolder, const char* from, int toFolder, const char* to)
	{ return make(Call::Rename, false, [&] { return os.renameat(fromFolder, from, toFolder, to); }); },
	[](int folder, const char* name, int flags)
	{ return make(Call::Unlink, false, [&] { return os.unlinkat(folder, name, flags); }); },
	[](int fd)
	{
		const bool ofFolder = isFolder(fd);
		watch.folders.erase(fd);
		return make(Call::Close, ofFolder, [&] { return os.close(fd); });
	},
};

/// While it lives, writeWholeFile's calls are recorded in `watch`, and the
/// one named there fails.
class Watching
{
public:
	explicit Watching(Call failing = Call::Open, bool onFolder = false, int error = 0)
	{
		watch = Watch{{}, {}, failing, onFolder, error};
		before = replaceWholeFileCalls(watchingCalls);
	}
	~Watching() { replaceWholeFileCalls(before); }

private:
	WholeFileCalls before;
};

/// Where the first call of this kind is at or after `from` (the last one
/// when `last`), or -1.
long findCall(Call call, bool onFolder, long from = 0, bool last = false)
{
	long found = -1;
	for (long i = from; i < long(watch.made.size()); ++i)
	{
		if (watch.made[i].call == call && watch.made[i].onFolder == onFolder)
		{
			found = i;
			if (!last)
			{
				break;
			}
		}
	}
	return found;
}

long count(Call call)
{
	return long(std::count_if(watch.made.begin(), watch.made.end(), [&](const Made& m)
		{ return m.call == call && m.result >= 0; }));
}

class WholeFile : public ::testing::Test
{
protected:
	WholeFile() : folder(scratchPath("whole")) { fs::create_directories(folder); }
	~WholeFile() override { fs::remove_all(folder); }

	const fs::path folder;
};

TEST_F(WholeFile, WritesAndReplacesAFileLeavingNothingElse)
{
	EXPECT_FALSE(write(folder / "a.png", "first"));
	EXPECT_FALSE(write(folder / "a.png", "second, longer"));
	EXPECT_FALSE(write(folder / "empty", ""));
	EXPECT_EQ(contents(folder / "a.png"), "second, longer");
	EXPECT_EQ(namesIn(folder), (std::set<std::string>{"a.png", "empty"}));
}

/// Whatever goes wrong, the name keeps what it had and no temporary file stays.
TEST_F(WholeFile, AFailureLeavesTheOldFileAsItWasAndNothingBeside)
{
	ASSERT_FALSE(write(folder / "kept.png", "old"));
	fs::create_directory(folder / "folder.png");
	EXPECT_EQ(write(folder / "missing" / "a.png", "new"), std::errc::no_such_file_or_directory);
	EXPECT_EQ(write(folder / "folder.png", "new"), std::errc::is_a_directory);
	EXPECT_EQ(write(folder / "kept.png" / "a.png", "new"), std::errc::not_a_directory);
	EXPECT_EQ(namesIn(folder), (std::set<std::string>{"kept.png", "folder.png"}));
	EXPECT_TRUE(fs::is_empty(folder / "folder.png"));
	EXPECT_EQ(writeWholeImage((folder / "kept.png").string(), cv::Mat()), std::errc::invalid_argument);
	EXPECT_EQ(writeWholeImage((folder / "kept.noformat").string(), cv::Mat(4, 4, CV_8UC1)), std::errc::invalid_argument);

	// A disk that takes the first bytes and then no more.
	EXPECT_EXIT(writeBeyondTheLargestFile(folder / "kept.png"), ::testing::ExitedWithCode(0), "File too large");
	EXPECT_EQ(contents(folder / "kept.png"), "old");
	EXPECT_EQ(namesIn(folder), (std::set<std::string>{"kept.png", "folder.png"}));
}

/// A power cut keeps a file whole only if its data reach the disk before its
/// new name does, and the name only once the folder holding it is flushed.
/// Nothing short of cutting the power shows a flush left out, so the calls
/// are watched instead.
TEST_F(WholeFile, FlushesTheDataBeforeTheRenameAndTheFolderAfterIt)
{
	ASSERT_FALSE(write(folder / "a.png", "old"));
	{
		Watching watching;
		ASSERT_FALSE(write(folder / "a.png", std::string(100000, 'n')));
	}
	EXPECT_EQ(contents(folder / "a.png"), std::string(100000, 'n'));
	const long lastWrite = findCall(Call::Write, false, 0, true);
	const long rename = findCall(Call::Rename, false);
	ASSERT_GE(lastWrite, 0);
	ASSERT_GT(rename, lastWrite);
	const long dataFlush = findCall(Call::Flush, false, lastWrite);
	EXPECT_TRUE(dataFlush > lastWrite && dataFlush < rename) << "the data are not flushed before the rename";
	const long folderFlush = findCall(Call::Flush, true);
	EXPECT_GT(folderFlush, rename) << "the folder is not flushed after the rename";
	ASSERT_GE(folderFlush, 0);
	EXPECT_EQ(watch.made[folderFlush].result, 0) << "the folder is opened so that it cannot be flushed";
	EXPECT_EQ(count(Call::Close), count(Call::Open));
}

/// Every call that can fail, failing: the error is told, no descriptor stays
/// open, nothing is left beside the file, and the file is the old one unless
/// the rename was made (then only the folder's flush is still to come).
TEST_F(WholeFile, EachFailingCallIsToldAndLeavesTheOldFileOrTheWholeNewOne)
{
	struct Fault
	{
		Call call;
		bool onFolder;
		int error;
		bool renamed;
		const char* what;
	};
	const Fault faults[] = {
		{Call::Open, true, EACCES, false, "the folder cannot be opened"},
		{Call::Open, false, EACCES, false, "the file cannot be made"},
		{Call::Write, false, ENOSPC, false, "the disk is full"},
		{Call::Flush, false, EIO, false, "the data cannot be flushed"},
		{Call::Close, false, EIO, false, "a late write error told at close"},
		{Call::Rename, false, EIO, false, "the rename fails"},
		{Call::Flush, true, EIO, true, "the folder cannot be flushed"},
		{Call::Flush, true, EINVAL, true, "a file system that flushes no folders"},
	};
	for (const Fault& fault : faults)
	{
		ASSERT_FALSE(write(folder / "kept", "old"));
		std::error_code error;
		{
			Watching watching(fault.call, fault.onFolder, fault.error);
			error = write(folder / "kept", "new");
		}
		const std::error_code told =
			fault.error == EINVAL ? std::error_code() : std::error_code(fault.error, std::generic_category());
		EXPECT_EQ(error, told) << fault.what;
		EXPECT_EQ(contents(folder / "kept"), fault.renamed ? "new" : "old") << fault.what;
		EXPECT_EQ(namesIn(folder), (std::set<std::string>{"kept"})) << fault.what;
		EXPECT_EQ(count(Call::Close) + (fault.call == Call::Close), count(Call::Open)) << fault.what;
	}
}

/// Every file the program writes whole goes through writeWholeFile: each
/// writer, watched, writes under another name, renames, then flushes the folder.
TEST_F(WholeFile, EveryWriterOfTheProgramGoesThroughIt)
{
	const std::string at = folder.string() + "/";
	HeadlessDisplay display;
	display.createWindow("snapshot");
	display.show("snapshot", cv::Mat(8, 8, CV_8UC3, cv::Scalar(0, 0, 255)));
	const ARParam camera = {640, 480, {{500, 0, 320, 0}, {0, 500, 240, 0}, {0, 0, 1, 0}}, {320, 240, 0, 1}};
	const std::vector<uchar> frame = {0x89, 'P', 'N', 'G'};
	const RectifiedBoard board;
	const CameraViewPictures views;
	InkLayers ink;
	ink.contourImage = cv::Mat(8, 8, CV_8UC3, cv::Scalar(0, 255, 0));
	const auto screenshot = [&] {
		// Screenshots go to the working directory.
		const fs::path previous = fs::current_path();
		fs::current_path(folder);
		onDebugWindowMouse(ScreenshotSources{board, views, ink}, cv::EVENT_LBUTTONDOWN, "cont");
		fs::current_path(previous);
		return fs::exists(folder / "ss_cont.png");
	};
	const std::pair<std::string, std::function<bool()>> writers[] = {
		{"template.txt", [&] { return saveTemplatePoints(at + "template.txt", {{1, 2}, {3, 4}}); }},
		{"projector.yml",
			[&]
			{
				std::string error;
				return saveProjectorCalibration(at + "projector.yml", ProjectorCalibration(), error);
			}},
		{"camera_para.dat", [&] { return arParamSave((at + "camera_para.dat").c_str(), 1, &camera) == 0; }},
		{"snapshot.png", [&] { return display.writeSnapshots(folder.string()); }},
		{"raw0.png",
			[&] {
				const RenameTurn now{[] { return true; }, [](const std::error_code&) {}};
				return !FrameRecorder::defaultFileWrite()(at + "raw0.png", frame, now);
			}},
		{"ss_cont.png", screenshot},
	};
	std::set<std::string> written;
	for (const auto& [name, writeIt] : writers)
	{
		{
			Watching watching;
			EXPECT_TRUE(writeIt()) << name;
		}
		written.insert(name);
		const long rename = findCall(Call::Rename, false);
		EXPECT_GE(rename, 0) << name << " is not written under another name first";
		EXPECT_GT(findCall(Call::Flush, true, std::max(rename, 0L)), rename)
			<< name << ": the folder is not flushed after the rename";
	}
	EXPECT_EQ(namesIn(folder), written);
}

}  // namespace
