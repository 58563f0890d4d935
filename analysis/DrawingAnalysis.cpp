#include "analysis/DrawingAnalysis.h"

#include "analysis/ColourSegmentation.h"
#include "analysis/ContourExtraction.h"
#include "analysis/MapChange.h"
#include "analysis/MarkerRegions.h"
#include "analysis/TemplateFile.h"
#include "physics/BodyInfo.h"
#include "physics/PhysicsScene.h"

DrawingAnalysis::DrawingAnalysis(PhysicsScene& scene, const std::string& blackTemplate,
	const std::string& yellowTemplate)
	: m_scene(scene)
{
	loadTemplates(blackTemplate, yellowTemplate);
}

void DrawingAnalysis::loadTemplates(const std::string& blackFile, const std::string& yellowFile)
{
	m_circleTemplatePoints = loadTemplatePoints(blackFile);
	m_balls.setTemplate(computeDescriptor(m_circleTemplatePoints));
	// Only the black template's points are kept.
	m_sensors.setTemplate(computeDescriptor(loadTemplatePoints(yellowFile)));
}

DrawingFound DrawingAnalysis::analyse(const RectifiedBoard& board, InkLayers& ink, Display& display)
{
	DrawingFound found;
	// The colours are segmented once; the black ink is searched twice.
	segmentColours(ink, display);
	const cv::Mat segmented = ink.blackMask;
	findBlackShapes(board, segmented.clone(), ink, display);
	found.newMap = !isSameMap(m_wallRecords, ink.blackContours);
	if (found.newMap)
	{
		startNewMap();
	}
	// Again: a new map has marked the first search's portal, and the balls
	// and walls are taken from a fresh contour search.
	found.portal = findBlackShapes(board, segmented, ink, display);
	const size_t ballsBefore = m_balls.records().size();
	const std::vector<bool> withoutWall = m_balls.find(ink.blackContours, m_scene, m_events);
	const size_t newBalls = m_balls.records().size() - ballsBefore;
	found.balls = int(newBalls);
	// Walls are rebuilt at every rescan; the old ones go at the next flush.
	m_scene.markKind(Wall);
	m_wallRecords.clear();
	found.walls = buildWalls(ink.blackContours, withoutWall, newBalls);
	reportTo(m_events, Event("walls").set("count", double(found.walls)));
	extractColourContours(ink);
	const size_t sensorsBefore = m_sensors.records().size();
	m_sensors.find(ink.yellowContours, m_scene, m_events);
	found.sensors = int(m_sensors.records().size() - sensorsBefore);
	return found;
}

bool DrawingAnalysis::findBlackShapes(const RectifiedBoard& board, const cv::Mat& segmented, InkLayers& ink,
	Display& display)
{
	ink.blackMask = segmented;
	const bool portal = applyMarkerRegions(board, ink.blackMask, m_scene, m_events);
	extractBlackContours(ink, display);
	return portal;
}

void DrawingAnalysis::startNewMap()
{
	reportTo(m_events, Event("newMap"));
	// The records hold pointers to bodies the next flush destroys.
	m_scene.markAll();
	m_wallRecords.clear();
	m_balls.clear();
	m_sensors.clear();
}

int DrawingAnalysis::replayDrawing()
{
	const int balls = m_balls.makeBodiesAgain(m_scene, m_events);
	for (const ShapeRecord& record : m_sensors.records())
	{
		if (BodyInfo* info = m_scene.isRegistered(record.body) ? bodyInfoOf(record.body) : nullptr)
		{
			info->touched = false;
		}
	}
	return balls;
}
