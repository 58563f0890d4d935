#include "app/ProjectorMode.h"

#include "analysis/DrawingAnalysis.h"
#include "core/FixedValues.h"
#include "core/PixelWorldMapping.h"
#include "markers/BoardLayout.h"
#include "physics/PhysicsScene.h"
#include "platform/Display.h"
#include "render/ProjectedLight.h"
#include "tracking/BoardScanner.h"
#include "tracking/CellPicture.h"
#include "tracking/RectifiedBoard.h"
#include "tracking/Stillness.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace
{

/// Passes beyond the latency that the projector stays black before a rescan's
/// frame is taken, for a camera that is late now and then.
constexpr int darkPassesBeyondLatency = 1;

/// A camera frame may show the picture of the latency's pass, or one a pass
/// either side of it: a camera is late or early now and then.
constexpr int latencySlack = 1;

/// The projector's light may reach the camera a tenth stronger or weaker than
/// measured on white paper (its lamp, the paper's sheen), and it may fall on
/// anything from black ink to white paper: the change it makes in a cell lies
/// between none and a tenth more than it makes on paper.
constexpr double lightSlack = 0.1;

/// Where the light surely arrived or left a cell by at least this many grey
/// levels, the camera must see much of it; over a second of passes, less than
/// this share of it seen means the light lands somewhere else.
constexpr float sureLight = 25.0f;
constexpr int checkPasses = 60;
constexpr int checkCellsAtLeast = 40;
constexpr double misplacedShare = 0.3;

/// Still passes, with the projector black, before it is measured again.
constexpr int quietBeforeMeasuring = 10;

/// A camera picture too white for the projector's light to show is taken
/// again this much darker, this many times at most (to a quarter).
constexpr double exposureStep = 0.7;
constexpr int exposureStepsAtMost = 4;

bool fileExists(const std::string& path)
{
	std::error_code error;
	return std::filesystem::exists(path, error);
}

}  // namespace

void ShatterWatch::report(Event event)
{
	if (event.type == "shatter")
	{
		shatters.emplace_back(float(event.number("x")), float(event.number("y")));
	}
	reportTo(next, std::move(event));
}

ProjectorMode::ProjectorMode(cv::Rect screen, Display& display, std::string calibrationFile,
	std::string cameraParametersFile, EventSink& trace, Stillness& stillness)
	: display(display), screen(screen), calibrationFile(std::move(calibrationFile)),
	  cameraParametersFile(std::move(cameraParametersFile)), trace(trace), stillness(stillness), picture(screen.size())
{
	watch.next = &trace;
}

void ProjectorMode::useCalibration(const ProjectorCalibration& given)
{
	measured = given;
	hasCalibration = true;
}

void ProjectorMode::readCalibration()
{
	if (!fileExists(calibrationFile))
	{
		return;
	}
	std::string error;
	ProjectorCalibration read;
	if (!loadProjectorCalibration(calibrationFile, read, error))
	{
		std::fprintf(stderr, "%s; the projector is measured again\n", error.c_str());
		return;
	}
	if (read.projectorSize != screen.size())
	{
		std::fprintf(stderr, "%s: measured for a %d x %d projector picture, not %d x %d; the projector is measured again\n",
			calibrationFile.c_str(), read.projectorSize.width, read.projectorSize.height, screen.width, screen.height);
		return;
	}
	if (read.cameraParameters != cameraParametersRecord(cameraParametersFile))
	{
		std::fprintf(stderr, "%s: measured with other camera parameters than %s has now; the projector is measured again\n",
			calibrationFile.c_str(), cameraParametersFile.c_str());
		return;
	}
	useCalibration(read);
}

void ProjectorMode::open(cv::Size cameraSize)
{
	display.createScreenWindow("projector", screen);
	// The canvas never draws into a picture the display holds.
	display.keepShownAsGiven("projector");
	if (hasCalibration && measured.cameraSize != cameraSize)
	{
		std::fprintf(stderr, "%s: measured with a %d x %d camera, not %d x %d; the projector is measured again\n",
			calibrationFile.c_str(), measured.cameraSize.width, measured.cameraSize.height, cameraSize.width,
			cameraSize.height);
		hasCalibration = false;
	}
	// Calibrations, their refusals and the files' are said in one place: standard error.
	if (hasCalibration)
	{
		std::fprintf(stderr, "%s, from %s\n", describeCalibration(measured).c_str(), calibrationFile.c_str());
	}
	else
	{
		std::fprintf(stderr, "the projector is measured first: keep the board under it and hands off\n");
		startCalibration();
	}
}

