#include "ProjectorTruth.h"
#include "ScratchFiles.h"
#include "TestSupport.h"

#include "app/Application.h"
#include "markers/BoardLayout.h"
#include "platform/HeadlessDisplay.h"
#include "scenes/ScriptedBoardCamera.h"
#include "scenes/ScriptedInputDisplay.h"

#include <box2d/b2_body.h>
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>

// The whole table with a projector, in simulation: the synthetic camera's
// projector shows what the program's "projector" window shows, late by its
// latency, and its light adds to the room's. Each placement runs the loop
// from the first calibration through play, a knocked camera and a redrawn
// board, and is measured against what the simulation knows to be true. Once the
// projector is measured, the camera of one placement delivers a frame a pass
// late now and then, as a real one does, and that of another every frame:
// the program must keep its margin of a pass for either.

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

/// The projector statement's placement, then the room's light and the
/// projector's (the room's light without it, the light it adds).
std::string sceneWith(const std::string& projector, const std::string& light = "room 0.85 brightness 150")
{
	return "view 480 10 0\nprojector " + projector + " " + light + "\n" + drawings;
}

cv::Point2d apply(const cv::Matx33d& h, cv::Point2d p)
{
	const cv::Vec3d q = h * cv::Vec3d(p.x, p.y, 1.0);
	return cv::Point2d(q[0] / q[2], q[1] / q[2]);
}

/// The synthetic camera as the program reads it. A late read delivers the
/// frame of the read before instead of its own: the camera is then a pass
/// later than its measured latency. A share `lateShare` of the reads is late,
/// at random. Each read keeps the projector's light in the frame it
/// delivered, and first calls `beforeRead`, while the pass that reads is under way.
class TableCamera : public FrameSource
{
public:
	explicit TableCamera(std::unique_ptr<ScriptedBoardCamera> camera) : camera(std::move(camera)) {}

	bool isOpened() const override { return true; }
	bool pacesItself() const override { return false; }
	cv::Size frameSize() const override { return camera->frameSize(); }
	std::string describe() const override { return camera->describe(); }

	bool read(cv::Mat& frame) override
	{
		if (beforeRead)
		{
			beforeRead();
		}
		Read now;
		camera->read(now.frame);
		now.scenePass = camera->passesRead();
		now.light = camera->projector() != nullptr ? camera->projector()->lastLight() : 0.0;
		if (camera->projector() != nullptr)
		{
			now.lightImage = camera->projector()->lastLightImage().clone();
		}
		const bool late = !previous.frame.empty() && rng.uniform(0.0, 1.0) < lateShare;
		delivered = late ? previous : now;
		previous = now;
		lateReads += late ? 1 : 0;
		scenePasses.push_back(delivered.scenePass);
		frame = delivered.frame.clone();
		return true;
	}

	ScriptedBoardCamera& scripted() { return *camera; }
	/// Whether the scene had a hand over the board in the frame read in a pass (from 1).
	bool handShown(int pass) const { return camera->scene().stateAt(scenePasses.at(size_t(pass - 1))).hand; }
	/// Light the projector added to the frame last delivered: summed, and per pixel (empty for none).
	double lastLight() const { return delivered.light; }
	const cv::Mat& lastLightImage() const { return delivered.lightImage; }

	double lateShare = 0.0;
	int lateReads = 0;
	std::function<void()> beforeRead;

private:
	struct Read
	{
		cv::Mat frame;
		/// The scene's pass that it shows.
		int scenePass = 0;
		double light = 0.0;
		cv::Mat lightImage;
	};

	std::unique_ptr<ScriptedBoardCamera> camera;
	std::vector<int> scenePasses;
	cv::RNG rng{21};
	Read previous;
	Read delivered;
};

