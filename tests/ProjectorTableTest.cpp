#include "ScratchFiles.h"

#include "app/Application.h"
#include "core/FixedValues.h"
#include "platform/HeadlessDisplay.h"
#include "scenes/ScriptedBoardCamera.h"
#include "scenes/ScriptedInputDisplay.h"

#include <box2d/b2_body.h>
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <map>

// The whole table with a projector, in simulation: the synthetic camera's
// projector shows what the program's "projector" window shows, late by its
// latency, and its light adds to the room's. Each placement runs the loop
// from the first calibration through play, a knocked camera and a redrawn
// board, and is measured against what the simulation knows to be true.

namespace
{

/// The demo's two drawings; the camera is knocked while the balls roll, and
/// a hand redraws the board later.
const char* const drawings = R"(
map funnel
ring black 185 190 28 4
ring black 300 190 28 4
stroke black 4  160 222  376 325
stroke black 4  262 222  314 252
stroke black 4  372 222  344 252
ring yellow 250 265 28 4
ring yellow 345 312 28 4
portal 500 240
map ramps
ring black 200 190 28 4
ring black 340 190 28 4
stroke black 4  165 230  290 310
stroke black 4  300 228  376 285
stroke black 4  280 322  376 326
ring yellow 240 256 28 4
portal 500 240
at 1 map funnel
at 75 view 470 12 3 10 5
at 78 view 480 10 0
at 135 hand 380 380
at 140 hand glide 300 260
at 150 map ramps
at 158 hand away
)";

constexpr int passes = 215;
const cv::Rect screen(1920, 0, 1280, 800);

std::string sceneWith(const std::string& projector)
{
	return "view 480 10 0\nprojector " + projector + " room 0.85 brightness 150\n" + drawings;
}

/// Board pixels to millimetres of the board set, as the synthetic sheet has them.
cv::Matx33d boardPixelsToMm(const ARMultiMarkerInfoT& board)
{
	const int corners[4] = {0, 2, 5, 3};
	const std::vector<cv::Point2f> pixels = {{0.0f, 0.0f}, {float(boardWidth - 1), 0.0f},
		{float(boardWidth - 1), float(boardHeight - 1)}, {0.0f, float(boardHeight - 1)}};
	std::vector<cv::Point2f> mm;
	for (int marker : corners)
	{
		mm.emplace_back(float(board.marker[size_t(marker)].trans[0][3]), float(board.marker[size_t(marker)].trans[1][3]));
	}
	return cv::Matx33d(cv::getPerspectiveTransform(pixels, mm));
}

cv::Point2d apply(const cv::Matx33d& h, cv::Point2d p)
{
	const cv::Vec3d q = h * cv::Vec3d(p.x, p.y, 1.0);
	return cv::Point2d(q[0] / q[2], q[1] / q[2]);
}

/// A program on a simulated table, headless, with every pass recorded and
/// what the projector's light did in it.
struct ProjectorTable
{
	ProjectorTable(const std::string& sceneText, bool projectorMode, const std::string& name)
	{
		SceneScript script;
		std::string error;
		EXPECT_TRUE(parseSceneScript(sceneText, name, script, error)) << error;
		BoardCameraFiles files;
		EXPECT_TRUE(readBoardCameraFiles("Data/camera_para.dat", "Data/markers/marker.dat", "Data/markers/portal.dat",
			files, error))
			<< error;
		toMm = boardPixelsToMm(files.board);
		auto made = std::make_unique<ScriptedBoardCamera>(script, files.board, files.portal, files.camera);
		camera = made.get();
		auto display = std::make_unique<ScriptedInputDisplay>(std::make_unique<HeadlessDisplay>(), script);
		camera->projector()->watch(*display);
		DataFiles data;
		data.projectorCalibration = scratchPath(name + ".yml");
		std::remove(data.projectorCalibration.c_str());
		app = std::make_unique<Application>(std::move(made), std::move(display), data);
		app->trace.addSink([this](const PassRecord& record) { records.push_back(record); });
		if (projectorMode)
		{
			app->useProjector(screen);
		}
		EXPECT_EQ(app->start(), 0);
	}

	void run(int count)
	{
		for (int i = 0; i < count; ++i)
		{
			app->runPass();
			light.push_back(camera->projector()->lastLight());
			measureBalls();
			measureMotion();
		}
	}

