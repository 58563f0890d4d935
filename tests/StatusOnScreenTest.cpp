#include "PlayedScenes.h"

#include "MadeFrames.h"
#include "ScratchFiles.h"
#include "app/TableStatus.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <filesystem>
#include <functional>

// Every reason the table gives on the console for not reacting is also the
// play view's status line, in a player's words, while the reason lasts; each
// is read here from the program (its status and its trace), not a picture.

namespace
{

/// A program over a picture the test may change between passes.
struct Table
{
	explicit Table(cv::Mat picture)
	{
		auto still = std::make_unique<StillFrameSource>(std::move(picture));
		camera = still.get();
		::testing::internal::CaptureStdout();
		program = std::make_unique<TestProgram>(std::move(still));
		::testing::internal::GetCapturedStdout();
	}

	/// Run passes; the status line after them.
	std::string run(int passes)
	{
		::testing::internal::CaptureStdout();
		::testing::internal::CaptureStderr();
		program->run(passes);
		::testing::internal::GetCapturedStderr();
		::testing::internal::GetCapturedStdout();
		return program->app->status().line();
	}

	/// The status as the trace file last wrote it ("" before any).
	std::string tracedStatus() const
	{
		for (auto record = program->passes.rbegin(); record != program->passes.rend(); ++record)
		{
			if (record->statusChanged)
			{
				return record->status;
			}
		}
		return "";
	}

	/// What the play view's bottom line says.
	std::string shownStatus() const { return program->app->playWindow()->scene().status.statusLine; }

	StillFrameSource* camera = nullptr;
	std::unique_ptr<TestProgram> program;
};

}  // namespace

TEST(StatusOnScreen, TheBoardNotFoundSaysHowManyMarkersAreSeenUntilItIsFound)
{
	// Two markers seen are enough to find the board by; none are not.
	Table table(cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(128)));
	EXPECT_EQ(table.run(15), "") << "no scan yet";
	const std::string said = "Show the whole board to the camera: 0 of 6 markers seen";
	EXPECT_EQ(table.run(1), said);
	EXPECT_EQ(table.tracedStatus(), said);
	EXPECT_TRUE(table.program->passes.back().statusChanged);
	EXPECT_EQ(table.shownStatus(), said);
	EXPECT_FALSE(table.program->app->playWindow()->scene().boardInView);
	// It lasts while the board is not found, without being written again.
	EXPECT_EQ(table.run(30), said);
	EXPECT_FALSE(table.program->passes.back().statusChanged);

	table.camera->picture = demoBoardPicture();
	EXPECT_EQ(table.run(1 + Stillness::rescanThreshold), "");
	EXPECT_EQ(table.tracedStatus(), "");
	EXPECT_TRUE(table.program->app->playWindow()->scene().boardInView);
}

TEST(StatusOnScreen, MarkersThatFitNoFlatBoardAskForItToLieFlat)
{
	Table table(demoBoardWithSwappedMarkers());
	EXPECT_EQ(table.run(16), "The board's markers do not line up: lay the board flat");
}

TEST(StatusOnScreen, AHandOverTheBoardIsToldToGoUntilAScanSeesNone)
{
	Table table(demoBoardWithHand());
	EXPECT_EQ(table.run(16), "Take your hand off the board");
	EXPECT_EQ(table.run(40), "Take your hand off the board");
	table.camera->picture = demoBoardPicture();
	EXPECT_EQ(table.run(1 + Stillness::rescanThreshold), "");
}

TEST(StatusOnScreen, TheKeysSayWhatTheyPausedTheMostPressingFirst)
{
	Table table(demoBoardPicture());
	table.program->display->pushKey('p');
	EXPECT_EQ(table.run(1), "Scanning paused: press p to scan the board again");
	table.program->display->pushKey('s');
	EXPECT_EQ(table.run(1), "Scanning paused: press p to scan the board again") << "half speed says less";
	table.program->display->pushKey(' ');
	EXPECT_EQ(table.run(1), "Paused: press space to play on");
	// The key is read as the pass ends: the play view shows it from the next.
	EXPECT_EQ(table.run(1), "Paused: press space to play on");
	EXPECT_EQ(table.shownStatus(), "Paused: press space to play on");
	EXPECT_TRUE(table.program->app->playWindow()->scene().status.paused);
	table.program->display->pushKey(' ');
	EXPECT_EQ(table.run(1), "Scanning paused: press p to scan the board again");
	table.program->display->pushKey('p');
	EXPECT_EQ(table.run(1), "Half speed: press s for full speed");
	table.program->display->pushKey('s');
	EXPECT_EQ(table.run(1), "");
	// Every change was written into the trace once.
	std::vector<std::string> written;
	for (const PassRecord& record : table.program->passes)
	{
		if (record.statusChanged)
		{
			written.push_back(record.status);
		}
	}
	EXPECT_EQ(written, (std::vector<std::string>{"Scanning paused: press p to scan the board again",
						   "Paused: press space to play on", "Scanning paused: press p to scan the board again",
						   "Half speed: press s for full speed", ""}));
}

