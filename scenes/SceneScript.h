#pragma once

#include "scenes/BoardDrawing.h"
#include "scenes/HandDrawing.h"
#include "scenes/Photography.h"

#include <string>
#include <vector>

/// How the camera is placed, as viewOfBoard takes it: distance in millimetres,
/// tilt and turn in degrees, and the board point (millimetres) it looks at.
struct CameraView
{
	double distance = 480.0;
	double tilt = 10.0;
	double turn = 0.0;
	cv::Point2d target;

	bool operator==(const CameraView& other) const
	{
		return distance == other.distance && tilt == other.tilt && turn == other.turn && target == other.target;
	}
};

/// A projector above the table, as a scene places it: like the camera, with
/// its picture size and focal length in pixels, its principal point in the
/// picture's middle, and the camera's latency: a picture shown in a pass is
/// first seen by the camera `latency` passes after the next one.
struct ProjectorPlacement
{
	CameraView view;
	cv::Size size{1280, 800};
	double focal = 1500.0;
	int latency = 0;
	/// Light of a white projector pixel on white paper, in grey levels.
	double brightness = 200.0;
	/// The room's light on the paper, as a share of what the camera shows
	/// without a projector: a projector is used in a dimmed room.
	double room = 0.6;
	/// Its light reaches the paper and then the camera like all light: through
	/// the lens's blur, the sensor's fresh grain and the compression. Otherwise
	/// it is added to the finished frame, sharp and without grain.
	bool honest = false;
	/// The share of frames in which the camera sees the picture one pass later
	/// than `latency` says, drawn by frame.
	double jitter = 0.0;
};

/// A user's input delivered by the scene in a pass: a key press, or a left
/// click or drag in a window (window pixels).
struct SceneInput
{
	enum Kind
	{
		Key,
		Click,
		Drag
	};

	Kind kind = Key;
	int key = 0;
	std::string window;
	cv::Point from;
	cv::Point to;
};

/// One change of the scene, taking effect from its pass on.
struct SceneCue
{
	enum Kind
	{
		ShowMap,    ///< the board shows another drawing
		HandAt,     ///< a hand lies over the board, its palm at `point`
		HandGlide,  ///< the hand slides from where it was to `point`, arriving in this pass
		HandAway,   ///< the hand leaves
		View,       ///< the camera moves to another place
		Input,      ///< the user presses a key or clicks
		Exposure,   ///< the camera's exposure goes to `exposure` over `over` passes
		Balance     ///< its white balance goes to `balance` over `over` passes
	};

	int pass = 1;
	Kind kind = ShowMap;
	int map = 0;
	cv::Point2f point;
	CameraView view;
	SceneInput input;
	double exposure = 1.0;
	/// Gains of the blue, green and red channels.
	cv::Vec3d balance = cv::Vec3d(1.0, 1.0, 1.0);
	/// Passes a change of the camera's settings takes; 0 for a step.
	int over = 0;
	/// Where it was written, for messages.
	int line = 0;
};

/// What the camera sees in one pass. Two passes with equal states show the
/// same frame.
struct SceneState
{
	int map = 0;
	bool hand = false;
	/// Palm centre in whole board pixels.
	cv::Point palm;
	/// Index into SceneScript::views.
	int view = 0;

	bool operator<(const SceneState& other) const;
};

/// A scene for the synthetic camera: the drawings the board shows in turn, the
/// camera's places and a timeline of changes by pass number (the first pass is
/// 1). Read from a text file (see sceneGrammar and readSceneScript).
struct SceneScript
{
	std::vector<BoardDrawing> maps;
	/// Every place of the camera; the first is where it starts.
	std::vector<CameraView> views;
	/// Changes in the order of their passes.
	std::vector<SceneCue> cues;
	/// The room's light and the webcam's flaws, the same all through the scene.
	Photography photography;
	/// How the hand looks whenever one is over the board.
	HandLook hand;
	/// A projector lights the board when the scene has one.
	bool hasProjector = false;
	ProjectorPlacement projector;

	/// What the camera sees in a pass.
	SceneState stateAt(int pass) const;

	/// The inputs delivered in a pass, in the order they were written.
	std::vector<SceneInput> inputsAt(int pass) const;

	/// The camera's exposure and white balance in a pass: each goes from what
	/// it was when a change begins to the change's value, evenly over its passes.
	CameraSettings cameraAt(int pass) const;

	/// Taken in linear light (see Photography): the photography asks for it, the
	/// camera's settings change, or an honest projector lights the board.
	bool inLinearLight() const;
};

/// One statement of a scene file: how it is written (keywords in lower case,
/// values in capitals, optional parts in brackets) and what it does.
struct SceneStatementForm
{
	const char* form;
	const char* meaning;
};

