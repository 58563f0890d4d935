#include "ScratchFiles.h"
#include "platform/StopSignals.h"
#include "render/AviHeader.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

// The real program recording the demo headless, stopped from outside as a
// user, a closed terminal, a service manager, SIGKILL or a full disk stops it.
// A power cut is not among them: what it loses is what the disk was never told
// to keep, which WholeFileTest checks through the order of the flushes.

namespace
{

std::string readAll(const fs::path& file)
{
	std::ifstream in(file, std::ios::binary);
	std::ostringstream text;
	text << in.rdbuf();
	return text.str();
}

/// The lines that end in a line end; a killed run may leave a part of one last.
std::vector<std::string> wholeLines(const fs::path& file)
{
	const std::string text = readAll(file);
	std::vector<std::string> lines;
	for (std::size_t start = 0, end = 0; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
	{
		lines.push_back(text.substr(start, end - start));
	}
	return lines;
}

/// The program started in `folder` as a shell or a service manager starts it,
/// with every signal at its default action whatever this test process
/// inherited (a shell script's background job ignores SIGINT, which would
/// prove nothing). Without a command: the demo, recorded, with no end of its own.
class RunningProgram
{
public:
	explicit RunningProgram(const fs::path& folder, std::vector<std::string> command = {})
	{
		if (command.empty())
		{
			command = {DRAWTABLE_PATH, "--headless", "--source", "demo", "--data", fs::current_path().string(),
				"--trace", "run.jsonl", "--video", "run.avi"};
		}
		std::vector<char*> argv;
		for (std::string& argument : command)
		{
			argv.push_back(argument.data());
		}
		argv.push_back(nullptr);
		const std::string where = folder.string();
		pid = ::fork();
		if (pid == 0)
		{
			// Only async-signal-safe calls between fork and exec.
			for (const int signal : {SIGINT, SIGTERM, SIGHUP})
			{
				::signal(signal, SIG_DFL);
			}
			sigset_t none;
			sigemptyset(&none);
			::sigprocmask(SIG_SETMASK, &none, nullptr);
			if (::chdir(where.c_str()) == 0)
			{
				::dup2(::open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
				::execv(argv[0], argv.data());
			}
			::_exit(127);
		}
	}

	~RunningProgram()
	{
		if (status < 0)
		{
			::kill(pid, SIGKILL);
			::waitpid(pid, nullptr, 0);
		}
	}

	/// Wait until `ready` holds; false when the program ended first, or after
	/// five minutes (a sanitizer build on a busy machine is slow).
	bool waitFor(const std::function<bool()>& ready)
	{
		const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
		while (std::chrono::steady_clock::now() < deadline && status < 0)
		{
			if (ready())
			{
				return true;
			}
			if (::waitpid(pid, &status, WNOHANG) != pid)
			{
				status = -1;
			}
			std::this_thread::sleep_for(std::chrono::milliseconds(2));
		}
		return false;
	}

	/// True once the program has its handlers for the three stop signals.
	bool catchesStopSignals() const
	{
		std::ifstream proc("/proc/" + std::to_string(pid) + "/status");
		const unsigned long wanted = 1ul << (SIGINT - 1) | 1ul << (SIGTERM - 1) | 1ul << (SIGHUP - 1);
		for (std::string line; std::getline(proc, line);)
		{
			const std::string field = "SigCgt:";
			if (line.rfind(field, 0) == 0)
			{
				return (std::stoul(line.substr(field.size()), nullptr, 16) & wanted) == wanted;
			}
		}
		return false;
	}

	void send(int signal) { ::kill(pid, signal); }

	/// The wait status once the program has ended, or -1.
	int waitStatus()
	{
		waitFor([] { return false; });
		return status;
	}

private:
	pid_t pid = -1;
	int status = -1;
};

/// Every file under a final name in `folder` is a whole 640 x 480 picture.
void expectEveryPictureWhole(const fs::path& folder)
{
	for (const auto& entry : fs::directory_iterator(folder))
	{
		const std::string name = entry.path().filename().string();
		if (name[0] != '.')
		{
			EXPECT_EQ(cv::imread(entry.path().string()).size(), cv::Size(640, 480)) << name << " does not decode";
		}
	}
}

int gamePicturesIn(const fs::path& folder)
{
	int count = 0;
	for (const auto& entry : fs::directory_iterator(folder))
	{
		count += entry.path().filename().string().rfind("game", 0) == 0;
	}
	return count;
}

/// `folder` holds the pairs 0 to `pairs` - 1 and nothing else but `besides`.
void expectPairs(const fs::path& folder, int pairs, const std::string& besides = "")
{
	std::set<std::string> expected, found;
	for (int i = 0; i < pairs; ++i)
	{
		expected.insert({"raw" + std::to_string(i) + ".png", "game" + std::to_string(i) + ".png"});
	}
	for (const auto& entry : fs::directory_iterator(folder))
	{
		found.insert(entry.path().filename().string());
	}
	found.erase(besides);
	EXPECT_EQ(found, expected);
}

/// A scratch folder with an empty "video" folder, for the program to run in.
fs::path runFolder(const std::string& name)
{
	const fs::path folder = scratchPath(name);
	fs::remove_all(folder);
	fs::create_directories(folder / "video");
	return folder;
}

enum Moment
{
	DuringStartUp,  // as soon as the signals are caught
	MidRun,  // in pass 30, with a hand over the board
	DuringARescan,  // as pass 51 starts, whose rescan finds the board
	WhileTheQueueIsFull,  // four pairs wait for the writer
};

struct Stop
{
	int signal;
	Moment moment;
};

void PrintTo(const Stop& stop, std::ostream* out)
{
	*out << signalName(stop.signal) << " " << int(stop.moment);
}

std::string nameOf(const ::testing::TestParamInfo<Stop>& info)
{
	const char* moments[] = {"DuringStartUp", "MidRun", "DuringARescan", "WhileTheQueueIsFull"};
	return signalName(info.param.signal) + "_" + moments[info.param.moment];
}

class StoppedRecording : public ::testing::TestWithParam<Stop>
{
};

/// Ended as ESC ends it: the pass in progress completes, the queued frames
/// are written, the video finished and the trace closed, with status 128 + the
/// signal. So every traced pass has both its pictures, whole, the video's
/// header counts every pass and nothing else is left in the folder.
TEST_P(StoppedRecording, EndsAsEscapeDoesWithEveryPassOnDisk)
{
	const fs::path folder = runFolder("stopped");
	RunningProgram program(folder);
	const auto passes = [&] { return int(wholeLines(folder / "run.jsonl").size()); };
	const std::function<bool()> moments[] = {
		[&] { return program.catchesStopSignals(); },
		[&] { return passes() >= 30; },
		[&] { return passes() >= 50; },
		[&] { return passes() >= 5 && passes() >= gamePicturesIn(folder / "video") + 4; },
	};
	ASSERT_TRUE(program.waitFor(moments[GetParam().moment])) << readAll(folder / "err.txt");
	program.send(GetParam().signal);
	const int status = program.waitStatus();
	const std::string said = readAll(folder / "err.txt");
	ASSERT_TRUE(WIFEXITED(status)) << said;
	EXPECT_EQ(WEXITSTATUS(status), 128 + GetParam().signal) << said;
	EXPECT_NE(said.find(signalName(GetParam().signal) + ": stopping"), std::string::npos) << said;

	const std::vector<std::string> trace = wholeLines(folder / "run.jsonl");
	const std::string traced = readAll(folder / "run.jsonl");
	EXPECT_TRUE(traced.empty() || traced.back() == '\n') << "the trace ends in a part of a line";
	for (std::size_t i = 0; i < trace.size(); ++i)
	{
		EXPECT_EQ(trace[i].rfind("{\"pass\": " + std::to_string(i + 1) + ",", 0), 0u) << trace[i];
	}
	expectPairs(folder / "video", int(trace.size()));
	expectEveryPictureWhole(folder / "video");
	std::string error;
	EXPECT_EQ(aviHeaderFrameCount((folder / "run.avi").string(), error), long(trace.size())) << error;
}

INSTANTIATE_TEST_SUITE_P(Signals, StoppedRecording,
	::testing::Values(Stop{SIGINT, DuringStartUp}, Stop{SIGTERM, DuringStartUp}, Stop{SIGINT, MidRun},
		Stop{SIGTERM, MidRun}, Stop{SIGHUP, MidRun}, Stop{SIGINT, DuringARescan}, Stop{SIGTERM, DuringARescan},
		Stop{SIGINT, WhileTheQueueIsFull}, Stop{SIGTERM, WhileTheQueueIsFull}),
	nameOf);

/// SIGKILL gives the program no say: what it leaves under a final name
/// decodes, and its trace loses at most the line it was writing. Killed at
/// three moments, for more chances to catch a file half written. The kernel
/// keeps what was written, flushed or not, so this passes without a flush.
TEST(StoppingRuns, AKilledRunLeavesNoBrokenPictureUnderAFinalName)
{
	for (const int killedAfter : {8, 21, 34})
	{
		const fs::path folder = runFolder("killed");
		RunningProgram program(folder);
		ASSERT_TRUE(program.waitFor([&] { return int(wholeLines(folder / "run.jsonl").size()) >= killedAfter; }));
		program.send(SIGKILL);
		ASSERT_TRUE(WIFSIGNALED(program.waitStatus()));
		const std::vector<std::string> trace = wholeLines(folder / "run.jsonl");
		EXPECT_GE(int(trace.size()), killedAfter);
		for (std::size_t i = 0; i < trace.size(); ++i)
		{
			EXPECT_EQ(trace[i].rfind("{\"pass\": " + std::to_string(i + 1) + ",", 0), 0u) << trace[i];
			EXPECT_EQ(trace[i].back(), '}') << trace[i];
		}
		expectEveryPictureWhole(folder / "video");
	}
}

/// The program's command line run over a small in-memory file system of
/// `size` mounted on "video", in a mount namespace of its own; what it
/// recorded is copied to "kept" when it has ended.
std::vector<std::string> onSmallDisk(const std::string& size, const std::vector<std::string>& arguments)
{
	std::vector<std::string> command = {"/usr/bin/unshare", "-rm", "/bin/sh", "-c",
		"mount -t tmpfs -o size=" + size + " tmpfs video || exit 77; \"$@\"; s=$?; cp -a video/. kept/; exit $s", "sh",
		DRAWTABLE_PATH, "--headless", "--source", "demo", "--data", fs::current_path().string(), "--passes", "60",
		"--trace", "run.jsonl"};
	command.insert(command.end(), arguments.begin(), arguments.end());
	return command;
}

/// The machine allows no such file system (no namespace, no unshare).
bool noSmallDisk(int status, const std::string& said)
{
	return WEXITSTATUS(status) == 77 || WEXITSTATUS(status) == 127 || said.rfind("unshare:", 0) == 0;
}

/// A disk that fills up mid-run: a small in-memory file system on "video", in
/// a mount namespace of the program's own, copied out when it has ended.
/// Skipped where the machine allows no such namespace.
TEST(StoppingRuns, AFullDiskStopsTheRecordingWithOneLineAndTheGameRunsOn)
{
	const fs::path folder = runFolder("full");
	fs::create_directory(folder / "kept");
	RunningProgram program(folder, onSmallDisk("4m", {}));
	const int status = program.waitStatus();
	const std::string said = readAll(folder / "err.txt");
	if (noSmallDisk(status, said))
	{
		GTEST_SKIP() << "no small file system here: " << said;
	}
	ASSERT_EQ(WEXITSTATUS(status), 0) << said;
	EXPECT_EQ(wholeLines(folder / "run.jsonl").size(), 60u);
	const std::size_t full = said.find("video/");
	EXPECT_NE(said.find("No space left on device", full), std::string::npos) << said;
	EXPECT_EQ(said.find("video", said.find('\n', full)), std::string::npos) << "more than one line: " << said;

	// The pairs before the full disk, each picture whole, no temporary file
	// left; the disk may have filled between the two pictures of a pair.
	const int pairs = gamePicturesIn(folder / "kept");
	EXPECT_GT(pairs, 0);
	EXPECT_LT(pairs, 60);
	expectPairs(folder / "kept", pairs, "raw" + std::to_string(pairs) + ".png");
	expectEveryPictureWhole(folder / "kept");
}

/// Recording stops by itself when the free space falls below the floor
/// (--keep-free): a small in-memory file system on "video" as in the full disk
/// test above, of 24 MB with 20 MB to be kept free. One line says so, every
/// pass recorded before is whole, none after it, and the game plays on.
TEST(StoppingRuns, RecordingStopsAtTheFloorWithOneLineAndTheGameRunsOn)
{
	const fs::path folder = runFolder("floor");
	fs::create_directory(folder / "kept");
	RunningProgram program(folder, onSmallDisk("24m", {"--record", "frames", "--keep-free", "20M"}));
	const int status = program.waitStatus();
	const std::string said = readAll(folder / "err.txt");
	if (noSmallDisk(status, said))
	{
		GTEST_SKIP() << "no small file system here: " << said;
	}
	ASSERT_EQ(WEXITSTATUS(status), 0) << said;
	EXPECT_EQ(wholeLines(folder / "run.jsonl").size(), 60u);
	EXPECT_NE(said.find("video: "), std::string::npos) << said;
	EXPECT_NE(said.find("free, less than the 20 MB kept free (--keep-free); recording stops, what it recorded is kept\n"),
		std::string::npos) << said;
	EXPECT_EQ(said.find("recording stops", said.find("recording stops") + 1), std::string::npos) << "more than once: " << said;
	EXPECT_EQ(said.find("No space left"), std::string::npos) << said;
	const int pairs = gamePicturesIn(folder / "kept");
	EXPECT_GT(pairs, 0);
	EXPECT_LT(pairs, 60);
	expectPairs(folder / "kept", pairs);
	expectEveryPictureWhole(folder / "kept");
}

/// The handler only notes the first stop signal: a repeated SIGTERM or SIGHUP
/// changes nothing, a second SIGINT ends the process at once with 130. A
/// signal ignored when the program started (nohup) stays ignored.
TEST(StopSignals, OnlyASecondCtrlCEndsAtOnceAndIgnoredSignalsStayIgnored)
{
	EXPECT_EXIT(
		{
			catchStopSignals();
			for (const int signal : {SIGTERM, SIGHUP, SIGTERM})
			{
				std::raise(signal);
			}
			if (stopSignal() == SIGTERM)
			{
				std::raise(SIGINT);
			}
			std::exit(1);
		},
		::testing::ExitedWithCode(130), "");
	EXPECT_EXIT(
		{
			std::signal(SIGHUP, SIG_IGN);
			catchStopSignals();
			std::raise(SIGHUP);
			std::exit(stopSignal());
		},
		::testing::ExitedWithCode(0), "");
}

}  // namespace