bool ProjectorMode::sceneMoved(BoardScanner& scanner, int pass)
{
	LightInterval now = lightSeenIn(pass);
	const bool moved = scanner.sceneMoved(expectedChange(now));
	checkWhereTheLightLands(scanner, now, pass);
	if (moved)
	{
		// The reference is this frame now, and with it the light it shows.
		reference = std::move(now);
	}
	return moved;
}

bool ProjectorMode::rescanDue(BoardScanner& scanner, int pass)
{
	if (!run)
	{
		// Black from the pass it is asked in, the first dark frame comes at the threshold.
		const int darkLead = seenFromPass(0, latency()) + darkPassesBeyondLatency;
		stillness.wantDarkFrame(darkLead, pass);
	}
	// The light landed elsewhere: measured again once the picture, dark, has kept still.
	if (lightMisplaced && !run && stillness.passesSinceMotion() >= quietBeforeMeasuring)
	{
		startCalibration();
	}
	// The first black picture came a pass after the last lit one.
	const int firstDarkFrame = seenFromPass(lastLitPass + 1, latency()) + darkPassesBeyondLatency;
	if (run || !stillness.darkFrameDue(pass >= firstDarkFrame))
	{
		return false;
	}
	// This pass's frame shows the board lit by the room alone: it is the one
	// scanned, and the reference from now on.
	const int waited = stillness.takeDarkFrame(pass);
	scanner.setReferenceFrame(scanner.cameraFrame());
	reference = LightInterval();
	trace.report(Event("darkFrame").set("waited", double(waited)));
	return true;
}

void ProjectorMode::project(int pass, BoardScanner& scanner, RectifiedBoard& board, const PhysicsScene& scene,
	const DrawingAnalysis& analysis)
{
	const cv::Size frameSize = scanner.frameSize();
	if (run)
	{
		run->see(scanner.cameraFrame(), pass);
		if (run->state() == ProjectorCalibrationRun::Done || run->state() == ProjectorCalibrationRun::Failed)
		{
			finishCalibration(scanner, board);
		}
	}
	if (run)
	{
		// The pattern's light is motion, as it should be: no rescan while it shows.
		picture.showPicture(run->picture());
		showPicture(pass, frameSize, cv::Mat(), picture.isDark());
		return;
	}
	if (stillness.darkFrameWanted() || !hasCalibration || lightMisplaced)
	{
		picture.darken();
		showPicture(pass, frameSize, cv::Mat(), true);
		return;
	}
	const std::vector<ProjectedShape> shapes = drawGame(board, scene, analysis);
	cv::Mat light;
	if (!picture.isDark() && frameSize.area() > 0)
	{
		// What the camera will see of it, for the motion test.
		light = projectedLightCells(shapes, board.boardToCamera, scanner.cameraParam().dist_factor, frameSize,
			CellPicture::gridOf(frameSize));
	}
	showPicture(pass, frameSize, light, true);
}

std::vector<ProjectedShape> ProjectorMode::drawGame(const RectifiedBoard& board, const PhysicsScene& scene,
	const DrawingAnalysis& analysis)
{
	for (Burst& burst : bursts)
	{
		burst.age += 1;
	}
	bursts.erase(std::remove_if(bursts.begin(), bursts.end(), [](const Burst& burst) { return burst.age >= burstPasses; }),
		bursts.end());
	for (const cv::Point2f& at : watch.shatters)
	{
		const cv::Point2d pixel = boardMapping.toPixel(at.x, at.y);
		bursts.push_back(Burst{cv::Point2f(pixel), 0});
	}
	watch.shatters.clear();

	if (!board.mapped)
	{
		// No board seen yet: nothing has a place on it.
		picture.darken();
		return {};
	}
	// Each moving body where it will be when the camera sees this picture:
	// the latency's steps ahead. (A step more, for the pass the picture waits
	// to be shown, put the light a step ahead of the balls in the camera's
	// frames: 0.25 to 0.47 mm in the median.)
	std::vector<ProjectedShape> shapes =
		projectedShapes(scene, analysis.sensorCircleRecords(), bursts, wallOutline, float(latency() * timeStep));
	picture.draw(shapes, measured.cameraToProjector * board.boardToCamera);
	return shapes;
}

void ProjectorMode::showPicture(int pass, cv::Size frameSize, cv::Mat lightCells, bool lightKnown)
{
	const bool dark = picture.isDark();
	if (!dark)
	{
		lastLitPass = pass;
	}
	// A black picture shown again changes nothing on the board.
	if (!dark || !shownDark)
	{
		display.show("projector", picture.picture());
	}
	shownDark = dark;

	const cv::Size grid = CellPicture::gridOf(frameSize);
	if (lightCells.empty() || lightCells.size() != grid)
	{
		lightCells = cv::Mat::zeros(grid, CV_32FC3);
	}
	shown.push_back(ShownLight{pass, lightCells, lightKnown});
	while (shown.size() > size_t(latency() + latencySlack + 2))
	{
		shown.pop_front();
	}
}

