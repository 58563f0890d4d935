#include "app/Application.h"

#include "core/FixedValues.h"
#include "markers/BoardLayout.h"
#include "render/ProjectedShapes.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace
{

/// Board pixels to ideal camera pixels: the scan's homography turned round.
bool boardToIdealCamera(const cv::Mat& homography, cv::Matx33d& boardToIdeal)
{
	if (homography.rows != 3 || homography.cols != 3 || homography.type() != CV_64FC1)
	{
		return false;
	}
	const cv::Matx33d h(homography);
	if (std::fabs(cv::determinant(h)) < 1e-12)
	{
		return false;
	}
	boardToIdeal = h.inv();
	return true;
}

bool fileExists(const std::string& path)
{
	std::error_code error;
	return std::filesystem::exists(path, error);
}

}  // namespace

void Application::useProjector(cv::Rect screen, const ProjectorCalibration* given)
{
	projection = std::make_unique<ProjectorMode>(screen);
	// Shatters are burst on the board; every event still reaches the trace.
	projection->events.next = &trace;
	scene.events = &projection->events;
	if (given != nullptr)
	{
		projection->calibration = *given;
		projection->calibrated = true;
	}
	else
	{
		readProjectorCalibration();
	}
	// Started already: the window opens now.
	if (scene.world != nullptr)
	{
		openProjector();
	}
}

void Application::readProjectorCalibration()
{
	const cv::Rect& screen = projection->screen;
	const std::string& path = files.projectorCalibration;
	if (!fileExists(path))
	{
		return;
	}
	std::string error;
	ProjectorCalibration read;
	if (!loadProjectorCalibration(path, read, error))
	{
		std::fprintf(stderr, "%s; the projector is measured again\n", error.c_str());
		return;
	}
	if (read.projectorSize != screen.size())
	{
		std::fprintf(stderr, "%s: measured for a %d x %d projector picture, not %d x %d; the projector is measured again\n",
			path.c_str(), read.projectorSize.width, read.projectorSize.height, screen.width, screen.height);
		return;
	}
	if (read.cameraParameters != cameraParametersRecord(files.cameraParam))
	{
		std::fprintf(stderr, "%s: measured with other camera parameters than %s has now; the projector is measured again\n",
			path.c_str(), files.cameraParam.c_str());
		return;
	}
	projection->calibration = read;
	projection->calibrated = true;
}

void Application::openProjector()
{
	if (!projection)
	{
		return;
	}
	ProjectorMode& p = *projection;
	display->createScreenWindow("projector", p.screen);
	const cv::Size cameraSize = scanner.frameSize();
	if (p.calibrated && p.calibration.cameraSize != cameraSize)
	{
		std::fprintf(stderr, "%s: measured with a %d x %d camera, not %d x %d; the projector is measured again\n",
			files.projectorCalibration.c_str(), p.calibration.cameraSize.width, p.calibration.cameraSize.height,
			cameraSize.width, cameraSize.height);
		p.calibrated = false;
	}
	// Calibrations, their refusals and the files' are said in one place: standard error.
	if (p.calibrated)
	{
		std::fprintf(stderr, "%s, from %s\n", describeCalibration(p.calibration).c_str(), files.projectorCalibration.c_str());
	}
	else
	{
		std::fprintf(stderr, "the projector is measured first: keep the board under it and hands off\n");
		startProjectorCalibration();
	}
}

bool Application::cameraMoved()
{
	if (!projection)
	{
		return scanner.sceneMoved();
	}
	ProjectorMode& p = *projection;
	// What the projector lit lately changes the picture without anything moving.
	scanner.setMotionIgnored(p.motionIgnored());
	if (!scanner.sceneMoved())
	{
		return false;
	}
	p.referenceRenewed();
	// A new still period asks for its own rescan.
	p.darkScanWanted = false;
	return true;
}

bool Application::rescanDue()
{
	if (!projection)
	{
		return stillCount == rescanThreshold;
	}
	ProjectorMode& p = *projection;
	if (p.calibrating)
	{
		return false;
	}
	if (stillCount == rescanThreshold)
	{
		p.darkScanWanted = true;
		p.darkScanAsked = passCount;
	}
	// A picture shown in pass n is seen by the camera from pass n + 1 + latency.
	const int firstDarkFrame = p.lastLitPass + 1 + p.latency() + 1 + darkPassesBeyondLatency;
	if (!p.darkScanWanted || passCount < firstDarkFrame)
	{
		return false;
	}
	p.darkScanWanted = false;
	// This pass's frame shows the board lit by the room alone: it is the one
	// scanned, and the reference from now on.
	scanner.setReferenceFrame(scanner.cameraFrame());
	p.referenceRenewed();
	trace.report(Event("darkFrame").set("waited", double(passCount - p.darkScanAsked)));
	return true;
}