/// A program on a simulated table, headless, with every pass recorded and
/// what the projector's light did in it.
struct ProjectorTable
{
	ProjectorTable(const std::string& sceneText, bool projectorMode, const std::string& name, double lateShare = 0.0)
	{
		SceneScript script;
		std::string error;
		EXPECT_TRUE(parseSceneScript(sceneText, name, script, error)) << error;
		BoardCameraFiles files;
		EXPECT_TRUE(readBoardCameraFiles("Data/camera_para.dat", "Data/markers/marker.dat", "Data/markers/portal.dat",
			files, error))
			<< error;
		toMm = boardPixelsToSetMm(files.board);
		auto made = std::make_unique<TableCamera>(
			std::make_unique<ScriptedBoardCamera>(script, files.board, files.portal, files.camera));
		camera = made.get();
		auto display = std::make_unique<ScriptedInputDisplay>(std::make_unique<HeadlessDisplay>(), script);
		camera->scripted().projector()->watch(*display);
		screenShown = display.get();
		DataFiles data;
		data.projectorCalibration = scratchPath(name + ".yml");
		std::remove(data.projectorCalibration.c_str());
		app = std::make_unique<Application>(std::move(made), std::move(display), data);
		app->trace.addSink([this, lateShare](const PassRecord& record) {
			records.push_back(record);
			// Measured: from now on the camera may be late.
			if (!record.eventsOf("projectorCalibration").empty())
			{
				camera->lateShare = lateShare;
			}
		});
		if (projectorMode)
		{
			app->useProjector(screen);
		}
		EXPECT_EQ(app->start(), 0);
		// The motion test of a pass compares the frame it reads with the
		// pixels it leaves out then; later in the pass they are renewed.
		camera->beforeRead = [this] { ignoredInRead = motionIgnoredNow().clone(); };
	}

	/// What the measures read of the scanner's state, in one place: the
	/// scan's homography, and the pixels the motion test leaves out.
	cv::Mat scanHomography() const { return app->board.homography; }
	cv::Mat motionIgnoredNow() const { return app->scanner.motionIgnored(); }

