#pragma once

#include "scenes/SceneScript.h"
#include "scenes/StatementReader.h"

#include <map>
#include <string>
#include <vector>

/// A scene while its file is read: what the lines above have built, and what
/// the lines below need to know of them.
struct SceneBeingRead
{
	SceneScript script;
	/// Each map's place in script.maps, by name.
	std::map<std::string, int> mapNumbers;
	/// A hand lies on the board at the end of the timeline so far, so it may glide.
	bool handOnBoard = false;
	/// The hand's look has been given.
	bool handLooked = false;

	/// Once the first "at" line is read, only "at" lines may follow.
	bool timelineBegun() const { return !script.cues.empty(); }
};

/// A statement of the grammar (sceneGrammar): its keyword, and how the rest of
/// its line is read into the scene. Only the timeline's own come after the
/// first "at" line.
struct SceneStatement
{
	const char* keyword;
	bool (*read)(StatementReader& in, SceneBeingRead& scene);
	bool inTimeline = false;
};

// The families of statements, a file each: a new statement is a function and
// a row of its family's table; a new optional word a row of its statement's
// options.

/// view (ViewStatement.cpp)
const std::vector<SceneStatement>& viewStatements();
/// light, camera (LightAndCameraStatements.cpp)
const std::vector<SceneStatement>& lightAndCameraStatements();
/// shadow, patch, lamp, glare (LocalLightStatements.cpp)
const std::vector<SceneStatement>& localLightStatements();
/// hand (HandStatement.cpp)
const std::vector<SceneStatement>& handStatements();
/// map, stroke, ring, disc, portal (DrawingStatements.cpp)
const std::vector<SceneStatement>& drawingStatements();
/// projector (ProjectorStatement.cpp)
const std::vector<SceneStatement>& projectorStatements();
/// at PASS ... (TimelineStatements.cpp)
const std::vector<SceneStatement>& timelineStatements();

// What several families read alike.

/// DISTANCE TILT TURN [X Y]: where a camera or a projector is placed.
bool readCameraPlace(StatementReader& in, CameraView& place);

/// X Y: a point in board pixels.
bool readBoardPoint(StatementReader& in, cv::Point2f& point);

/// A point in board pixels, its values named as the form names them (X1 Y1).
bool readBoardPoint(StatementReader& in, const char* nameX, const char* nameY, cv::Point2d& point);

/// X Y X Y X Y ...: three or more board points, as many as are written.
bool readOutline(StatementReader& in, std::vector<cv::Point2d>& corners);

/// A value read in single precision, as the room's and the webcam's always
/// were, so that a room tuned in a scene keeps its exact light.
bool readSingle(StatementReader& in, const char* name, float low, float high, double& value);

/// temperature K: the cast of that colour of light (as `light` reads it).
bool readTemperature(StatementReader& in, cv::Vec3d& cast);

/// cast R G B: written red, green, blue; kept blue, green, red as the frames are.
bool readCast(StatementReader& in, cv::Vec3d& cast);

/// "#RRGGBB" as a BGR colour; false for any other word.
bool hexColour(const std::string& word, cv::Scalar& bgr);