TEST(StatusOnScreen, RecordingThatStoppedOnAFullDiskIsSaid)
{
	Table table(cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(128)));
	const std::filesystem::path home = std::filesystem::current_path();
	const std::filesystem::path folder = std::filesystem::path(scratchFolder()) / "full-disk";
	std::filesystem::create_directories(folder);
	std::filesystem::current_path(folder);
	// A floor above any disk's size: the first frames written fill it.
	table.program->app->recorder().setSettings({RecordMode::Frames, std::uint64_t(1) << 62});
	::testing::internal::CaptureStdout();
	table.program->app->recorder().announce();
	::testing::internal::GetCapturedStdout();
	std::string line;
	for (int pass = 0; pass < 5 && line.empty(); ++pass)
	{
		line = table.run(1);
	}
	std::filesystem::current_path(home);
	EXPECT_TRUE(table.program->app->recorder().hasStopped());
	EXPECT_EQ(line, "Recording stopped: the disk is nearly full");
}

/// A picture that never settles is said, with its cause, from the moment the
/// console says it until the picture keeps still.
TEST(StatusOnScreen, APictureThatNeverSettlesSaysItsCauseUntilItKeepsStill)
{
	const cv::Mat board = demoBoardPicture();
	bool settled = false;
	const auto moving = [&](int pass) {
		cv::Mat frame = board.clone();
		if (!settled)
		{
			cv::circle(frame, cv::Point(100 + 8 * (pass % 30), 420), 30, cv::Scalar(60, 90, 160), cv::FILLED);
		}
		return frame;
	};
	::testing::internal::CaptureStdout();
	TestProgram program(std::make_unique<MadeFrames>(moving));
	::testing::internal::GetCapturedStdout();
	program.app->setClock([&program] { return program.app->passCount() / 30.0; });
	::testing::internal::CaptureStderr();
	program.run(290);
	EXPECT_EQ(program.app->status().line(), "") << "ten seconds' patience";
	program.run(40);
	::testing::internal::GetCapturedStderr();
	EXPECT_EQ(program.app->status().line(), "Something keeps moving in view: keep the board and the camera still");
	settled = true;
	::testing::internal::CaptureStderr();
	program.run(Stillness::rescanThreshold + 1);
	::testing::internal::GetCapturedStderr();
	EXPECT_EQ(program.app->status().line(), "");
}

/// Each cause of an unsettled picture, and each scan's outcome, in a
/// player's words under its reason; a scan that finds the board clears them.
TEST(StatusOnScreen, EachCauseAndScanOutcomeHasItsReasonAndWords)
{
	const std::pair<UnsettledPicture::Cause, const char*> causes[] = {
		{UnsettledPicture::Cause::NoPicture, "No picture comes from the camera"},
		{UnsettledPicture::Cause::Bands, "Bands of light roll through the picture"},
		{UnsettledPicture::Cause::Flicker, "The light flickers"},
		{UnsettledPicture::Cause::Exposure, "The camera keeps changing its brightness"},
		{UnsettledPicture::Cause::Moving, "Something keeps moving in view"},
		{UnsettledPicture::Cause::Noise, "The camera's picture is too grainy"},
	};
	for (const auto& [cause, words] : causes)
	{
		StatusLine status;
		noteUnsettled(status, true, cause);
		EXPECT_EQ(status.words(StatusReason::Unsettled).rfind(words, 0), 0u) << status.line();
		noteUnsettled(status, false, cause);
		EXPECT_EQ(status.line(), "");
	}

	struct Outcome
	{
		ScanOutcome::Result result;
		StatusReason reason;
		const char* words;
	};
	const Outcome outcomes[] = {
		{ScanOutcome::FrameTooSmall, StatusReason::FramesTooSmall, "The camera's pictures (60 x 40) are too small"},
		{ScanOutcome::MarkersMissing, StatusReason::BoardNotFound, "Show the whole board to the camera: 2 of 6"},
		{ScanOutcome::PoseUncertain, StatusReason::PoseUncertain, "The board's markers do not line up"},
		{ScanOutcome::SeenEdgeOn, StatusReason::SeenObliquely, "The camera sees the board too much from the side"},
		{ScanOutcome::NoFrame, StatusReason::ScanHeldBack, "Waiting for a picture from the camera"},
	};
	StatusLine status;
	for (const Outcome& outcome : outcomes)
	{
		ScanOutcome scan;
		scan.result = outcome.result;
		scan.markersSeen = 2;
		scan.boardMarkers = 6;
		scan.frameWidth = 60;
		scan.frameHeight = 40;
		noteScan(status, scan);
		EXPECT_EQ(status.line().rfind(outcome.words, 0), 0u) << status.line();
		EXPECT_TRUE(status.holds(outcome.reason));
		EXPECT_TRUE(boardOutOfSight(status));
		// A paused scan leaves the reason as it was.
		ScanOutcome paused;
		paused.result = ScanOutcome::Paused;
		noteScan(status, paused);
		EXPECT_TRUE(status.holds(outcome.reason));
	}
	ScanOutcome found;
	found.result = ScanOutcome::Found;
	noteScan(status, found);
	EXPECT_EQ(status.line(), "");
	EXPECT_FALSE(boardOutOfSight(status));
}
