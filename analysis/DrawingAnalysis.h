#pragma once

#include "analysis/DrawnCircles.h"
#include "analysis/InkLayers.h"
#include "analysis/ShapeRecord.h"
#include "core/EventSink.h"

#include <string>
#include <vector>

class Display;
class PhysicsScene;
struct RectifiedBoard;

/// What a rescan found in the board's drawing, and made of it.
struct DrawingFound
{
	/// The drawing is not the last rescan's: every body of the scene goes at
	/// the next flush, and the drawing's records went with them.
	bool newMap = false;
	/// A portal was made over the portal card.
	bool portal = false;
	/// Balls made of black rings not seen before.
	int balls = 0;
	/// Wall chains built from the black ink.
	int walls = 0;
	/// Sensor circles made of yellow rings not seen before.
	int sensors = 0;
};

/// The drawing on the board becomes bodies of the scene: the portal over the
/// card, balls of black rings, walls of the other black ink and sensor circles
/// of yellow rings. It remembers, from one rescan to the next, the circles
/// made into bodies (so that a circle drawn once gives one body however often
/// it is seen) and the shapes of the last drawing (so that the same drawing
/// seen again keeps its game, and another one starts a new map).
class DrawingAnalysis
{
public:
	/// Keeps the scene and loads the circle templates (by default from the
	/// working directory).
	explicit DrawingAnalysis(PhysicsScene& scene, const std::string& blackTemplate = "circleExample.txt",
		const std::string& yellowTemplate = "circleExampleYellow.txt");

	DrawingAnalysis(const DrawingAnalysis&) = delete;
	DrawingAnalysis& operator=(const DrawingAnalysis&) = delete;

	/// Read both circle templates. A file that cannot be read gives an empty
	/// template (after a one-line message), which no drawn circle matches.
	void loadTemplates(const std::string& blackFile, const std::string& yellowFile);

	/// Balls, sensors, the portal, a new map and the walls built are reported
	/// here; null reports nothing.
	void setEventSink(EventSink* sink) { m_events = sink; }

	/// The rescan of a board that was scanned and let through the hand test:
	/// `ink.colours` (the board's colours as a neutral room shows them) is
	/// segmented into the ink's masks and contours, which `ink` keeps ("cont"
	/// and "skewbinary" show them on `display`); the drawing is compared with
	/// the last one (another drawing marks every body of the scene and starts
	/// afresh); then the portal, the balls, the walls (rebuilt every time, the
	/// old ones going at the next flush) and the sensor circles are made.
	DrawingFound analyse(const RectifiedBoard& board, InkLayers& ink, Display& display);

	/// Play the drawing again: a new ball at every ring that became one, as
	/// when the drawing was first scanned, and every sensor untouched. The
	/// caller takes the old balls away. Returns the number of balls made.
	int replayDrawing();

	/// The black shapes of the last rescan, which the next one compares its
	/// drawing with: one record per wall built, and one per ring that became a
	/// ball in that rescan.
	const std::vector<ShapeRecord>& wallRecords() const { return m_wallRecords; }
	/// One record per black circle turned into a ball.
	const std::vector<ShapeRecord>& ballRecords() const { return m_balls.records(); }
	/// One record per yellow circle turned into a sensor circle.
	const std::vector<ShapeRecord>& sensorCircleRecords() const { return m_sensors.records(); }
	/// The circle templates' descriptors.
	const ShapeDescriptor& blackCircleTemplate() const { return m_balls.circleTemplate(); }
	const ShapeDescriptor& yellowCircleTemplate() const { return m_sensors.circleTemplate(); }

private:
	/// The black contours of the segmented mask `segmented`, with the marker
	/// regions taken out (and the portal made anew) in `ink.blackMask`. True
	/// when a portal was made.
	bool findBlackShapes(const RectifiedBoard& board, const cv::Mat& segmented, InkLayers& ink, Display& display);
	/// Another drawing: every body goes at the next flush, and with them the
	/// records of the drawing's circles and walls.
	void startNewMap();
	/// One wall record and one wall chain per black contour left by the ball
	/// search, none where `withoutWall` is set (a ring round its ball); and a
	/// record without a chain for each of the `newBalls` rings just made into
	/// balls. Returns the number of chains built (a contour of one point
	/// builds none).
	int buildWalls(const std::vector<Contour>& blackContours, const std::vector<bool>& withoutWall, size_t newBalls);

	PhysicsScene& m_scene;
	EventSink* m_events = nullptr;
	/// Points of the black circle template, kept for the whole run.
	std::vector<cv::Point> m_circleTemplatePoints;
	DrawnCircles m_balls{CircleInk::Black};
	DrawnCircles m_sensors{CircleInk::Yellow};
	std::vector<ShapeRecord> m_wallRecords;
};