ProjectorMode::LightInterval ProjectorMode::lightSeenIn(int pass) const
{
	// The picture first seen in the frame of this pass, give or take.
	const int nominal = pass - seenFromPass(0, latency());
	LightInterval seen;
	for (const ShownLight& light : shown)
	{
		if (light.pass < nominal - latencySlack || light.pass > nominal + latencySlack)
		{
			continue;
		}
		seen.known = seen.known && light.known;
		if (seen.least.empty())
		{
			seen.least = light.cells.clone();
			seen.most = light.cells.clone();
		}
		else if (light.cells.size() == seen.least.size())
		{
			cv::min(seen.least, light.cells, seen.least);
			cv::max(seen.most, light.cells, seen.most);
		}
	}
	return seen;
}

ExpectedLight ProjectorMode::expectedChange(const LightInterval& now) const
{
	if (!now.known || !reference.known)
	{
		// A calibration pattern: nobody can say what it changes.
		return ExpectedLight();
	}
	if (now.least.empty() && reference.least.empty())
	{
		return ExpectedLight();
	}
	const cv::Mat zero = cv::Mat::zeros(now.least.empty() ? reference.least.size() : now.least.size(), CV_32FC3);
	const cv::Mat& nLeast = now.least.empty() ? zero : now.least;
	const cv::Mat& nMost = now.most.empty() ? zero : now.most;
	const cv::Mat& rLeast = reference.least.size() != zero.size() ? zero : reference.least;
	const cv::Mat& rMost = reference.most.size() != zero.size() ? zero : reference.most;
	// In grey levels on white paper; on darker things anything down to none.
	const cv::Vec3d paper = measured.paperLight * (1.0 + lightSlack);
	const cv::Scalar scale(paper[0], paper[1], paper[2]);
	cv::Mat changeLeast, changeMost;
	cv::multiply(nLeast - rMost, scale, changeLeast);
	cv::multiply(nMost - rLeast, scale, changeMost);
	ExpectedLight expected;
	expected.least = cv::min(changeLeast, 0.0);
	expected.most = cv::max(changeMost, 0.0);
	return expected;
}

void ProjectorMode::countLight(const LightTally& tally)
{
	lightTallies.push_back(tally);
	lightTotal.cells += tally.cells;
	lightTotal.missed += tally.missed;
	while (lightTallies.front().pass <= tally.pass - checkPasses)
	{
		lightTotal.cells -= lightTallies.front().cells;
		lightTotal.missed -= lightTallies.front().missed;
		lightTallies.pop_front();
	}
}

void ProjectorMode::forgetLightCounts()
{
	lightTallies.clear();
	lightTotal = LightTally{0, 0, 0};
}

void ProjectorMode::checkWhereTheLightLands(const BoardScanner& scanner, const LightInterval& now, int pass)
{
	const MotionReading& reading = scanner.lastMotionReading();
	if (lightMisplaced || !reference.known || !now.known || reading.changeFromThen.empty()
		|| now.least.size() != reading.changeFromThen.size())
	{
		return;
	}
	const cv::Mat& nowLeast = now.least;
	const cv::Mat& nowMost = now.most;
	const cv::Mat zero = cv::Mat::zeros(nowLeast.size(), CV_32FC3);
	const cv::Mat& thenLeast = reference.least.size() == zero.size() ? reference.least : zero;
	const cv::Mat& thenMost = reference.most.size() == zero.size() ? reference.most : zero;
	// Where every picture the frame may show agrees that light arrived (or
	// left), by how much on white paper; and how much of it the camera saw.
	const cv::Vec3d paper = measured.paperLight;
	LightTally tally{pass, 0, 0};
	for (int i = 0; i < int(zero.total()); ++i)
	{
		for (int c = 0; c < 3; ++c)
		{
			const double arrived = (nowLeast.at<cv::Vec3f>(i)[c] - thenMost.at<cv::Vec3f>(i)[c]) * paper[c];
			const double left = (nowMost.at<cv::Vec3f>(i)[c] - thenLeast.at<cv::Vec3f>(i)[c]) * paper[c];
			const double sure = arrived >= sureLight ? arrived : left <= -sureLight ? left : 0.0;
			if (sure != 0.0)
			{
				tally.cells += 1;
				tally.missed += reading.changeFromThen.at<cv::Vec3f>(i)[c] / sure < misplacedShare ? 1 : 0;
			}
		}
	}
	countLight(tally);
	// The median share seen is below misplacedShare exactly when more than
	// half the cells fall short of it.
	if (lightTotal.cells < checkCellsAtLeast || 2 * lightTotal.missed <= lightTotal.cells)
	{
		return;
	}
	// The camera or the projector has moved: the game would land beside
	// where it is played. Dark until measured again, which the picture
	// keeping still starts.
	lightMisplaced = true;
	forgetLightCounts();
	const std::string why = "the projected light no longer falls where the projector's calibration puts it (the camera "
							"or the projector has moved): the game is not projected until the projector is measured "
							"again, which starts once the picture keeps still; keep hands off the board";
	std::fprintf(stderr, "%s\n", why.c_str());
	trace.report(Event("projectorMoved").set("reason", why));
}

