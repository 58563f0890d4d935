#include "ProjectorTruth.h"
#include "ScratchFiles.h"
#include "TestSupport.h"

#include "analysis/DrawnCircles.h"
#include "app/Application.h"
#include "core/FixedValues.h"
#include "core/Homography.h"
#include "markers/BoardLayout.h"
#include "platform/HeadlessDisplay.h"
#include "render/PlayScene.h"
#include "scenes/Photographer.h"
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
/// Where the projector's picture lies on the desktop: right of a 1920-wide screen.
const cv::Point screenAt(1920, 0);

/// The projector statement's placement, then the room's light and the
/// projector's (the room's light without it, the light it adds).
std::string sceneWith(const std::string& projector, const std::string& light = "room 0.85 brightness 150")
{
	return "view 480 10 0\nprojector " + projector + " " + light + " honest\n" + drawings;
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
	bool scaleExposure(double factor) override { return camera->scaleExposure(factor); }

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
	/// The scene's pass the frame last delivered shows.
	int lastScenePass() const { return delivered.scenePass; }

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
	/// `exposure`: the camera's, as a share of the scene's, from the first frame.
	ProjectorTable(const std::string& sceneText, bool projectorMode, const std::string& name, double lateShare = 0.0,
		double exposure = 1.0)
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
		if (exposure != 1.0)
		{
			EXPECT_TRUE(camera->scaleExposure(exposure));
		}
		auto display = std::make_unique<ScriptedInputDisplay>(std::make_unique<HeadlessDisplay>(), script);
		camera->scripted().projector()->watch(*display);
		screenShown = display.get();
		DataFiles data;
		data.projectorCalibration = scratchPath(name + ".yml");
		std::remove(data.projectorCalibration.c_str());
		app = std::make_unique<Application>(std::move(made), std::move(display), data);
		app->trace().addSink([this, lateShare](const PassRecord& record) {
			records.push_back(record);
			// Measured: from now on the camera may be late.
			if (!record.eventsOf("projectorCalibration").empty())
			{
				camera->lateShare = lateShare;
			}
		});
		// Without the play view the projector lights the game alone, whose
		// balls' light is measured; a test of the players' rewards feeds them
		// itself (RewardFeed).
		app->setWindows(WindowSet::Described);
		if (projectorMode)
		{
			// The projector's own resolution, as its user gives it.
			app->useProjector(cv::Rect(screenAt, script.projector.size));
		}
		EXPECT_EQ(app->start(), 0);
	}

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
	/// where the game has the ball when the camera sees that light, in
	/// millimetres: measured in the light the camera's frame received (the
	/// projected balls are pure green, walls and sensors have blue), not
	/// through the program's own maps. Each ball takes the light nearer to it
	/// than to any other ball, so balls side by side do not pull at each
	/// other's light; ball light near no moving body of the game is a ball
	/// shown that the game does not have, and is counted as stray.
	void measureBalls()
	{
		recordBalls();
		if (!app->projection() || app->projection()->calibrating() || camera->lastLightImage().empty())
		{
			return;
		}
		const int seenPass = camera->lastScenePass();
		const auto balls = ballsAt.find(seenPass);
		if (balls == ballsAt.end())
		{
			return;
		}
		const cv::Mat& light = camera->lastLightImage();
		// The light a ball must bring, as a share of what this projector's white adds.
		const double strength = camera->scripted().scene().projector.brightness / 150.0;
		const cv::Matx33d imageToBoard = trueBoardToImage(seenPass).inv();
		// Every pixel of ball light, where it lands on the board.
		struct Lit
		{
			cv::Point2d board;
			cv::Point2d image;
			double green;
		};
		std::vector<Lit> lit;
		for (int y = 0; y < light.rows; ++y)
		{
			for (int x = 0; x < light.cols; ++x)
			{
				const cv::Vec3b& pixel = light.at<cv::Vec3b>(y, x);
				if (pixel[1] > 20.0 * strength && pixel[0] * 4 < pixel[1])
				{
					const cv::Point2d image(x + 0.5, y + 0.5);
					lit.push_back(Lit{applyHomography(imageToBoard, ideal(image)), image, double(pixel[1])});
				}
			}
		}
		// Half again as far as the rim of a ball drawn at the templates' radius.
		constexpr double reach = 1.5 * 28.0;
		const double enough = 20.0 * 255.0 * strength;
		const std::vector<cv::Point2d>& bodies = movingAt[seenPass];
		std::vector<double> weight(balls->second.size(), 0.0);
		std::vector<cv::Point2d> sum(balls->second.size());
		double stray = 0.0;
		for (const Lit& pixel : lit)
		{
			size_t nearest = 0;
			for (size_t i = 1; i < balls->second.size(); ++i)
			{
				if (cv::norm(pixel.board - balls->second[i]) < cv::norm(pixel.board - balls->second[nearest]))
				{
					nearest = i;
				}
			}
			if (!balls->second.empty() && cv::norm(pixel.board - balls->second[nearest]) <= reach)
			{
				weight[nearest] += pixel.green;
				sum[nearest] += pixel.green * pixel.image;
			}
			const bool nearBody = std::any_of(bodies.begin(), bodies.end(),
				[&](const cv::Point2d& body) { return cv::norm(pixel.board - body) <= reach; });
			stray += nearBody ? 0.0 : pixel.green;
		}
		if (stray >= enough)
		{
			strayPasses.push_back(records.back().pass);
		}
		for (size_t i = 0; i < balls->second.size(); ++i)
		{
			if (weight[i] < enough)
			{
				continue;
			}
			const cv::Point2d at = applyHomography(imageToBoard, ideal(sum[i] / weight[i]));
			const cv::Point2d ball = applyHomography(toMm, balls->second[i]);
			const double off = cv::norm(applyHomography(toMm, at) - ball);
			ballErrorsMm.push_back(off);
			// How far the light lags behind the ball along its way, where it
			// has one: a second's travel of at least 20 mm.
			const cv::Point2d travel = applyHomography(toMm, balls->second[i] + ballVelocitiesAt[seenPass][i]) - ball;
			if (cv::norm(travel) >= 20.0)
			{
				ballLagsMm.push_back(-(applyHomography(toMm, at) - ball).dot(travel) / cv::norm(travel));
			}
			worstBallMm = std::max(worstBallMm, off);
			ballsMeasured += 1;
		}
	}

	/// The game's balls, and all its moving bodies, at the end of each pass, in board pixels.
	void recordBalls()
	{
		std::vector<cv::Point2d>& balls = ballsAt[records.back().pass];
		std::vector<cv::Point2d>& bodies = movingAt[records.back().pass];
		std::vector<cv::Point2d>& velocities = ballVelocitiesAt[records.back().pass];
		for (const BodyInfo* info : app->scene().collectBodyInfo())
		{
			if (info->kind == Solid || info->kind == Debris)
			{
				const b2Vec2 p = info->body->GetPosition();
				const cv::Point2d at = boardMapping.toPixel(p.x, p.y);
				(info->kind == Solid ? balls : bodies).push_back(at);
				if (info->kind == Solid)
				{
					const b2Vec2 ahead = p + info->body->GetLinearVelocity();
					velocities.push_back(boardMapping.toPixel(ahead.x, ahead.y) - at);
				}
			}
		}
		bodies.insert(bodies.end(), balls.begin(), balls.end());
	}

	/// Board pixels to ideal camera pixels, where the scene had its camera in a pass.
	cv::Matx33d trueBoardToImage(int pass) const
	{
		const ScriptedBoardCamera& scripted = camera->scripted();
		const CameraView& view = scripted.scene().views.at(size_t(scripted.scene().stateAt(pass).view));
		return planeToPixels(cameraIntrinsics(scripted.cameraParameters()),
				   viewOfBoard(view.distance, view.tilt, view.turn, view.target))
			* toMm;
	}

	cv::Point2d ideal(cv::Point2d observed) const
	{
		double x, y;
		arParamObserv2Ideal(camera->scripted().cameraParameters().dist_factor, observed.x, observed.y, &x, &y);
		return cv::Point2d(x, y);
	}

	double medianBallMm() const { return median(ballErrorsMm); }
	double medianBallLagMm() const { return median(ballLagsMm); }

	static double median(std::vector<double> sorted)
	{
		if (sorted.empty())
		{
			return 0.0;
		}
		std::nth_element(sorted.begin(), sorted.begin() + long(sorted.size() / 2), sorted.end());
		return sorted[sorted.size() / 2];
	}

	/// Passes in which nothing but the projected game changed the picture and
	/// the motion test still saw motion: the scene the same for the last few
	/// passes, the calibration's patterns long gone.
	void measureMotion()
	{
		if (!app->projection())
		{
			return;
		}
		const PassRecord& record = records.back();
		if (app->projection()->calibrating() || !record.eventsOf("projectorCalibration").empty())
		{
			calibratedPass = record.pass;
			return;
		}
		const SceneScript& scene = camera->scripted().scene();
		// A change of the board under the game's light may be seen only once
		// the projector goes dark for the rescan, up to the latency and two
		// passes later: the scene must have been the same since before that.
		bool quiet = record.pass > calibratedPass + 10;
		const int lookBack = 4 + app->projection()->latency() + 2;
		for (int back = 1; back <= lookBack && quiet; ++back)
		{
			const SceneState a = scene.stateAt(record.pass - back + 1), b = scene.stateAt(record.pass - back);
			quiet = !(a < b) && !(b < a);
		}
		if (quiet && record.still == 0 && record.eventsOf("scan").empty())
		{
			projectedMotion += 1;
		}
		quietPasses += quiet ? 1 : 0;
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

	/// What the drawing became at each new map: per map its balls, sensors
	/// and walls in the order made, each with its fields' numbers.
	using Made = std::pair<std::string, std::vector<double>>;
	std::vector<std::vector<Made>> mapsMade() const
	{
		std::vector<std::vector<Made>> maps;
		for (const PassRecord& record : records)
		{
			if (record.eventsOf("newMap").empty())
			{
				continue;
			}
			std::vector<Made> made;
			for (const Event& event : record.events)
			{
				if (event.type == "ball" || event.type == "sensor" || event.type == "walls")
				{
					made.emplace_back(event.type, std::vector<double>());
					for (const auto& field : event.fields)
					{
						made.back().second.push_back(event.number(field.first));
					}
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
	cv::Matx33d toMm;
	double worstBallMm = 0.0;
	std::vector<double> ballErrorsMm;
	/// Of the balls on their way, how far the light lay behind them along it.
	std::vector<double> ballLagsMm;
	/// A second's travel of each ball in ballsAt, in board pixels.
	std::map<int, std::vector<cv::Point2d>> ballVelocitiesAt;
	std::map<int, std::vector<cv::Point2d>> ballsAt;
	std::map<int, std::vector<cv::Point2d>> movingAt;
	/// Passes whose frame showed ball light near no moving body of the game.
	std::vector<int> strayPasses;
	long ballsMeasured = 0;
	int calibratedPass = 0;
	int projectedMotion = 0;
	int quietPasses = 0;
};

/// The same bodies made of the same drawings: the same kinds in the same
/// order and numbers, positions within `within` world units (a frame's grain
/// moves a fitted circle by a fraction of a millimetre). Empty when they are
/// the same, else the first difference.
std::string mapsDiffer(const std::vector<std::vector<ProjectorTable::Made>>& a,
	const std::vector<std::vector<ProjectorTable::Made>>& b, double within)
{
	if (a.size() != b.size())
	{
		return std::to_string(a.size()) + " maps against " + std::to_string(b.size());
	}
	for (size_t map = 0; map < a.size(); ++map)
	{
		if (a[map].size() != b[map].size())
		{
			return "map " + std::to_string(map) + ": " + std::to_string(a[map].size()) + " bodies against "
				+ std::to_string(b[map].size());
		}
		for (size_t i = 0; i < a[map].size(); ++i)
		{
			const auto& [kind, numbers] = a[map][i];
			const auto& [otherKind, otherNumbers] = b[map][i];
			bool same = kind == otherKind && numbers.size() == otherNumbers.size();
			for (size_t k = 0; same && k < numbers.size(); ++k)
			{
				same = std::abs(numbers[k] - otherNumbers[k]) <= (kind == "walls" ? 0.0 : within);
			}
			if (!same)
			{
				return "map " + std::to_string(map) + ", body " + std::to_string(i) + ": " + kind + " against "
					+ otherKind;
			}
		}
	}
	return "";
}

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
	const std::string scene = sceneWith(placement.projector, placement.light);
	ProjectorTable table(scene, true, placement.name, placement.lateShare);
	table.run(passes);

	// Calibrated from the pattern in the first passes, the latency measured.
	const auto calibrations = table.events("projectorCalibration");
	ASSERT_EQ(calibrations.size(), 1u);
	const Event& calibration = *calibrations[0].second;
	EXPECT_EQ(eventField(calibration, "ok"), "true") << "refused";
	// Honest light reaches the camera through its lens's blur and a fresh
	// grain in every frame, so fewer corners are read and each less exactly
	// than in a frame with the light added after the sensor; a steep
	// keystone leaves a few of them off the paper. The error over the board,
	// below, is what holds the fit to account.
	EXPECT_LE(calibration.number("rmsPixels"), 1.25);
	EXPECT_GE(calibration.number("cornersUsed"), 12.0);
	EXPECT_EQ(calibration.number("latency"), placement.latency);
	// The map is right over the whole board, as the simulated projector knows
	// where its light lands, and what was said of it does not understate that.
	ScriptedBoardCamera& scripted = table.camera->scripted();
	const TrueMapError truth = trueMapError(table.app->projection()->calibration().cameraToProjector, *scripted.projector(),
		scripted.scene().views[0], table.toMm);
	EXPECT_GT(truth.points, 1000);
	EXPECT_LE(truth.rmsPixels, 1.0);
	EXPECT_LE(calibration.number("largestMm"), maxCalibrationMm);
	// (Within a twentieth of a millimetre, which nobody sees beside the ink.)
	EXPECT_GE(calibration.number("largestMm"), 0.7 * truth.largestMm - 0.05);
	EXPECT_GE(calibration.number("rmsMm"), 0.7 * truth.rmsMm - 0.05);

	// The projected balls' light lies where the game has them when the camera
	// sees it, all the run long: the latency made up for.
	EXPECT_GT(table.ballsMeasured, 200);
	EXPECT_LE(table.medianBallMm(), 1.0);
	// Drawn ahead by the latency, the light does not trail the balls: along
	// their way, no more behind them than half a millimetre at a latency of
	// up to two passes, a millimetre at five; nor does it run ahead of them.
	EXPECT_LE(table.medianBallLagMm(), placement.latency <= 2 ? 0.5 : 1.0);
	EXPECT_GE(table.medianBallLagMm(), -1.0);
	// Where a ball bounces, the light drawn ahead along its old course misses
	// it for a few passes, the more the longer the latency.
	EXPECT_LE(table.worstBallMm, 1.5 + 0.5 * placement.latency);
	// No light of a ball the game does not have: none of the last map's
	// balls beside the new map's.
	EXPECT_EQ(table.strayPasses, std::vector<int>()) << "ball light near no ball of the game in these passes";

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
	// The same camera: at the exposure the calibration lowered it to, if it did.
	const auto exposures = table.events("cameraExposure");
	const double exposure = exposures.empty() ? 1.0 : exposures.back().second->number("scale");
	EXPECT_EQ(exposures.empty(), std::string(placement.light).find("room 1.0") == std::string::npos)
		<< "the exposure lowered only for the paper white already";
	ProjectorTable unlit(scene, false, std::string(placement.name) + "-unlit", 0.0, exposure);
	unlit.run(passes);
	// The redraw is built as soon as without the projector, give or take a
	// few passes of waiting for a dark frame.
	ASSERT_FALSE(unlit.events("newMap").empty());
	EXPECT_NEAR(table.events("newMap").back().first, unlit.events("newMap").back().first, 5);
	std::printf("%s: the redraw built in pass %d, without the projector in pass %d\n", placement.name,
		table.events("newMap").back().first, unlit.events("newMap").back().first);
	EXPECT_EQ(mapsDiffer(table.mapsMade(), unlit.mapsMade(), 0.5), "");
	EXPECT_EQ(table.mapsMade().size(), 2u);
	EXPECT_GT(table.events("newMap").back().first, 158);
	for (const auto& [pass, hand] : table.events("hand"))
	{
		EXPECT_TRUE(table.camera->handShown(pass)) << "a hand found in pass " << pass;
	}

	// A knocked camera that settles back in place is no moved camera.
	EXPECT_TRUE(table.events("projectorMoved").empty());

	// The projected game alone is never motion.
	EXPECT_GT(table.quietPasses, 60);
	EXPECT_EQ(table.projectedMotion, 0);

	std::printf("%s: calibration over the board %.2f px RMS, %.2f at most (%.2f mm, %.2f mm), truly %.2f px, %.2f (%.2f mm, %.2f mm), %.0f of %.0f corners, latency %.0f; projected balls' light median %.2f mm, worst %.2f mm from the game over %ld, %.2f mm behind along their way over %zu; %zu scans; the game alone was motion in %d of %d quiet passes; %d late frames\n",
		placement.name, calibration.number("rmsPixels"), calibration.number("largestPixels"),
		calibration.number("rmsMm"), calibration.number("largestMm"), truth.rmsPixels, truth.largestPixels, truth.rmsMm,
		truth.largestMm, calibration.number("cornersUsed"), calibration.number("cornersFound"), calibration.number("latency"),
		table.medianBallMm(), table.worstBallMm, table.ballsMeasured, table.medianBallLagMm(), table.ballLagsMm.size(), scans.size(), table.projectedMotion, table.quietPasses,
		table.camera->lateReads);
}

/// The camera moved for good after the calibration, while the balls roll:
/// its light no longer lands where the program expects it. That is noticed
/// within two seconds, said once, the game goes dark, and the projector is
/// measured again by itself; then the light lies on the game again.
TEST(ProjectorTable, ACameraMovedAfterTheCalibrationIsNoticedAndMeasuredAgain)
{
	const std::string maps = std::string(drawings).substr(0, std::string(drawings).find("at 1 map funnel"));
	const std::string scene = "view 480 10 0\nprojector 700 0 0 size 1280 800 focal 2000 latency 2 room 0.85 brightness 150\n"
		+ maps + "at 1 map funnel\nat 100 view 470 14 5 15 5\nat 331 key r\n";
	ProjectorTable table(scene, true, "moved");
	testing::internal::CaptureStderr();
	table.run(330);
	const std::string said = testing::internal::GetCapturedStderr();

	const auto moved = table.events("projectorMoved");
	ASSERT_EQ(moved.size(), 1u) << said;
	EXPECT_GT(moved[0].first, 100);
	EXPECT_LE(moved[0].first, 100 + 120) << "noticed later than two seconds after the camera moved";
	EXPECT_NE(said.find("the camera or the projector has moved"), std::string::npos) << said;
	// Dark from then on until measured again.
	const auto calibrations = table.events("projectorCalibration");
	ASSERT_EQ(calibrations.size(), 2u);
	EXPECT_GT(calibrations[1].first, moved[0].first);
	EXPECT_EQ(eventField(*calibrations[1].second, "ok"), "true");
	for (int pass = moved[0].first + 1; pass < calibrations[1].first - 60; ++pass)
	{
		EXPECT_FALSE(table.shownLit[size_t(pass - 1)] && !table.app->projection()->calibrating())
			<< "the game was projected in pass " << pass;
	}
	// Played again (key r): the light lies on the balls.
	table.worstBallMm = 0.0;
	table.ballErrorsMm.clear();
	table.ballsMeasured = 0;
	table.run(60);
	EXPECT_GT(table.ballsMeasured, 0);
	EXPECT_LE(table.medianBallMm(), 1.0);
	EXPECT_LE(table.worstBallMm, 3.0);
	std::printf("moved camera: noticed in pass %d (moved in 100), measured again in pass %d, %.2f px; then the balls "
				"within %.2f mm over %ld\n",
		moved[0].first, calibrations[1].first, calibrations[1].second->number("rmsPixels"), table.worstBallMm,
		table.ballsMeasured);
}

/// Paper white or nearly in the camera before the projector adds any light:
/// the camera's exposure is lowered until the projector's light has room to
/// show, and the calibration is as good as in a dimmer room; the game is then
/// played at that exposure, its light seen where it lands.
TEST(ProjectorTable, APaperWhiteAlreadyIsMeasuredAtALowerExposure)
{
	// At 0.9 the paper leaves the light 20 grey levels and more; at 0.95 about 10, at 1.0 none.
	for (const auto& [room, lowers] : {std::make_pair("room 0.9 brightness 150", false),
			 std::make_pair("room 0.95 brightness 150", true), std::make_pair("room 1.0 brightness 150", true)})
	{
		ProjectorTable table(sceneWith("700 0 0 size 1280 800 focal 2000 latency 2", room), true, "brightRoom");
		testing::internal::CaptureStderr();
		table.run(110);
		const std::string said = testing::internal::GetCapturedStderr();
		const auto lowered = table.events("cameraExposure");
		ASSERT_EQ(lowered.empty(), !lowers) << room;
		EXPECT_LE(lowered.size(), 2u) << room;
		EXPECT_EQ(said.find("exposure lowered to 70 %") != std::string::npos, lowers) << said;
		// Measured once, and the light found where the calibration puts it.
		EXPECT_TRUE(table.events("projectorMoved").empty()) << room;
		EXPECT_EQ(said.find("refused"), std::string::npos) << said;
		const auto calibrations = table.events("projectorCalibration");
		ASSERT_EQ(calibrations.size(), 1u) << room << ": " << said;
		EXPECT_EQ(eventField(*calibrations[0].second, "ok"), "true") << room;
		ScriptedBoardCamera& scripted = table.camera->scripted();
		const TrueMapError truth = trueMapError(table.app->projection()->calibration().cameraToProjector,
			*scripted.projector(), scripted.scene().views[0], table.toMm);
		EXPECT_LE(truth.rmsPixels, 1.0) << room;
		EXPECT_LE(calibrations[0].second->number("rmsPixels"), 1.0) << room;
		// The projected balls' light lies on the game at the lower exposure too.
		EXPECT_GT(table.ballsMeasured, 20) << room;
		EXPECT_LE(table.medianBallMm(), 1.0) << room;
		std::printf("%s: exposure lowered %zu times, to %.2f; calibration %.2f px RMS over the board, truly %.2f; balls' light median %.2f mm over %ld\n",
			room, lowered.size(), lowered.empty() ? 1.0 : lowered.back().second->number("scale"), calibrations[0].second->number("rmsPixels"),
			truth.rmsPixels, table.medianBallMm(), table.ballsMeasured);
	}
}

/// The room's light and the projector's, as the projector statement ends.
struct Room
{
	const char* name;
	const char* light;
};

class ProjectorRooms : public testing::TestWithParam<Room>
{
};

/// The projector going dark for a still period's scan, and its light coming
/// back, is no motion in any room: after the redraw the board is built as
/// soon as on the same table without a projector, give or take the passes of
/// waiting for the dark frame, from a dim room to one whose paper is white
/// already, where a weak projector is measured at a lower exposure.
TEST_P(ProjectorRooms, TheDarkFrameIsNoMotionAndTheRedrawIsBuiltAsSoonAsWithoutTheProjector)
{
	const Room& room = GetParam();
	const std::string scene = sceneWith("700 0 0 size 1280 800 focal 2000 latency 2", room.light);
	ProjectorTable table(scene, true, std::string("room-") + room.name);
	testing::internal::CaptureStderr();
	table.run(passes);
	const std::string said = testing::internal::GetCapturedStderr();
	const auto calibrations = table.events("projectorCalibration");
	ASSERT_EQ(calibrations.size(), 1u) << said;
	EXPECT_EQ(eventField(*calibrations[0].second, "ok"), "true") << said;
	const auto exposures = table.events("cameraExposure");
	const double exposure = exposures.empty() ? 1.0 : exposures.back().second->number("scale");
	ProjectorTable unlit(scene, false, std::string("room-") + room.name + "-unlit", 0.0, exposure);
	unlit.run(passes);
	ASSERT_FALSE(table.events("newMap").empty());
	ASSERT_FALSE(unlit.events("newMap").empty());
	const int built = table.events("newMap").back().first, twin = unlit.events("newMap").back().first;
	EXPECT_GE(built, twin);
	EXPECT_LE(built, twin + 5);
	// Neither the game's light nor its going dark started the count again.
	EXPECT_EQ(table.projectedMotion, 0);
	EXPECT_EQ(mapsDiffer(table.mapsMade(), unlit.mapsMade(), 0.5), "");
	std::printf("%s: exposure %.2f, the redraw built in pass %d, without the projector in pass %d\n", room.light,
		exposure, built, twin);
}

INSTANTIATE_TEST_SUITE_P(Table, ProjectorRooms,
	testing::Values(Room{"Dim50", "room 0.5 brightness 150"}, Room{"Room70", "room 0.7 brightness 150"},
		Room{"Room80", "room 0.8 brightness 150"}, Room{"Bright90", "room 0.9 brightness 150"},
		// A weak projector in a room whose paper is white already.
		Room{"WeakInWhite", "room 1.0 brightness 30"}),
	[](const testing::TestParamInfo<Room>& info) { return std::string(info.param.name); });

/// The game's rewards as the play view's keeper gathers them, fed from the
/// trace: each sensor made, lit by its first touch (the world's seconds),
/// the score and the drawing solved once every sensor is lit.
struct RewardFeed
{
	explicit RewardFeed(Application& app)
	{
		// The drawing area between the board's corner markers, in board pixels.
		const double inset = drawingAreaInset * 639.0 / 312.0;
		play.drawingArea = cv::Rect2d(inset, inset, 639.0 - 2 * inset, 479.0 - 2 * inset);
		app.trace().addSink([this](const PassRecord& record) { hear(record); });
		app.projectRewards(&play);
	}

	void hear(const PassRecord& record)
	{
		PlayStatus& status = play.status;
		status.seconds = record.pass * timeStep;
		for (const Event& event : record.events)
		{
			const b2Vec2 at(float(event.number("x")), float(event.number("y")));
			if (event.type == "newMap")
			{
				play.sensors.clear();
				status = PlayStatus();
			}
			else if (event.type == "sensor")
			{
				play.sensors.push_back(PlaySensor{at, circleRadius});
			}
			else if (event.type == "touched")
			{
				touch(at, record.pass);
			}
		}
		status.sensorCount = int(play.sensors.size());
	}

	void touch(b2Vec2 at, int pass)
	{
		PlayStatus& status = play.status;
		for (PlaySensor& sensor : play.sensors)
		{
			if ((sensor.position - at).Length() < 0.01f && !sensor.lit())
			{
				sensor.litAfter = status.seconds;
				status.score += 1;
				status.sensorsLit += 1;
				litPasses.push_back(pass);
				if (status.sensorsLit == int(play.sensors.size()))
				{
					status.solved = true;
					status.solvedAfter = status.seconds;
					solvedPass = pass;
				}
			}
		}
	}

	PlayScene play;
	std::vector<int> litPasses;
	int solvedPass = 0;
};

/// Pixels lit in `with` and black in `without`, within `radius` of `centre`
/// (the whole picture when the radius is 0).
int addedLight(const cv::Mat& with, const cv::Mat& without, cv::Point2d centre, double radius)
{
	int added = 0;
	for (int y = 0; y < with.rows; ++y)
	{
		for (int x = 0; x < with.cols; ++x)
		{
			const bool near = radius <= 0.0 || cv::norm(cv::Point2d(x, y) - centre) <= radius;
			added += near && with.at<cv::Vec3b>(y, x) != cv::Vec3b() && without.at<cv::Vec3b>(y, x) == cv::Vec3b();
		}
	}
	return added;
}

/// Balls dropped through two sensors light them and solve the drawing while
/// the camera watches the projected board, with the rewards projected and,
/// beside it, the same table without them.
struct RewardedTable
{
	static constexpr int played = 300;
	const std::string scene =
		"view 480 10 0\nprojector 700 0 0 size 1280 800 focal 2000 latency 2 room 0.85 brightness 150\n"
		"map drop\nring black 220 185 28 4\nring black 400 185 28 4\n"
		"ring yellow 220 255 28 4\nring yellow 400 255 28 4\nstroke black 4  170 312  450 318\nat 1 map drop\n";
	ProjectorTable table{scene, true, "rewards"};
	RewardFeed feed{*table.app};
	ProjectorTable plain{scene, true, "noRewards"};
	/// The "projector" window's picture at the end of each pass, of both.
	std::map<int, cv::Mat> shown;
	std::map<int, cv::Mat> plainShown;

	RewardedTable()
	{
		for (int pass = 1; pass <= played; ++pass)
		{
			table.run(1);
			plain.run(1);
			shown[pass] = table.screenShown->lastImages().at("projector").clone();
			plainShown[pass] = plain.screenShown->lastImages().at("projector").clone();
		}
	}

	/// The first pass from `from` in which both projectors give light.
	int bothLitFrom(int from) const
	{
		while (from < played && !(table.shownLit[size_t(from - 1)] && plain.shownLit[size_t(from - 1)]))
		{
			++from;
		}
		return from;
	}
};

/// The halos, the score and the celebration are projected, and never reach a
/// scan: the drawing makes what it makes without them. Nor is their light
/// ever motion: the passes the motion test calls moved are those of the
/// table without them. (One play serves both: it is the slowest test here.)
TEST(ProjectorTable, TheRewardsAreProjectedButNeverScannedNorMotion)
{
	RewardedTable run;
	const ProjectorTable& table = run.table;
	const RewardFeed& feed = run.feed;
	ASSERT_EQ(feed.litPasses.size(), 2u);
	ASSERT_GT(feed.solvedPass, 0);
	const auto calibrations = table.events("projectorCalibration");
	ASSERT_EQ(calibrations.size(), 1u);
	EXPECT_GT(feed.litPasses[0], calibrations[0].first) << "lit while the projector was being measured";

	// Shown: the halo round each sensor lit, the celebration over the board, the score.
	const cv::Matx33d boardToProjector =
		table.app->projection()->calibration().cameraToProjector * table.app->board().boardToCamera;
	// Half a second on, the halo has spread well beyond the lit sensor's disc.
	const int haloPass = run.bothLitFrom(feed.litPasses[0] + 30);
	int leastGlow = 1 << 30;
	for (const PlaySensor& sensor : feed.play.sensors)
	{
		const cv::Point2d at =
			applyHomography(boardToProjector, boardMapping.toPixel(sensor.position.x, sensor.position.y));
		leastGlow = std::min(leastGlow, addedLight(run.shown.at(haloPass), run.plainShown.at(haloPass), at, 150.0));
	}
	const int celebrationPass = run.bothLitFrom(feed.solvedPass + 30);
	const int celebration = addedLight(run.shown.at(celebrationPass), run.plainShown.at(celebrationPass), {}, 0.0);
	const int scoreAlone = addedLight(run.shown.at(RewardedTable::played), run.plainShown.at(RewardedTable::played), {}, 0.0);
	EXPECT_GT(leastGlow, 300) << "the halo's pixels round each sensor in pass " << haloPass;
	EXPECT_GT(celebration, 3 * scoreAlone) << "the confetti's pixels in pass " << celebrationPass;
	EXPECT_GT(scoreAlone, 100) << "the score's pixels";

	// Every rescan read a frame without light, and built what the table without rewards built.
	const auto scans = table.events("scan");
	for (const auto& [pass, scan] : scans)
	{
		EXPECT_TRUE(pass == calibrations[0].first || table.light[size_t(pass - 1)] == 0.0)
			<< "pass " << pass << " scanned a lit frame";
	}
	for (const auto& [pass, dark] : table.events("darkFrame"))
	{
		EXPECT_EQ(table.light[size_t(pass - 1)], 0.0) << "pass " << pass;
	}
	EXPECT_EQ(mapsDiffer(table.mapsMade(), run.plain.mapsMade(), 0.5), "");
	EXPECT_EQ(table.events("newMap").size(), 1u);
	std::vector<int> movedByRewards;
	for (int pass = 40; pass <= RewardedTable::played; ++pass)
	{
		if (table.records[size_t(pass - 1)].still == 0 && run.plain.records[size_t(pass - 1)].still != 0)
		{
			movedByRewards.push_back(pass);
		}
	}
	EXPECT_EQ(movedByRewards, std::vector<int>()) << "passes the rewards' light made moved";
	std::printf("rewards: sensors lit in passes %d and %d, solved in %d; the halo at least %d pixels round each "
				"sensor, the celebration %d, the score %d; %zu scans, %zu dark frames\n",
		feed.litPasses[0], feed.litPasses[1], feed.solvedPass, leastGlow, celebration, scoreAlone, scans.size(),
		table.events("darkFrame").size());
}

INSTANTIATE_TEST_SUITE_P(Table, ProjectorPlacements,
	testing::Values(Placement{"above", "700 0 0 size 1280 800 focal 2000 latency 2", 2, 0.0},
		Placement{"tilted", "720 20 8 25 -20 size 1280 800 focal 2000 latency 1", 1, 0.3},
		Placement{"keystoned", "650 38 -15 -20 10 size 1280 800 focal 1800 latency 3", 3, 1.0},
		Placement{"slow", "700 0 0 size 1280 800 focal 2000 latency 5", 5, 0.0},
		Placement{"instant", "700 0 0 size 1280 800 focal 2000 latency 0", 0, 0.0},
		Placement{"turned180", "700 0 180 size 1280 800 focal 2000 latency 2", 2, 0.0},
		Placement{"keystoned50", "600 50 0 0 -40 size 1280 800 focal 1600 latency 2", 2, 0.0},
		// A portrait picture over the landscape board: a third of it falls off the paper.
		Placement{"turned90", "700 0 90 size 1280 800 focal 2000 latency 2", 2, 0.0},
		Placement{"hd1080", "700 0 0 size 1920 1080 focal 3000 latency 2", 2, 0.0},
		Placement{"dimRoom", "700 0 0 size 1280 800 focal 2000 latency 2", 2, 0.0, "room 0.6 brightness 150"},
		// A small projector in a bright room: its white adds 30 grey levels to the paper.
		Placement{"weak", "700 0 0 size 1280 800 focal 2000 latency 2", 2, 0.0, "room 0.9 brightness 30"},
		// Paper white already before the projector adds light: measured and played at a lower exposure.
		Placement{"brightRoom", "700 0 0 size 1280 800 focal 2000 latency 2", 2, 0.0, "room 1.0 brightness 150"}),
	[](const testing::TestParamInfo<Placement>& info) { return std::string(info.param.name); });

}  // namespace