	/// Where the projector's light of each ball lands on the paper, against
	/// where the game has the ball, in millimetres.
	void measureBalls()
	{
		if (!app->projection)
		{
			return;
		}
		const ProjectorMode& mode = *app->projection;
		if (!mode.calibrated || mode.calibrating || mode.canvas.isDark() || app->board.homography.empty())
		{
			return;
		}
		const cv::Matx33d boardToProjector =
			mode.calibration.cameraToProjector * cv::Matx33d(app->board.homography).inv();
		const cv::Matx33d projectorToMm = camera->projector()->planeToProjector().inv();
		for (const BodyInfo* info : app->scene.collectBodyInfo())
		{
			if (info->kind != Solid)
			{
				continue;
			}
			const b2Vec2 p = info->body->GetPosition();
			const cv::Point2d board = app->analysis.mapping.toPixel(p.x, p.y);
			const cv::Point2d lit = apply(projectorToMm, apply(boardToProjector, board));
			worstBallMm = std::max(worstBallMm, cv::norm(lit - apply(toMm, board)));
			ballsMeasured += 1;
		}
	}

	/// What the projector's light alone adds to the motion test's measure
	/// (the mean difference from the reference in channel 0, threshold 10),
	/// over the pixels the test reads and over all of them.
	void measureMotion()
	{
		if (!app->projection)
		{
			return;
		}
		const cv::Mat& lit = camera->projector()->lastLightImage();
		cv::Mat now = cv::Mat::zeros(camera->frameSize(), CV_8UC1);
		if (!lit.empty())
		{
			cv::extractChannel(lit, now, 0);
		}
		if (records.back().still == 0 || referenceLight.empty())
		{
			referenceLight = now;
			return;
		}
		// The calibration's patterns are motion, as they should be.
		if (app->projection->calibrating || records.back().pass < calibratedPass + 10)
		{
			if (app->projection->calibrating)
			{
				calibratedPass = records.back().pass + 1;
			}
			return;
		}
		cv::Mat difference;
		cv::absdiff(now, referenceLight, difference);
		worstMotionUnmasked = std::max(worstMotionUnmasked, cv::sum(difference)[0] / 307200.0);
		const cv::Mat& ignored = app->scanner.motionIgnored();
		if (!ignored.empty())
		{
			difference.setTo(0, ignored);
		}
		worstMotion = std::max(worstMotion, cv::sum(difference)[0] / 307200.0);
	}

	/// Events of one type, each with the pass it came in.
	std::vector<std::pair<int, const Event*>> events(const std::string& type) const
	{
		std::vector<std::pair<int, const Event*>> found;
		for (const PassRecord& record : records)
		{
			for (const Event* event : record.eventsOf(type))
			{
				found.emplace_back(record.pass, event);
			}
		}
		return found;
	}

	/// What the drawing became at each new map: the balls, sensors and walls, as text.
	std::vector<std::string> mapsMade() const
	{
		std::vector<std::string> maps;
		for (const PassRecord& record : records)
		{
			if (record.eventsOf("newMap").empty())
			{
				continue;
			}
			std::string made;
			for (const Event& event : record.events)
			{
				if (event.type == "ball" || event.type == "sensor" || event.type == "walls")
				{
					made += event.type;
					for (const auto& field : event.fields)
					{
						made += " " + field.second;
					}
					made += "; ";
				}
			}
			maps.push_back(made);
		}
		return maps;
	}

	bool moving(int pass) const
	{
		const PassRecord& now = records[size_t(pass - 1)];
		const PassRecord& before = records[size_t(pass - 2)];
		if (now.moving.empty() || now.moving.size() != before.moving.size())
		{
			return false;
		}
		for (size_t i = 0; i < now.moving.size(); ++i)
		{
			if (now.moving[i].x != before.moving[i].x || now.moving[i].y != before.moving[i].y)
			{
				return true;
			}
		}
		return false;
	}

	ScriptedBoardCamera* camera = nullptr;
	std::unique_ptr<Application> app;
	std::vector<PassRecord> records;
	/// Light the projector added to the frame read in each pass (from pass 1).
	std::vector<double> light;
	cv::Matx33d toMm;
	double worstBallMm = 0.0;
	long ballsMeasured = 0;
	cv::Mat referenceLight;
	int calibratedPass = 0;
	double worstMotion = 0.0;
	double worstMotionUnmasked = 0.0;
};