	void run(int count)
	{
		for (int i = 0; i < count; ++i)
		{
			app->runPass();
			light.push_back(camera->lastLight());
			const auto shown = screenShown->lastImages().find("projector");
			shownLit.push_back(shown != screenShown->lastImages().end() && cv::countNonZero(shown->second.reshape(1)) > 0);
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
		const cv::Mat homography = scanHomography();
		if (!mode.calibrated || mode.calibrating || mode.canvas.isDark() || homography.empty())
		{
			return;
		}
		const cv::Matx33d boardToProjector = mode.calibration.cameraToProjector * cv::Matx33d(homography).inv();
		const cv::Matx33d projectorToMm = camera->scripted().projector()->planeToProjector().inv();
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
	/// over the pixels the test of this pass read and over all of them.
	void measureMotion()
	{
		if (!app->projection)
		{
			return;
		}
		const cv::Mat& lit = camera->lastLightImage();
		cv::Mat now = cv::Mat::zeros(camera->frameSize(), CV_8UC1);
		if (!lit.empty())
		{
			cv::extractChannel(lit, now, 0);
		}
		// A calibration makes its dark frame the reference: no projected light
		// is in it, though the camera may still show the pattern then. (A weak
		// pattern's going is no motion, so nothing renews the reference after it.)
		if (!records.back().eventsOf("projectorCalibration").empty())
		{
			referenceLight = cv::Mat::zeros(now.size(), now.type());
			return;
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
		if (!ignoredInRead.empty())
		{
			difference.setTo(0, ignoredInRead);
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
					for (const auto& [name, value] : event.fields)
					{
						made += " " + name + " " + value;
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

	TableCamera* camera = nullptr;
	const Display* screenShown = nullptr;
	std::unique_ptr<Application> app;
	std::vector<PassRecord> records;
	/// Light the projector added to the frame read in each pass (from pass 1).
	std::vector<double> light;
	/// The "projector" window gave light at the end of each pass (from pass 1).
	std::vector<bool> shownLit;
	/// The pixels the motion test of the pass under way leaves out.
	cv::Mat ignoredInRead;
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
	/// Once the projector is measured, the share of the camera's frames that come a pass late.
	double lateShare;
	/// The room's light and the projector's, as the projector statement ends.
	const char* light = "room 0.85 brightness 150";
};

void PrintTo(const Placement& placement, std::ostream* out)
{
	*out << placement.name << ", " << int(placement.lateShare * 100.0) << " % of the frames a pass late";
}

class ProjectorPlacements : public testing::TestWithParam<Placement>
{
};

TEST_P(ProjectorPlacements, CalibratePlayAndRedrawWithTheProjectionKeptOutOfTheDrawing)
{
	const Placement& placement = GetParam();
	ProjectorTable table(sceneWith(placement.projector, placement.light), true, placement.name, placement.lateShare);
	table.run(passes);

	// Calibrated from the pattern in the first passes, the latency measured.
	const auto calibrations = table.events("projectorCalibration");
	ASSERT_EQ(calibrations.size(), 1u);
	const Event& calibration = *calibrations[0].second;
	EXPECT_EQ(eventField(calibration, "ok"), "true") << "refused";
	EXPECT_GE(calibration.number("cornersUsed"), 20.0);
	EXPECT_EQ(calibration.number("latency"), placement.latency);
	// The map is right over the whole board, as the simulated projector knows
	// where its light lands, and what was said of it does not understate that.
	ScriptedBoardCamera& scripted = table.camera->scripted();
	const TrueMapError truth = trueMapError(table.app->projection->calibration.cameraToProjector, *scripted.projector(),
		scripted.scene().views[0], table.toMm);
	EXPECT_GT(truth.points, 1000);
	EXPECT_LE(truth.rmsPixels, 1.0);
	EXPECT_LE(calibration.number("largestMm"), maxCalibrationMm);
	EXPECT_GE(calibration.number("largestMm"), 0.7 * truth.largestMm);
	EXPECT_GE(calibration.number("rmsMm"), 0.7 * truth.rmsMm);

	// The projected balls lie where the game has them, all the run long.
	EXPECT_GT(table.ballsMeasured, 200);
	EXPECT_LE(table.worstBallMm, 3.0);

	// Every rescan looked at a frame without projected light, and waited no
	// longer than the latency asks. (The calibration scans its own dark frame.)
	// The projector was black long enough before it for a frame a pass late:
	// what pass n shows reaches the camera in pass n + 1 + latency, or one later.
	const auto scans = table.events("scan");
	ASSERT_GE(scans.size(), 3u);
	for (const auto& [pass, scan] : scans)
	{
		if (pass == calibrations[0].first)
		{
			continue;
		}
		EXPECT_EQ(table.light[size_t(pass - 1)], 0.0) << "pass " << pass << " scanned a lit frame";
		for (int shown = std::max(1, pass - 2 - placement.latency); shown < pass; ++shown)
		{
			EXPECT_FALSE(table.shownLit[size_t(shown - 1)])
				<< "the projector gave light in pass " << shown << ", the rescan of pass " << pass
				<< " read a lit frame if the camera was a pass late";
		}
	}
	EXPECT_GE(table.camera->lateReads, int(placement.lateShare * (passes - calibrations[0].first) * 0.7));
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
	ProjectorTable unlit(sceneWith(placement.projector, placement.light), false, std::string(placement.name) + "-unlit");
	unlit.run(passes);
	EXPECT_EQ(table.mapsMade(), unlit.mapsMade());
	EXPECT_EQ(table.mapsMade().size(), 2u);
	EXPECT_GT(table.events("newMap").back().first, 158);
	for (const auto& [pass, hand] : table.events("hand"))
	{
		EXPECT_TRUE(table.camera->handShown(pass)) << "a hand found in pass " << pass;
	}

	// The projected picture adds nothing to the motion test.
	EXPECT_LT(table.worstMotion, 0.05);

	std::printf("%s: calibration over the board %.2f px RMS, %.2f at most (%.2f mm, %.2f mm), truly %.2f px, %.2f (%.2f mm, %.2f mm), %.0f of %.0f corners, latency %.0f; projected balls within %.2f mm over %ld; %zu scans; projected motion %.3f (%.3f unmasked); %d late frames\n",
		placement.name, calibration.number("rmsPixels"), calibration.number("largestPixels"),
		calibration.number("rmsMm"), calibration.number("largestMm"), truth.rmsPixels, truth.largestPixels, truth.rmsMm,
		truth.largestMm, calibration.number("cornersUsed"), calibration.number("cornersFound"), calibration.number("latency"),
		table.worstBallMm, table.ballsMeasured, scans.size(), table.worstMotion, table.worstMotionUnmasked,
		table.camera->lateReads);
}

INSTANTIATE_TEST_SUITE_P(Table, ProjectorPlacements,
	testing::Values(Placement{"above", "700 0 0 size 1280 800 focal 2000 latency 2", 2, 0.0},
		Placement{"tilted", "720 20 8 25 -20 size 1280 800 focal 2000 latency 1", 1, 0.3},
		Placement{"keystoned", "650 38 -15 -20 10 size 1280 800 focal 1800 latency 3", 3, 1.0},
		// A small projector in a bright room: its white adds 30 grey levels to the paper.
		Placement{"weak", "700 0 0 size 1280 800 focal 2000 latency 2", 2, 0.0, "room 0.9 brightness 30"}),
	[](const testing::TestParamInfo<Placement>& info) { return std::string(info.param.name); });

}  // namespace