/// The grammar of scene files. A scene file holds one statement a line; '#'
/// starts a comment, but for a colour: a word of '#' and hexadecimal digits,
/// #RRGGBB. Board points are board pixels (x right, y down; the
/// drawing area is about 155..485 by 155..325), places of the camera and the
/// projector millimetres and degrees, angles on the board degrees from its
/// right towards its top. First come the statements that hold for the whole
/// scene and the drawings, each drawing statement drawing on the "map" above
/// it; then the timeline, its "at" lines in pass order. The parser quotes
/// these forms when a line does not fit one; the table of scene statements in
/// README.md is the user's copy.
///
/// Scenes that use none of shadow, patch, lamp, glare, grain fresh, flicker,
/// bands, the camera's processing stages (mosaic to lowlight), an honest
/// projector or a change of the camera's exposure or balance are photographed
/// in the old order and play frame for frame as they always did; any of these
/// takes every frame in linear light (see Photography).
inline constexpr SceneStatementForm sceneGrammar[] = {
	{"view DISTANCE TILT TURN [X Y]", "where the camera starts, looking at board point (X, Y) in millimetres"},
	{"light [temperature K] [cast R G B] [exposure E] [gradient G [ANGLE]] [vignetting V]",
		"the room's light, one or more of these in any order"},
	{"camera [blur SIGMA] [noise SIGMA] [jpeg QUALITY] [grain fresh] [size W H] [flicker A] [bands A PERIOD [SPEED]] "
	 "[mosaic] [sharpen A [RADIUS]] [denoise S] [lateral P] [haze H] [metering N] [lowlight G] [seed N]",
		"the webcam's flaws and its own processing, one or more of these in any order"},
	{"shadow band X1 Y1 X2 Y2 WIDTH [darkness D] [soft S]", "an arm's shadow, WIDTH wide from (X1, Y1) to (X2, Y2)"},
	{"shadow disc X Y RADIUS [darkness D] [soft S]", "a head's shadow"},
	{"shadow polygon X Y X Y X Y ... [darkness D] [soft S]", "a shadow of any outline"},
	{"patch half X Y ANGLE [temperature K] [cast R G B] [exposure E] [edge W]",
		"another light on the half of the board beyond the line through (X, Y), towards ANGLE"},
	{"patch polygon X Y X Y X Y ... [temperature K] [cast R G B] [exposure E] [edge W]",
		"another light on a part of the board"},
	{"lamp X Y [height H] [strength S] [temperature K] [cast R G B]", "a lamp close over the board"},
	{"glare X Y RADIUS [halo H [STRENGTH]]", "a lamp's highlight on the paper"},
	{"hand [skin TONE] [shape SHAPE] [from SIDE] [shadow D] [soft S] [towards ANGLE DISTANCE]",
		"how the hand looks: TONE a step 1 to 10 of the skin tone scale or #RRGGBB, SHAPE whole, fingers or child, "
		"SIDE the edge its arm comes across (bottom, top, left, right or an angle); its shadow takes a share D of "
		"the light, with an edge S board pixels wide, DISTANCE board pixels from it towards ANGLE"},
	{"projector DISTANCE TILT TURN [X Y] [size W H] [focal F] [latency N] [brightness B] [room R] [honest] [jitter P]",
		"a projector over the table, placed as the camera is"},
	{"map NAME", "a drawing; the first one shows from pass 1"},
	{"stroke INK WIDTH X Y X Y ...", "a pen line through two or more points"},
	{"ring INK X Y RADIUS WIDTH [wobble W] [gap DEGREES] [oval RATIO [ANGLE]]",
		"a circle drawn with the pen, by hand if asked"},
	{"disc INK X Y RADIUS", "a filled circle"},
	{"portal X Y [ANGLE]", "the portal card, turned by ANGLE degrees"},
	{"at PASS map NAME", "from pass PASS on, the board shows another drawing"},
	{"at PASS hand X Y", "a hand lies over the board, its palm at (X, Y)"},
	{"at PASS hand glide X Y", "the hand slides there, arriving in pass PASS"},
	{"at PASS hand away", "the hand leaves"},
	{"at PASS view DISTANCE TILT TURN [X Y]", "the camera moves"},
	{"at PASS key K", "the user presses key K (one character, esc or space)"},
	{"at PASS click WINDOW X Y", "a left click in a window (window pixels)"},
	{"at PASS drag WINDOW X Y X Y", "a left drag in a window"},
	{"at PASS exposure E [over N]", "the camera's exposure goes to E times its first, over N passes"},
	{"at PASS balance R G B [over N]", "the camera's white balance goes to gains R, G and B, over N passes"},
};

/// Read a scene file. On failure `error` is one line, "FILE:LINE: reason", and
/// false is returned.
bool readSceneScript(const std::string& path, SceneScript& script, std::string& error);

/// The same from text, with `name` standing for the file in messages.
bool parseSceneScript(const std::string& text, const std::string& name, SceneScript& script, std::string& error);
