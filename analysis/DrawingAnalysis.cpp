#include "analysis/DrawingAnalysis.h"

#include "physics/PhysicsScene.h"

DrawingAnalysis::DrawingAnalysis(BoardScanner& scanner, PhysicsScene& scene)
	: mapping(boardMapping), scanner(scanner), scene(scene)
{
	scene.setMapResetHook([this] { clearRecords(); });
}

DrawingAnalysis::~DrawingAnalysis()
{
	scene.setMapResetHook(nullptr);
}

void DrawingAnalysis::clearRecords()
{
	wallRecords.clear();
	ballRecords.clear();
	sensorCircleRecords.clear();
}