void ProjectorMode::key(int key)
{
	if (key == 'c' && !run)
	{
		startCalibration();
	}
	else if (key == 'w')
	{
		wallOutline = !wallOutline;
	}
}

void ProjectorMode::startCalibration()
{
	run = std::make_unique<ProjectorCalibrationRun>(screen.size(), latency());
	stillness.cancelDarkFrame();
}

void ProjectorMode::finishCalibration(BoardScanner& scanner, RectifiedBoard& board)
{
	const ProjectorCalibrationRun& done = *run;
	// Paper white, or nearly, before the projector adds light: a real webcam
	// would lower its exposure in such a room, so the camera is asked to.
	if (done.paperNearWhite() && exposureSteps < exposureStepsAtMost
		&& scanner.frameSource().scaleExposure(exposureStep))
	{
		exposureSteps += 1;
		const double scale = std::pow(exposureStep, exposureSteps);
		std::fprintf(stderr, "projector calibration: the camera's picture of the paper is white or nearly; its exposure lowered to %.0f %% of what it was, measuring again\n",
			100.0 * scale);
		trace.report(Event("cameraExposure").set("scale", scale));
		startCalibration();
		return;
	}
	ProjectorCalibration result;
	result.cameraSize = scanner.frameSize();
	std::string problem = done.problem();
	bool ok = false;
	if (done.state() == ProjectorCalibrationRun::Done)
	{
		result.latencyPasses = done.latency();
		result.paperLight = paperLightOf(done.chessboardFrame(), done.darkFrame());
		// The board in the dark frame gives the millimetres, and the picture's
		// first place until the next rescan.
		scanner.setReferenceFrame(done.darkFrame());
		reference = LightInterval();
		// The error is measured over the board, or over the whole picture when it was not found.
		const double* lens = scanner.cameraParam().dist_factor;
		ErrorArea area = pictureErrorArea(result.cameraSize, lens);
		if (scanner.scanBoard(board) && board.mapped)
		{
			area = boardErrorArea(board.boardToCamera, cv::Size(boardWidth, boardHeight),
				boardPixelsToSetMm(*scanner.boardMarkers()));
		}
		result.cameraParameters = cameraParametersRecord(cameraParametersFile);
		// A first pattern that measures the board poorly is followed by one over the board alone.
		if (run->aimAtBoard(lens, area))
		{
			const CharucoLayout& layout = run->shownPattern().layout;
			trace.report(Event("projectorPatternOnBoard")
							 .set("squaresX", double(layout.squaresX))
							 .set("squaresY", double(layout.squaresY))
							 .set("square", layout.squareMm));
			return;
		}
		ok = done.fit(lens, area, result, problem);
	}
	Event event("projectorCalibration");
	event.set("ok", ok).set("rmsPixels", result.rmsPixels).set("largestPixels", result.largestPixels)
		.set("rmsMm", result.rmsMm).set("largestMm", result.largestMm)
		.set("cornersFound", double(result.cornersFound)).set("cornersUsed", double(result.cornersUsed))
		.set("latency", double(result.latencyPasses));
	trace.report(event);
	if (ok)
	{
		measured = result;
		hasCalibration = true;
		lightMisplaced = false;
		forgetLightCounts();
		std::fprintf(stderr, "%s\n", describeCalibration(result).c_str());
		std::string error;
		if (!saveProjectorCalibration(calibrationFile, result, error))
		{
			std::fprintf(stderr, "%s; it holds for this run only\n", error.c_str());
		}
	}
	else
	{
		std::fprintf(stderr, "projector calibration refused: %s; press c to measure again\n", problem.c_str());
	}
	run.reset();
}
