#include "analysis/DrawingAnalysis.h"

#include "analysis/TemplateFile.h"
#include "physics/PhysicsScene.h"

#include <algorithm>

DrawingAnalysis::DrawingAnalysis(PhysicsScene& scene, const std::string& blackTemplate,
	const std::string& yellowTemplate)
	: mapping(boardMapping), scene(scene)
{
	scene.setMapResetHook([this] { clearRecords(); });
	loadTemplates(blackTemplate, yellowTemplate);
}

DrawingAnalysis::~DrawingAnalysis()
{
	scene.setMapResetHook(nullptr);
}

void DrawingAnalysis::loadTemplates(const std::string& blackFile, const std::string& yellowFile)
{
	circleTemplatePoints = loadTemplatePoints(blackFile);
	blackCircleTemplate = computeDescriptor(circleTemplatePoints);
	// Only the black template's points are kept.
	yellowCircleTemplate = computeDescriptor(loadTemplatePoints(yellowFile));
}

void DrawingAnalysis::clearRecords()
{
	wallRecords.clear();
	ballRecords.clear();
	sensorCircleRecords.clear();
}

void DrawingAnalysis::useExponents(const int (&exponents)[descriptorSize])
{
	std::copy(std::begin(exponents), std::end(exponents), std::begin(descriptorExponents));
}
