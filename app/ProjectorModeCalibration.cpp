#include "app/ProjectorMode.h"

#include "core/FixedValues.h"
#include "markers/BoardLayout.h"
#include "platform/Display.h"
#include "tracking/BoardScanner.h"
#include "tracking/Stillness.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace
{

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

void ProjectorMode::useCalibration(const ProjectorCalibration& given)
{
	m_calibration = given;
	m_hasCalibration = true;
}

void ProjectorMode::readCalibration()
{
	if (!fileExists(m_calibrationFile))
	{
		return;
	}
	std::string error;
	ProjectorCalibration read;
	if (!loadProjectorCalibration(m_calibrationFile, read, error))
	{
		std::fprintf(stderr, "%s; the projector is measured again\n", error.c_str());
		return;
	}
	if (read.projectorSize != m_screen.size())
	{
		std::fprintf(stderr, "%s: measured for a %d x %d projector picture, not %d x %d; the projector is measured again\n",
			m_calibrationFile.c_str(), read.projectorSize.width, read.projectorSize.height, m_screen.width,
			m_screen.height);
		return;
	}
	if (read.cameraParameters != cameraParametersRecord(m_cameraParametersFile))
	{
		std::fprintf(stderr, "%s: measured with other camera parameters than %s has now; the projector is measured again\n",
			m_calibrationFile.c_str(), m_cameraParametersFile.c_str());
		return;
	}
	useCalibration(read);
}

void ProjectorMode::open(cv::Size cameraSize)
{
	m_display.createScreenWindow("projector", m_screen);
	// The canvas never draws into a picture the display holds.
	m_display.keepShownAsGiven("projector");
	if (m_hasCalibration && m_calibration.cameraSize != cameraSize)
	{
		std::fprintf(stderr, "%s: measured with a %d x %d camera, not %d x %d; the projector is measured again\n",
			m_calibrationFile.c_str(), m_calibration.cameraSize.width, m_calibration.cameraSize.height,
			cameraSize.width, cameraSize.height);
		m_hasCalibration = false;
	}
	// Calibrations, their refusals and the files' are said in one place: standard error.
	if (m_hasCalibration)
	{
		std::fprintf(stderr, "%s, from %s\n", describeCalibration(m_calibration).c_str(), m_calibrationFile.c_str());
	}
	else
	{
		std::fprintf(stderr, "the projector is measured first: keep the board under it and hands off\n");
		startCalibration();
	}
}

void ProjectorMode::startCalibration()
{
	m_run = std::make_unique<ProjectorCalibrationRun>(m_screen.size(), latency());
	m_stillness.cancelDarkFrame();
}

std::optional<RectifiedBoard> ProjectorMode::measure(int pass, BoardScanner& scanner, const RectifiedBoard& board)
{
	if (!m_run)
	{
		return std::nullopt;
	}
	m_run->see(scanner.cameraFrame(), pass);
	if (m_run->state() != ProjectorCalibrationRun::Done && m_run->state() != ProjectorCalibrationRun::Failed)
	{
		return std::nullopt;
	}
	std::optional<RectifiedBoard> seen;
	finishCalibration(scanner, board, seen);
	return seen;
}

void ProjectorMode::finishCalibration(BoardScanner& scanner, const RectifiedBoard& board,
	std::optional<RectifiedBoard>& seen)
{
	const ProjectorCalibrationRun& done = *m_run;
	// Paper white, or nearly, before the projector adds light: a real webcam
	// would lower its exposure in such a room, so the camera is asked to.
	if (done.paperNearWhite() && m_exposureSteps < exposureStepsAtMost
		&& scanner.frameSource().scaleExposure(exposureStep))
	{
		m_exposureSteps += 1;
		const double scale = std::pow(exposureStep, m_exposureSteps);
		std::fprintf(stderr, "projector calibration: the camera's picture of the paper is white or nearly; its exposure lowered to %.0f %% of what it was, measuring again\n",
			100.0 * scale);
		m_trace.report(Event("cameraExposure").set("scale", scale));
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
		m_light.setReference(LightInterval());
		// The error is measured over the board, or over the whole picture when it was not found.
		const double* lens = scanner.cameraParam().dist_factor;
		ErrorArea area = pictureErrorArea(result.cameraSize, lens);
		seen = board;
		if (scanner.scanBoard(*seen) && seen->mapped)
		{
			area = boardErrorArea(seen->boardToCamera, cv::Size(boardWidth, boardHeight),
				boardPixelsToSetMm(*scanner.boardMarkers()));
		}
		result.cameraParameters = cameraParametersRecord(m_cameraParametersFile);
		// A first pattern that measures the board poorly is followed by one over the board alone.
		if (m_run->aimAtBoard(lens, area))
		{
			const CharucoLayout& layout = m_run->shownPattern().layout;
			m_trace.report(Event("projectorPatternOnBoard")
							   .set("squaresX", double(layout.squaresX))
							   .set("squaresY", double(layout.squaresY))
							   .set("square", layout.squareSide));
			return;
		}
		ok = done.fit(lens, area, result, problem);
	}
	Event event("projectorCalibration");
	event.set("ok", ok).set("rmsPixels", result.rmsPixels).set("largestPixels", result.largestPixels)
		.set("rmsMm", result.rmsMm).set("largestMm", result.largestMm)
		.set("cornersFound", double(result.cornersFound)).set("cornersUsed", double(result.cornersUsed))
		.set("latency", double(result.latencyPasses));
	m_trace.report(event);
	if (ok)
	{
		m_calibration = result;
		m_hasCalibration = true;
		m_lightCheck.reset();
		std::fprintf(stderr, "%s\n", describeCalibration(result).c_str());
		std::string error;
		if (!saveProjectorCalibration(m_calibrationFile, result, error))
		{
			std::fprintf(stderr, "%s; it holds for this run only\n", error.c_str());
		}
	}
	else
	{
		std::fprintf(stderr, "projector calibration refused: %s; press c to measure again\n", problem.c_str());
	}
	m_run.reset();
}