void Application::projectGame()
{
	if (!projection)
	{
		return;
	}
	ProjectorMode& p = *projection;
	if (p.calibrating)
	{
		p.calibrating->see(scanner.cameraFrame(), passCount);
		const ProjectorCalibrationRun::State state = p.calibrating->state();
		if (state == ProjectorCalibrationRun::Done || state == ProjectorCalibrationRun::Failed)
		{
			finishProjectorCalibration();
		}
	}

	if (p.calibrating)
	{
		// The pattern's light is motion, as it should be: no rescan while it shows.
		p.canvas.showPicture(p.calibrating->picture());
	}
	else if (p.darkScanWanted || !p.calibrated)
	{
		p.canvas.darken();
	}
	else
	{
		drawGameOnBoard();
	}
	p.rememberLit(p.litNow);
	p.litNow.release();

	const bool dark = p.canvas.isDark();
	if (!dark)
	{
		p.lastLitPass = passCount;
	}
	// A black picture shown again changes nothing on the board.
	if (!dark || !p.shownDark)
	{
		display->show("projector", p.canvas.picture());
	}
	p.shownDark = dark;
}

void Application::drawGameOnBoard()
{
	ProjectorMode& p = *projection;
	for (Burst& burst : p.bursts)
	{
		burst.age += 1;
	}
	p.bursts.erase(std::remove_if(p.bursts.begin(), p.bursts.end(),
					   [](const Burst& burst) { return burst.age >= burstPasses; }),
		p.bursts.end());
	for (const cv::Point2f& at : p.events.shatters)
	{
		const cv::Point2d pixel = analysis.mapping.toPixel(at.x, at.y);
		p.bursts.push_back(Burst{cv::Point2f(pixel), 0});
	}
	p.events.shatters.clear();

	cv::Matx33d boardToIdeal;
	if (!boardToIdealCamera(board.homography, boardToIdeal))
	{
		// No board seen yet: nothing has a place on it.
		p.canvas.darken();
		return;
	}
	const std::vector<ProjectedShape> shapes = projectedShapes(scene, analysis, p.bursts, p.wallOutline);
	p.canvas.draw(shapes, p.calibration.cameraToProjector * boardToIdeal);
	if (!shapes.empty() && !scanner.cameraFrame().empty())
	{
		p.litNow = cv::Mat::zeros(scanner.cameraFrame().size(), CV_8UC1);
		markLitPixels(p.litNow, shapes, boardToIdeal, scanner.cameraParam().dist_factor, litMarginPixels);
	}
}

void Application::projectorKey(int key)
{
	if (!projection)
	{
		return;
	}
	if (key == 'c' && !projection->calibrating)
	{
		startProjectorCalibration();
	}
	else if (key == 'w')
	{
		projection->wallOutline = !projection->wallOutline;
	}
}

void Application::startProjectorCalibration()
{
	ProjectorMode& p = *projection;
	p.calibrating = std::make_unique<ProjectorCalibrationRun>(p.screen.size(), p.latency());
	p.darkScanWanted = false;
}

void Application::finishProjectorCalibration()
{
	ProjectorMode& p = *projection;
	const ProjectorCalibrationRun& run = *p.calibrating;
	ProjectorCalibration result;
	result.cameraSize = scanner.frameSize();
	std::string problem = run.problem;
	bool ok = false;
	if (run.state() == ProjectorCalibrationRun::Done)
	{
		// The board in the dark frame gives the millimetres, and the picture's
		// first place until the next rescan.
		scanner.setReferenceFrame(run.darkFrame);
		// The error is measured over the board, or over the whole picture when it was not found.
		const double* lens = scanner.cameraParam().dist_factor;
		ErrorArea area = pictureErrorArea(result.cameraSize, lens);
		cv::Matx33d boardToIdeal;
		if (scanner.scanBoard(board) && boardToIdealCamera(board.homography, boardToIdeal))
		{
			area = boardErrorArea(boardToIdeal, cv::Size(boardWidth, boardHeight), boardPixelsToSetMm(*scanner.boardMarkers()));
		}
		result.cameraParameters = cameraParametersRecord(files.cameraParam);
		ok = run.fit(lens, area, result, problem);
	}
	Event event("projectorCalibration");
	event.set("ok", ok).set("rmsPixels", result.rmsPixels).set("largestPixels", result.largestPixels)
		.set("rmsMm", result.rmsMm).set("largestMm", result.largestMm)
		.set("cornersFound", double(result.cornersFound)).set("cornersUsed", double(result.cornersUsed))
		.set("latency", double(result.latencyPasses));
	trace.report(event);
	if (ok)
	{
		p.calibration = result;
		p.calibrated = true;
		std::fprintf(stderr, "%s\n", describeCalibration(result).c_str());
		std::string error;
		if (!saveProjectorCalibration(files.projectorCalibration, result, error))
		{
			std::fprintf(stderr, "%s; it holds for this run only\n", error.c_str());
		}
	}
	else
	{
		std::fprintf(stderr, "projector calibration refused: %s; press c to measure again\n", problem.c_str());
	}
	p.calibrating.reset();
	// The pattern has gone: a still period begins, and a rescan after it.
	stillCount = 0;
}