struct Placement
{
	const char* name;
	/// The scene's projector statement, after the word "projector".
	const char* projector;
	int latency;
};

class ProjectorPlacements : public testing::TestWithParam<Placement>
{
};

TEST_P(ProjectorPlacements, CalibratePlayAndRedrawWithTheProjectionKeptOutOfTheDrawing)
{
	const Placement& placement = GetParam();
	ProjectorTable table(sceneWith(placement.projector), true, placement.name);
	table.run(passes);

	// Calibrated from the pattern in the first passes, the latency measured.
	const auto calibrations = table.events("projectorCalibration");
	ASSERT_EQ(calibrations.size(), 1u);
	const Event& calibration = *calibrations[0].second;
	EXPECT_EQ(calibration.fields[0].second, "true") << "refused";
	EXPECT_LE(calibration.number("rmsPixels"), 1.0);
	EXPECT_GE(calibration.number("cornersUsed"), 20.0);
	EXPECT_EQ(calibration.number("latency"), placement.latency);

	// The projected balls lie where the game has them, all the run long.
	EXPECT_GT(table.ballsMeasured, 200);
	EXPECT_LE(table.worstBallMm, 3.0);

	// Every rescan looked at a frame without projected light, and waited no
	// longer than the latency asks. (The calibration scans its own dark frame.)
	const auto scans = table.events("scan");
	ASSERT_GE(scans.size(), 3u);
	for (const auto& [pass, scan] : scans)
	{
		if (pass != calibrations[0].first)
		{
			EXPECT_EQ(table.light[size_t(pass - 1)], 0.0) << "pass " << pass << " scanned a lit frame";
		}
	}
	for (const auto& [pass, dark] : table.events("darkFrame"))
	{
		EXPECT_LE(dark->number("waited"), placement.latency + 2.0) << "pass " << pass;
	}
	// The projector does light the board in between.
	EXPECT_GT(*std::max_element(table.light.begin(), table.light.end()), 0.0);

	// The camera knocked while the balls roll: the still counter still reaches
	// the threshold and the board is scanned again, with the balls rolling.
	bool rescannedWhileRolling = false;
	for (const auto& [pass, scan] : scans)
	{
		rescannedWhileRolling |= pass > 80 && pass < 150 && table.moving(pass);
	}
	EXPECT_TRUE(rescannedWhileRolling);

	// The drawing makes the same bodies as the same table without projection:
	// two maps, the second after the redraw. A hand is found only where there is one.
	ProjectorTable unlit(sceneWith(placement.projector), false, std::string(placement.name) + "-unlit");
	unlit.run(passes);
	EXPECT_EQ(table.mapsMade(), unlit.mapsMade());
	EXPECT_EQ(table.mapsMade().size(), 2u);
	EXPECT_GT(table.events("newMap").back().first, 158);
	for (const auto& [pass, hand] : table.events("hand"))
	{
		EXPECT_TRUE(table.camera->scene().stateAt(pass).hand) << "a hand found in pass " << pass;
	}

	// The projected picture adds nothing to the motion test.
	EXPECT_LT(table.worstMotion, 0.05);

	std::printf("%s: calibration %.2f px (%.2f mm), %.0f of %.0f corners, latency %.0f; projected balls within %.2f mm over %ld; %zu scans; projected motion %.3f (%.3f unmasked)\n",
		placement.name, calibration.number("rmsPixels"), calibration.number("rmsMm"),
		calibration.number("cornersUsed"), calibration.number("cornersFound"), calibration.number("latency"),
		table.worstBallMm, table.ballsMeasured, scans.size(), table.worstMotion, table.worstMotionUnmasked);
}

INSTANTIATE_TEST_SUITE_P(Table, ProjectorPlacements,
	testing::Values(Placement{"above", "700 0 0 size 1280 800 focal 2000 latency 2", 2},
		Placement{"tilted", "720 20 8 25 -20 size 1280 800 focal 2000 latency 1", 1},
		Placement{"keystoned", "650 38 -15 -20 10 size 1280 800 focal 1800 latency 3", 3}),
	[](const testing::TestParamInfo<Placement>& info) { return std::string(info.param.name); });

}  // namespace
