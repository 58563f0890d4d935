#pragma once

#include "analysis/InkLayers.h"
#include "analysis/ShapeRecord.h"
#include "core/EventSink.h"
#include "core/PixelWorldMapping.h"

#include <string>
#include <vector>

class PhysicsScene;
class b2Body;
struct RectifiedBoard;

/// Exponent sets of the descriptor distance: component i is scaled by 2^e[i],
/// and -10000 switches a component off.
/// Template tests ignore position and weigh shape.
constexpr int blackTemplateExponents[descriptorSize] = {-10000, -10000, -2, -4, -2, 0, -5, -1, -2, 0};
constexpr int yellowTemplateExponents[descriptorSize] = {-10000, -10000, -3, -4, -3, -3, -1, -4, 1, -5};
/// Plain pixel distance between centroids: is this circle one already kept?
constexpr int duplicateExponents[descriptorSize] = {0, 0, -10000, -10000, -10000, -10000, -10000, -10000, -10000, -10000};
/// Half the pixel distance between centroids: is this the drawing seen before?
constexpr int sameMapExponents[descriptorSize] = {-1, -1, -10000, -10000, -10000, -10000, -10000, -10000, -10000, -10000};

/// A contour is a circle when its distance from the template is below this.
constexpr double circleMatchLimit = 5.0;
/// A circle whose centroid is within this many pixels of a kept circle's is that circle.
constexpr double duplicateRadius = 15.0;
/// Radius in metres of every ball and sensor circle, whatever was drawn.
constexpr float circleRadius = 1.0f;
/// Distance returned when no candidate could be measured.
constexpr float noCandidateDistance = 10000.0f;

/// What the drawing analysis remembers between rescans, and the analysis steps
/// that turn the ink of a rectified board (InkLayers) into bodies of the
/// scene: the portal and the drawing area, balls, sensor circles, walls and
/// the same-map test.
class DrawingAnalysis
{
public:
	/// Copies the board mapping, keeps the scene, hands the scene the hook
	/// that empties the record lists on a new map, and loads the circle
	/// templates (by default from the working directory).
	explicit DrawingAnalysis(PhysicsScene& scene, const std::string& blackTemplate = "circleExample.txt",
		const std::string& yellowTemplate = "circleExampleYellow.txt");

	/// Takes the hook back from the scene.
	~DrawingAnalysis();

	DrawingAnalysis(const DrawingAnalysis&) = delete;
	DrawingAnalysis& operator=(const DrawingAnalysis&) = delete;

	/// Read both circle templates. A file that cannot be read gives an empty
	/// template (after a one-line message), which no drawn circle matches.
	void loadTemplates(const std::string& blackFile, const std::string& yellowFile);

	/// Empty the three record lists, walls first.
	void clearRecords();

	/// Balls, sensors and the portal are reported here; null reports nothing.
	void setEventSink(EventSink* sink) { events = sink; }

	// Descriptor distances, with the current weights and exponents.

	/// Weighted length of the difference of two descriptors.
	double descriptorDistance(const cv::Mat& difference) const;
	/// Smallest distance from the query to a candidate (noCandidateDistance
	/// when none can be measured); `index` gets that candidate's place or -1.
	/// Ties keep the earlier candidate; NaN distances are skipped.
	float nearestDescriptor(const ShapeDescriptor& query, const std::vector<ShapeDescriptor>& candidates,
		int& index) const;
	/// The same over the records' descriptors; `nearest` gets the record or null.
	float nearestRecord(const std::vector<ShapeRecord>& records, const ShapeDescriptor& query,
		const ShapeRecord*& nearest) const;

	// Steps of a rescan.

