#pragma once

#include "analysis/ShapeRecord.h"
#include "app/PixelWorldMapping.h"

#include <vector>

class BoardScanner;
class PhysicsScene;

/// What the drawing analysis remembers between rescans: the shapes of the
/// last scan, the circle templates and the distance settings.
class DrawingAnalysis
{
public:
	/// Copies the board mapping, keeps the scanner and the scene, and hands the
	/// scene the hook that empties the record lists on a new map.
	DrawingAnalysis(BoardScanner& scanner, PhysicsScene& scene);

	/// Takes the hook back from the scene.
	~DrawingAnalysis();

	DrawingAnalysis(const DrawingAnalysis&) = delete;
	DrawingAnalysis& operator=(const DrawingAnalysis&) = delete;

	/// Empty the three record lists, walls first.
	void clearRecords();

	/// One record per wall built in the last rescan.
	std::vector<ShapeRecord> wallRecords;
	/// One record per black circle turned into a ball.
	std::vector<ShapeRecord> ballRecords;
	/// One record per yellow circle turned into a sensor circle.
	std::vector<ShapeRecord> sensorCircleRecords;

	/// Weights of the descriptor distance; start-up sets all ten to 1.
	int descriptorWeights[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
	/// Power-of-two exponents of the distance; every caller sets all ten first.
	int descriptorExponents[10] = {};

	PixelWorldMapping mapping;

	BoardScanner& scanner;
	PhysicsScene& scene;
};
