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

// The real program, recording the demo headless, stopped from outside as a
// user, a closed terminal, a service manager or a power cut stops it.

namespace
{

/// Long enough for a sanitizer build on a busy machine.
constexpr std::chrono::seconds patience(300);

/// The program started as a shell or a service manager starts it: in a folder
/// of its own, its output in out.txt and err.txt there, and every signal at
/// its default action whatever this test process inherited (a background job
/// of a shell script ignores SIGINT, which would prove nothing).
class RunningProgram
{
public:
	/// `command` starts with the path of the program to run.
	RunningProgram(const fs::path& folder, std::vector<std::string> command) : folder(folder)
	{
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
			struct sigaction byDefault = {};
			byDefault.sa_handler = SIG_DFL;
			for (const int signal : {SIGINT, SIGTERM, SIGHUP})
			{
				::sigaction(signal, &byDefault, nullptr);
			}
			sigset_t none;
			sigemptyset(&none);
			::sigprocmask(SIG_SETMASK, &none, nullptr);
			if (::chdir(where.c_str()) != 0)
			{
				::_exit(126);
			}
			::dup2(::open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
			::dup2(::open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
			::execv(argv[0], argv.data());
			::_exit(127);
		}
	}

	~RunningProgram()
	{
		if (!ended)
		{
			::kill(pid, SIGKILL);
			::waitpid(pid, nullptr, 0);
		}
	}

	/// Wait until `ready` holds; false when the program ended first or it took too long.
	bool waitFor(const std::function<bool()>& ready)
	{
		const auto deadline = std::chrono::steady_clock::now() + patience;
		while (std::chrono::steady_clock::now() < deadline)
		{
			if (ready())
			{
				return true;
			}
			if (::waitpid(pid, &status, WNOHANG) == pid)
			{
				ended = true;
				return false;
			}
			std::this_thread::sleep_for(std::chrono::milliseconds(2));
		}
		return false;
	}

	/// True once the program has its handlers for the three stop signals.
	bool catchesStopSignals() const
	{
		const unsigned long wanted = 1ul << (SIGINT - 1) | 1ul << (SIGTERM - 1) | 1ul << (SIGHUP - 1);
		return (signalMask("SigCgt:") & wanted) == wanted;
	}

	void send(int signal) { ::kill(pid, signal); }

	/// The wait status once the program has ended; -1 when it did not.
	int waitStatus()
	{
		if (!ended && waitFor([] { return false; }))
		{
			return -1;
		}
		return ended ? status : -1;
	}

	std::string stderrText() const { return readAll(folder / "err.txt"); }

	static std::string readAll(const fs::path& file)
	{
		std::ifstream in(file, std::ios::binary);
		std::ostringstream text;
		text << in.rdbuf();
		return text.str();
	}

private:
	/// A signal mask of /proc/PID/status, by the name of its line.
	unsigned long signalMask(const std::string& name) const
	{
		std::ifstream proc("/proc/" + std::to_string(pid) + "/status");
		for (std::string line; std::getline(proc, line);)
		{
			if (line.rfind(name, 0) == 0)
			{
				return std::stoul(line.substr(name.size()), nullptr, 16);
			}
		}
		return 0;
	}

	const fs::path folder;
	pid_t pid = -1;
	int status = 0;
	bool ended = false;
};

/// The trace's lines that are whole, without their line ends: a killed run
/// may leave a part of one last.
std::vector<std::string> wholeTraceLines(const fs::path& trace)
{
	const std::string text = RunningProgram::readAll(trace);
	std::vector<std::string> lines;
	for (std::size_t start = 0, end = 0; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
	{
		lines.push_back(text.substr(start, end - start));
	}
	return lines;
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

/// The names in `video` that are not in their final place: hidden temporary files.
std::set<std::string> unfinishedIn(const fs::path& folder)
{
	std::set<std::string> names;
	for (const auto& entry : fs::directory_iterator(folder))
	{
		const std::string name = entry.path().filename().string();
		if (name[0] == '.')
		{
			names.insert(name);
		}
	}
	return names;
}

/// Every PNG under a final name in `folder` decodes to a 640 x 480 picture.
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

/// True when the program has traced four passes more than it has written
/// game pictures: their pairs wait for the writer.
bool queueIsFull(const fs::path& folder)
{
	const std::size_t traced = wholeTraceLines(folder / "run.jsonl").size();
	return traced >= 5 && traced >= std::size_t(gamePicturesIn(folder / "video")) + 4;
}

/// A scratch folder with an empty "video" folder, where the program runs.
fs::path freshRunFolder(const std::string& name)
{
	const fs::path folder = scratchPath(name);
	fs::remove_all(folder);
	fs::create_directories(folder / "video");
	return folder;
}

/// The demo, recorded, with no end of its own.
std::vector<std::string> recordingTheDemo()
{
	return {DRAWTABLE_PATH, "--headless", "--source", "demo", "--data", fs::current_path().string(), "--trace",
		"run.jsonl", "--video", "run.avi"};
}

enum class Moment
{
	StartUp,  // as soon as the program catches the signals, before or in its first passes
	MidRun,  // in pass 30, while the hand lies over the board
	Rescan,  // as pass 51 starts, whose rescan finds the board
	QueueFull,  // when four pairs wait for the writer
};

struct Stop
{
	int signal;
	Moment moment;
};

void PrintTo(const Stop& stop, std::ostream* out)
{
	*out << "signal " << stop.signal << ", moment " << int(stop.moment);
}

std::string nameOf(const ::testing::TestParamInfo<Stop>& info)
{
	const char* signal = info.param.signal == SIGINT ? "SIGINT" : info.param.signal == SIGTERM ? "SIGTERM" : "SIGHUP";
	const char* moments[] = {"DuringStartUp", "MidRun", "DuringARescan", "WhileTheQueueIsFull"};
	return std::string(signal) + "_" + moments[int(info.param.moment)];
}

class StoppedRecording : public ::testing::TestWithParam<Stop>
{
};

/// Ended as ESC ends it: the pass in progress completes, every queued frame is
/// written, the video is finished and the trace closed; the status is 128 and
/// the signal. So every traced pass has both its pictures, whole, and the
/// video's header counts every pass.
TEST_P(StoppedRecording, EndsAsEscapeDoesWithEveryPassOnDisk)
{
	const fs::path folder = freshRunFolder("stopped");
	RunningProgram program(folder, recordingTheDemo());
	const auto passes = [&] { return wholeTraceLines(folder / "run.jsonl").size(); };
	bool reached = false;
	switch (GetParam().moment)
	{
	case Moment::StartUp:
		reached = program.waitFor([&] { return program.catchesStopSignals(); });
		break;
	case Moment::MidRun:
		reached = program.waitFor([&] { return passes() >= 30; });
		break;
	case Moment::Rescan:
		reached = program.waitFor([&] { return passes() >= 50; });
		break;
	case Moment::QueueFull:
		reached = program.waitFor([&] { return queueIsFull(folder); });
		break;
	}
	ASSERT_TRUE(reached) << program.stderrText();
	program.send(GetParam().signal);
	const int status = program.waitStatus();
	ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status) << "\n" << program.stderrText();
	EXPECT_EQ(WEXITSTATUS(status), 128 + GetParam().signal) << program.stderrText();
	EXPECT_NE(program.stderrText().find(signalName(GetParam().signal) + ": stopping"), std::string::npos)
		<< program.stderrText();

	const std::vector<std::string> trace = wholeTraceLines(folder / "run.jsonl");
	const std::string traced = RunningProgram::readAll(folder / "run.jsonl");
	EXPECT_TRUE(traced.empty() || traced.back() == '\n') << "the trace ends in a part of a line";
	for (std::size_t i = 0; i < trace.size(); ++i)
	{
		ASSERT_EQ(trace[i].rfind("{\"pass\": " + std::to_string(i + 1) + ",", 0), 0u) << trace[i];
	}
	std::set<std::string> expected;
	for (std::size_t i = 0; i < trace.size(); ++i)
	{
		expected.insert("raw" + std::to_string(i) + ".png");
		expected.insert("game" + std::to_string(i) + ".png");
	}
	std::set<std::string> found;
	for (const auto& entry : fs::directory_iterator(folder / "video"))
	{
		found.insert(entry.path().filename().string());
	}
	EXPECT_EQ(found, expected);
	expectEveryPictureWhole(folder / "video");
	std::string error;
	EXPECT_EQ(aviHeaderFrameCount((folder / "run.avi").string(), error), long(trace.size())) << error;
}

INSTANTIATE_TEST_SUITE_P(Signals, StoppedRecording,
	::testing::Values(Stop{SIGINT, Moment::StartUp}, Stop{SIGTERM, Moment::StartUp}, Stop{SIGINT, Moment::MidRun},
		Stop{SIGTERM, Moment::MidRun}, Stop{SIGHUP, Moment::MidRun}, Stop{SIGINT, Moment::Rescan},
		Stop{SIGTERM, Moment::Rescan}, Stop{SIGINT, Moment::QueueFull}, Stop{SIGTERM, Moment::QueueFull}),
	nameOf);

/// A user who presses Ctrl-C again does not wait for the queue: the program
/// ends at once, before its video is finished. The first comes while four
/// pairs wait for the writer, so that writing them takes a while; the second
/// once the program has said that it stops (sent earlier, two would be one).
TEST(StoppingRuns, ASecondCtrlCEndsAtOnce)
{
	const fs::path folder = freshRunFolder("twice");
	RunningProgram program(folder, recordingTheDemo());
	ASSERT_TRUE(program.waitFor([&] { return queueIsFull(folder); }));
	program.send(SIGINT);
	ASSERT_TRUE(program.waitFor([&] { return program.stderrText().find("SIGINT: stopping") != std::string::npos; }));
	program.send(SIGINT);
	const int status = program.waitStatus();
	ASSERT_TRUE(WIFEXITED(status)) << program.stderrText();
	EXPECT_EQ(WEXITSTATUS(status), 130);
	std::string error;
	EXPECT_EQ(aviHeaderFrameCount((folder / "run.avi").string(), error), 0) << error;
}

/// SIGKILL gives the program no say. Files are renamed into place once whole,
/// so what it leaves under a final name decodes, and the trace loses at most
/// the line it was writing. Killed at three moments, for more chances to find
/// a file half written.
TEST(StoppingRuns, AKilledRunLeavesNoBrokenPictureUnderAFinalName)
{
	for (const std::size_t killedAfter : {8, 21, 34})
	{
		const fs::path folder = freshRunFolder("killed");
		{
			RunningProgram program(folder, recordingTheDemo());
			ASSERT_TRUE(program.waitFor([&] { return wholeTraceLines(folder / "run.jsonl").size() >= killedAfter; }));
			program.send(SIGKILL);
			const int status = program.waitStatus();
			ASSERT_TRUE(WIFSIGNALED(status));
		}
		const std::vector<std::string> trace = wholeTraceLines(folder / "run.jsonl");
		EXPECT_GE(trace.size(), killedAfter);
		for (std::size_t i = 0; i < trace.size(); ++i)
		{
			EXPECT_EQ(trace[i].rfind("{\"pass\": " + std::to_string(i + 1) + ",", 0), 0u) << trace[i];
			EXPECT_EQ(trace[i].back(), '}') << trace[i];
		}
		expectEveryPictureWhole(folder / "video");
	}
}

/// A disk that fills up mid-run, made for the program alone: a small
/// in-memory file system on its "video" folder, in a mount namespace of its
/// own, whose files are copied out when the program has ended. Skipped where
/// the machine allows no such namespace.
TEST(StoppingRuns, AFullDiskStopsTheRecordingOnceAndTheGameRunsOn)
{
	const fs::path folder = freshRunFolder("full");
	fs::create_directory(folder / "kept");
	std::vector<std::string> command = {"/usr/bin/unshare", "-rm", "/bin/sh", "-c",
		"mount -t tmpfs -o size=4m tmpfs video || exit 77; \"$@\"; status=$?; cp -a video/. kept/; exit $status",
		"sh", DRAWTABLE_PATH, "--headless", "--source", "demo", "--data", fs::current_path().string(), "--passes",
		"60", "--trace", "run.jsonl"};
	RunningProgram program(folder, command);
	const int status = program.waitStatus();
	const std::string said = program.stderrText();
	if (WIFEXITED(status) && (WEXITSTATUS(status) == 77 || WEXITSTATUS(status) == 127 || said.rfind("unshare:", 0) == 0))
	{
		GTEST_SKIP() << "no small file system here: " << said;
	}
	ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << said;
	EXPECT_EQ(wholeTraceLines(folder / "run.jsonl").size(), 60u);
	std::vector<std::string> aboutVideo;
	std::istringstream lines(said);
	for (std::string line; std::getline(lines, line);)
	{
		if (line.find("video") != std::string::npos)
		{
			aboutVideo.push_back(line);
		}
	}
	ASSERT_EQ(aboutVideo.size(), 1u) << said;
	EXPECT_NE(aboutVideo[0].find("No space left on device"), std::string::npos) << said;

	// The pairs before the full disk, numbered from 0, each picture whole.
	expectEveryPictureWhole(folder / "kept");
	EXPECT_TRUE(unfinishedIn(folder / "kept").empty());
	const int pairs = gamePicturesIn(folder / "kept");
	EXPECT_GT(pairs, 0);
	EXPECT_LT(pairs, 60);
	for (int i = 0; i < pairs; ++i)
	{
		EXPECT_TRUE(fs::exists(folder / "kept" / ("raw" + std::to_string(i) + ".png"))) << i;
		EXPECT_TRUE(fs::exists(folder / "kept" / ("game" + std::to_string(i) + ".png"))) << i;
	}
}

/// The handler only notes the first stop signal; a repeated SIGTERM or
/// SIGHUP changes nothing, a second SIGINT ends the process with 130. A
/// signal that was ignored when the program started (nohup) stays ignored.
TEST(StopSignals, TheFirstIsNotedAndOnlyASecondCtrlCEndsAtOnce)
{
	EXPECT_EXIT(
		{
			catchStopSignals();
			std::raise(SIGTERM);
			std::raise(SIGHUP);
			std::raise(SIGTERM);
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
			std::exit(stopSignal() == 0 ? 0 : 1);
		},
		::testing::ExitedWithCode(0), "");
}

}  // namespace