	/// Replace the portal by one over the portal card, if the board's scan saw
	/// it, blank the card out of the black mask, and crop the black mask to the
	/// board's drawing area.
	void applyMarkerRegions(const RectifiedBoard& board, cv::Mat& blackMask);
	/// Black contours that match the circle template and are not kept yet
	/// become balls; their contours leave the list.
	void detectBalls(std::vector<Contour>& blackContours);
	/// Yellow contours that match their template become sensor circles; their
	/// contours leave the list.
	void detectSensorCircles(std::vector<Contour>& yellowContours);
	/// Play the drawing again: a new ball at every ring that became one, as
	/// when the drawing was first scanned, and every sensor untouched. The
	/// caller takes the old balls away. Returns the number of balls made.
	int replayDrawing();
	/// True when the black contours are the shapes of the last rescan (its
	/// walls and new balls' rings), allowing for the whole drawing having moved.
	bool isSameMap(const std::vector<Contour>& blackContours);
	/// One wall record and one wall chain per black contour left by
	/// detectBalls, and a record without a chain for each ring just made into a
	/// ball. Returns the number of chains built (a contour of one point builds none).
	int buildWalls(const std::vector<Contour>& blackContours);

	/// One flag per contour left in the black contours by the last
	/// detectBalls: set for a border of a ring whose ball is still inside it
	/// (the second border of a ring that has just become a ball, or a ring
	/// kept from an earlier rescan whose ball has not left yet). Such a border
	/// is remembered as a wall shape but gets no wall body, which would catch
	/// the ball inside its own drawn ring; once the ball has left, a rescan
	/// builds the ring's wall.
	std::vector<bool> ringBordersWithoutWall;
	/// Balls made by the last detectBalls and not yet recorded by buildWalls:
	/// the last this many ballRecords.
	size_t newBallCount = 0;

	/// The black shapes of the last rescan, which the next one compares its
	/// drawing with: one record per wall built, and one per ring that became
	/// a ball in that rescan.
	std::vector<ShapeRecord> wallRecords;
	/// One record per black circle turned into a ball.
	std::vector<ShapeRecord> ballRecords;
	/// One record per yellow circle turned into a sensor circle.
	std::vector<ShapeRecord> sensorCircleRecords;

	/// Points of the black circle template, kept for the whole run.
	std::vector<cv::Point> circleTemplatePoints;
	ShapeDescriptor blackCircleTemplate;
	ShapeDescriptor yellowCircleTemplate;

	/// Weights of the descriptor distance; start-up sets all ten to 1.
	int descriptorWeights[descriptorSize] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
	/// Power-of-two exponents of the distance; every caller sets all ten first.
	int descriptorExponents[descriptorSize] = {};

	PixelWorldMapping mapping;

	PhysicsScene& scene;

private:
	using CircleFactory = b2Body* (*)(PhysicsScene&, float, float, float);

	/// The circle search shared by balls and sensor circles. Returns one flag
	/// per contour left in the list: set for a border of a ring whose body is
	/// still inside it.
	std::vector<bool> detectCircles(std::vector<Contour>& contours, const ShapeDescriptor& circleTemplate,
		const int (&templateExponents)[descriptorSize], std::vector<ShapeRecord>& records,
		CircleFactory createCircle, const char* eventType);
	/// What a contour is to the circle search.
	enum class CircleMatch
	{
		None,         ///< not a circle
		New,          ///< a circle farther than duplicateRadius from every kept one
		Known,        ///< a circle already kept: it stays in the list
		OtherBorder   ///< the second border of a ring made into a body in this search; it stays too
	};

	/// Classify the contour with descriptor d; records from `firstNew` on were
	/// made by the search in progress. `kept` gets the record of a circle
	/// already kept.
	CircleMatch matchCircle(const ShapeDescriptor& d, const ShapeDescriptor& circleTemplate,
		const int (&templateExponents)[descriptorSize], const std::vector<ShapeRecord>& records,
		size_t firstNew, const ShapeRecord*& kept);
	/// The record's body still overlaps the disc its ring encloses.
	bool bodyInsideItsRing(const ShapeRecord& record) const;
	void useExponents(const int (&exponents)[descriptorSize]);

	EventSink* events = nullptr;
};
