#include "app/ProjectorMode.h"

#include "analysis/DrawingAnalysis.h"
#include "app/DarkFrameSchedule.h"
#include "core/FixedValues.h"
#include "core/PixelWorldMapping.h"
#include "physics/PhysicsScene.h"
#include "platform/Display.h"
#include "render/ProjectedLight.h"
#include "tracking/BoardScanner.h"
#include "tracking/CellPicture.h"
#include "tracking/Stillness.h"

#include <algorithm>
#include <cstdio>

/// Still passes, with the projector black, before it is measured again.
static constexpr int quietBeforeMeasuring = 10;

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
	: m_display(display), m_screen(screen), m_calibrationFile(std::move(calibrationFile)),
	  m_cameraParametersFile(std::move(cameraParametersFile)), m_trace(trace), m_stillness(stillness),
	  m_picture(screen.size())
{
	m_watch.next = &trace;
}

bool ProjectorMode::sceneMoved(BoardScanner& scanner, int pass)
{
	LightInterval now = m_light.seenIn(pass, latency());
	const bool moved = scanner.sceneMoved(m_light.expectedChange(now, m_calibration.paperLight));
	if (m_lightCheck.check(scanner.lastMotionReading(), now, m_light.reference(), m_calibration.paperLight, pass))
	{
		// The camera or the projector has moved: the game would land beside
		// where it is played. Dark until measured again, which the picture
		// keeping still starts.
		const std::string why = "the projected light no longer falls where the projector's calibration puts it (the "
								"camera or the projector has moved): the game is not projected until the projector is "
								"measured again, which starts once the picture keeps still; keep hands off the board";
		std::fprintf(stderr, "%s\n", why.c_str());
		m_trace.report(Event("projectorMoved").set("reason", why));
	}
	if (moved)
	{
		// The reference is this frame now, and with it the light it shows.
		m_light.setReference(std::move(now));
	}
	return moved;
}

bool ProjectorMode::rescanDue(BoardScanner& scanner, int pass)
{
	if (!m_run)
	{
		m_stillness.wantDarkFrame(darkFrameLead(latency()), pass);
	}
	if (m_lightCheck.misplaced() && !m_run && m_stillness.passesSinceMotion() >= quietBeforeMeasuring)
	{
		startCalibration();
	}
	if (m_run || !m_stillness.darkFrameDue(pass >= firstDarkFramePass(m_light.lastLitPass(), latency())))
	{
		return false;
	}
	// This pass's frame shows the board lit by the room alone: it is the one
	// scanned, and the reference from now on.
	const int waited = m_stillness.takeDarkFrame(pass);
	scanner.setReferenceFrame(scanner.cameraFrame());
	m_light.setReference(LightInterval());
	m_trace.report(Event("darkFrame").set("waited", double(waited)));
	return true;
}

void ProjectorMode::project(int pass, const BoardScanner& scanner, const RectifiedBoard& board,
	const PhysicsScene& scene, const DrawingAnalysis& analysis)
{
	const cv::Size frameSize = scanner.frameSize();
	if (m_run)
	{
		// The pattern's light is motion, as it should be: no rescan while it shows.
		m_picture.showPicture(m_run->picture());
		showPicture(pass, frameSize, cv::Mat(), m_picture.isDark());
		return;
	}
	if (m_stillness.darkFrameWanted() || !m_hasCalibration || m_lightCheck.misplaced())
	{
		m_picture.darken();
		showPicture(pass, frameSize, cv::Mat(), true);
		return;
	}
	const std::vector<ProjectedShape> shapes = drawGame(board, scene, analysis);
	cv::Mat light;
	if (!m_picture.isDark() && frameSize.area() > 0)
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
	for (Burst& burst : m_bursts)
	{
		burst.age += 1;
	}
	m_bursts.erase(std::remove_if(m_bursts.begin(), m_bursts.end(),
					   [](const Burst& burst) { return burst.age >= burstPasses; }),
		m_bursts.end());
	for (const cv::Point2f& at : m_watch.shatters)
	{
		const cv::Point2d pixel = boardMapping.toPixel(at.x, at.y);
		m_bursts.push_back(Burst{cv::Point2f(pixel), 0});
	}
	m_watch.shatters.clear();

	if (!board.mapped)
	{
		// No board seen yet: nothing has a place on it.
		m_picture.darken();
		return {};
	}
	// Each moving body where it will be when the camera sees this picture:
	// the latency's steps ahead. (A step more, for the pass the picture waits
	// to be shown, put the light a step ahead of the balls in the camera's
	// frames: 0.25 to 0.47 mm in the median.)
	std::vector<ProjectedShape> shapes =
		projectedShapes(scene, analysis.sensorCircleRecords(), m_bursts, m_wallOutline, float(latency() * timeStep));
	m_picture.draw(shapes, m_calibration.cameraToProjector * board.boardToCamera);
	return shapes;
}

void ProjectorMode::showPicture(int pass, cv::Size frameSize, cv::Mat lightCells, bool lightKnown)
{
	const bool dark = m_picture.isDark();
	// A black picture shown again changes nothing on the board.
	if (!dark || !m_shownDark)
	{
		m_display.show("projector", m_picture.picture());
	}
	m_shownDark = dark;
	m_light.add(pass, std::move(lightCells), lightKnown, !dark, frameSize, latency());
}

void ProjectorMode::key(int key)
{
	if (key == 'c' && !m_run)
	{
		startCalibration();
	}
	else if (key == 'w')
	{
		m_wallOutline = !m_wallOutline;
	}
}
