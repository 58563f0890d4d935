// A board not found with a camera calibration made today and never used is
// put down to the calibration, once, and the first board found notes the
// calibration as used.

#include "ScratchFiles.h"

#include "app/Application.h"
#include "calibration/CalibrationNote.h"
#include "platform/HeadlessDisplay.h"
#include "platform/StillFrameSource.h"
#include "scenes/SyntheticBoardCamera.h"
#include "tracking/ScanOutcome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace
{

namespace fs = std::filesystem;

constexpr std::time_t day = 24 * 3600;

/// A copy of the shipped camera file in a folder of its own, with a note as
/// the calibration tool writes it, made at `written` and used or not.
std::string calibratedCamera(const std::string& name, std::time_t written, bool used)
{
	const std::string folder = scratchPath(name) + "/";
	fs::remove_all(folder);
	fs::create_directories(folder);
	const std::string camera = folder + "camera_para.dat";
	fs::copy_file("Data/camera_para.dat", camera);
	CalibrationNote note;
	note.written = written;
	note.grade = "usable";
	note.used = used;
	EXPECT_FALSE(writeCalibrationNote(camera, note));
	return camera;
}

ScanOutcome scanThat(ScanOutcome::Result result)
{
	ScanOutcome scan;
	scan.result = result;
	return scan;
}

/// What `hint` says to the console after `scan`.
std::string saidAfter(CalibrationHint& hint, ScanOutcome::Result result, std::time_t now)
{
	::testing::internal::CaptureStderr();
	hint.afterScan(scanThat(result), now);
	return ::testing::internal::GetCapturedStderr();
}

TEST(CalibrationHint, OnlyAnUntriedCalibrationOfTodayIsSuspectedAndOnlyWhenTheBoardIsMissed)
{
	const std::time_t now = std::time(nullptr);
	struct Case
	{
		const char* what;
		std::time_t written;
		bool used;
		ScanOutcome::Result scan;
		bool suspected;
	};
	const Case cases[] = {
		{"made today, markers missing", now, false, ScanOutcome::MarkersMissing, true},
		{"made today, a pose that misses", now, false, ScanOutcome::PoseUncertain, true},
		{"made today, seen edge on", now, false, ScanOutcome::SeenEdgeOn, true},
		{"made today, but already used", now, true, ScanOutcome::MarkersMissing, false},
		{"made two days ago", now - 2 * day, false, ScanOutcome::MarkersMissing, false},
		{"scanning paused", now, false, ScanOutcome::Paused, false},
		{"no frame yet", now, false, ScanOutcome::NoFrame, false},
		{"a frame too small", now, false, ScanOutcome::FrameTooSmall, false},
	};
	for (const Case& test : cases)
	{
		SCOPED_TRACE(test.what);
		const std::string camera = calibratedCamera("hint_case", test.written, test.used);
		CalibrationHint hint(camera);
		const std::string said = saidAfter(hint, test.scan, now);
		EXPECT_EQ(!hint.line().empty(), test.suspected);
		EXPECT_EQ(said.empty(), !test.suspected) << said;
		if (test.suspected)
		{
			EXPECT_EQ(said.rfind(camera + ": the board is not found with this camera calibration, made today", 0), 0u);
			EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
			EXPECT_NE(said.find("check the calibration"), std::string::npos) << said;
		}
	}
	// A camera file without a note, or copied over the one the note was for.
	const std::string camera = calibratedCamera("hint_copied", now, false);
	std::ofstream(camera, std::ios::app) << '\0';
	CalibrationHint copied(camera);
	EXPECT_EQ(saidAfter(copied, ScanOutcome::MarkersMissing, now), "");
	CalibrationHint none("Data/camera_para.dat");
	EXPECT_EQ(saidAfter(none, ScanOutcome::MarkersMissing, now), "");
}

TEST(CalibrationHint, SaidOnceHeldWhileMissedAndTheFirstBoardFoundEndsIt)
{
	const std::time_t now = std::time(nullptr);
	const std::string camera = calibratedCamera("hint_life", now, false);
	CalibrationHint hint(camera);
	EXPECT_NE(saidAfter(hint, ScanOutcome::MarkersMissing, now), "");
	EXPECT_EQ(saidAfter(hint, ScanOutcome::MarkersMissing, now), "");
	EXPECT_FALSE(hint.line().empty()) << "the player is still told";
	EXPECT_EQ(saidAfter(hint, ScanOutcome::Paused, now), "");
	EXPECT_TRUE(hint.line().empty()) << "a paused scan says nothing of the board";

	EXPECT_EQ(saidAfter(hint, ScanOutcome::Found, now), "");
	EXPECT_TRUE(hint.line().empty());
	EXPECT_FALSE(isUntriedCalibration(camera, now)) << "the board found notes the calibration used";
	EXPECT_EQ(saidAfter(hint, ScanOutcome::MarkersMissing, now), "");
	EXPECT_TRUE(hint.line().empty());
	// Found once, it stays trusted for the rest of the run even where the note
	// could not be written.
	CalibrationNote untried;
	untried.written = now;
	untried.grade = "usable";
	ASSERT_FALSE(writeCalibrationNote(camera, untried));
	EXPECT_EQ(saidAfter(hint, ScanOutcome::MarkersMissing, now), "");
	EXPECT_TRUE(hint.line().empty());
	ASSERT_FALSE(markCalibrationUsed(camera));
	// The next run, too, trusts it.
	CalibrationHint nextRun(camera);
	EXPECT_EQ(saidAfter(nextRun, ScanOutcome::MarkersMissing, now), "");
}

/// A started program with the camera file `camera`, looking at `picture`.
std::unique_ptr<Application> programWith(const std::string& camera, const cv::Mat& picture)
{
	DataFiles files;
	files.cameraParam = camera;
	auto app = std::make_unique<Application>(std::make_unique<StillFrameSource>(picture),
		std::make_unique<HeadlessDisplay>(), files);
	::testing::internal::CaptureStdout();
	EXPECT_EQ(app->start(), 0);
	::testing::internal::GetCapturedStdout();
	return app;
}

TEST(CalibrationHint, TheProgramSaysItWhenTheBoardIsNotFoundAndNotesTheFirstBoardFound)
{
	const std::string camera = calibratedCamera("hint_program", std::time(nullptr), false);
	// A camera that sees no board: the first scan, in pass 16, misses it.
	auto blind = programWith(camera, cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(128)));
	::testing::internal::CaptureStderr();
	for (int pass = 0; pass < 40; ++pass)
	{
		blind->runPass();
	}
	const std::string said = ::testing::internal::GetCapturedStderr();
	EXPECT_NE(said.find("not scanned: "), std::string::npos) << said;
	EXPECT_NE(said.find(camera + ": the board is not found with this camera calibration"), std::string::npos) << said;
	const size_t first = said.find("check the calibration");
	EXPECT_NE(first, std::string::npos);
	EXPECT_EQ(said.find("check the calibration", first + 1), std::string::npos) << "said once: " << said;
	EXPECT_FALSE(blind->calibrationHint().empty());
	EXPECT_TRUE(isUntriedCalibration(camera, std::time(nullptr)));

	BoardDrawing drawing;
	drawing.circles.push_back({cv::Point2f(220, 200), 28.0f, Ink::Black, false, 4.0f});
	std::string error;
	const auto board = SyntheticBoardCamera::fromFiles(camera.c_str(), "Data/markers/marker.dat",
		"Data/markers/portal.dat", drawing, viewOfBoard(480, 10, 0), error);
	ASSERT_TRUE(board) << error;
	auto seeing = programWith(camera, board->picture());
	::testing::internal::CaptureStderr();
	for (int pass = 0; pass < 16; ++pass)
	{
		seeing->runPass();
	}
	const std::string seen = ::testing::internal::GetCapturedStderr();
	EXPECT_EQ(seen.find("calibration"), std::string::npos) << seen;
	EXPECT_TRUE(seeing->calibrationHint().empty());
	EXPECT_FALSE(isUntriedCalibration(camera, std::time(nullptr)));
}

}  // namespace
