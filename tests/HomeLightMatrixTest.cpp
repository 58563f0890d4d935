#include "AnalysisTestSupport.h"
#include "LitBoard.h"
#include "SkinColour.h"

#include "analysis/BoardColours.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

// The light of a home on a rectified board: shadows of an arm and a head,
// lamps of two colours with an edge between them, a lamp's glare, a large
// part of the board covered, pens of many kinds. Each board is compared with
// its twin under even, neutral light, through the rescan's own steps: the same
// balls, sensors and walls, and nothing made from light alone (the same light
// on an empty board). The matrix is one test; it prints what each condition
// gave.

namespace
{

using namespace litboard;

struct DrawnRing
{
	cv::Point2d centre;
	Pen pen;
};
struct DrawnStroke
{
	cv::Point2d from, to;
	Pen pen;
};

/// A board's drawing, with where its black ink lies.
struct Board
{
	std::vector<DrawnRing> rings;
	std::vector<DrawnStroke> strokes;
	std::function<void(Drawing&)> covering;

	Drawing draw() const
	{
		Drawing drawing;
		if (covering)
		{
			covering(drawing);
		}
		for (const DrawnRing& r : rings)
		{
			drawing.ring(r.centre, ringRadius, r.pen);
		}
		for (const DrawnStroke& s : strokes)
		{
			drawing.stroke(s.from, s.to, s.pen);
		}
		return drawing;
	}
};

/// What the rescan's steps made of a board.
struct Seen
{
	std::vector<cv::Point2f> balls;
	std::vector<cv::Point2f> sensors;
	std::vector<bool> strokes;  ///< per drawn stroke: a wall along nearly all of it
	int strayWalls = 0;         ///< walls away from every drawn line and covering
	int walls = 0;
	bool hand = false;
	double skin = 0.0;
};

double distanceToSegment(cv::Point2d p, cv::Point2d a, cv::Point2d b)
{
	const cv::Point2d ab = b - a;
	const double t = std::max(0.0, std::min(1.0, (p - a).dot(ab) / ab.dot(ab)));
	return cv::norm(p - (a + t * ab));
}

std::vector<cv::Point2f> centres(const std::vector<ShapeRecord>& records)
{
	std::vector<cv::Point2f> found;
	for (const ShapeRecord& record : records)
	{
		found.emplace_back(float(record.descriptor.at<double>(0)), float(record.descriptor.at<double>(1)));
	}
	return found;
}

/// What the rescan's steps made of a board. Where `hidden` is set (a
/// lamp's clipped highlight) nothing can be seen, and a stroke is not looked
/// for there.
Seen look(const cv::Mat& picture, const Board& board, const cv::Mat& covered = cv::Mat(), const cv::Mat& hidden = cv::Mat())
{
	AnalysisRig rig;
	rig.board.colour = picture;
	rig.board.innerCorners = {{20, 20}, {620, 460}};
	rig.board.portalVisible = false;
	rig.ink.colours = normaliseBoardColours(rig.board);
	Seen seen;
	seen.hand = skinColourHand(rig.ink.colours);
	seen.skin = skinColourShare(rig.ink.colours);
	seen.walls = rig.analysis.analyse(rig.board, rig.ink, rig.display).walls;
	seen.balls = centres(rig.analysis.ballRecords());
	seen.sensors = centres(rig.analysis.sensorCircleRecords());

	const auto& walls = rig.ink.blackContours;
	const auto nearWall = [&](cv::Point2d p) {
		for (const auto& wall : walls)
		{
			for (size_t k = 0; k < wall.size(); ++k)
			{
				if (distanceToSegment(p, wall[k], wall[(k + 1) % wall.size()]) < 4.0)
				{
					return true;
				}
			}
		}
		return false;
	};
	for (const DrawnStroke& s : board.strokes)
	{
		int samples = 0, covered = 0;
		const double length = cv::norm(s.to - s.from);
		for (double along = 6.0; along <= length - 6.0; along += 4.0)
		{
			const cv::Point2d p = s.from + (s.to - s.from) * (along / length);
			if (hidden.empty() || hidden.at<uchar>(cv::Point(p)) == 0)
			{
				++samples;
				covered += nearWall(p) ? 1 : 0;
			}
		}
		seen.strokes.push_back(samples > 0 && covered >= samples * 9 / 10);
	}
	for (const auto& wall : walls)
	{
		double farthest = 0.0;
		for (const cv::Point& q : wall)
		{
			double nearest = 1e9;
			for (const DrawnRing& r : board.rings)
			{
				nearest = std::min(nearest, std::abs(cv::norm(cv::Point2d(q) - r.centre) - ringRadius));
			}
			for (const DrawnStroke& s : board.strokes)
			{
				nearest = std::min(nearest, distanceToSegment(q, s.from, s.to));
			}
			if (!covered.empty() && covered.at<uchar>(q) != 0)
			{
				nearest = 0.0;
			}
			farthest = std::max(farthest, nearest);
		}
		seen.strayWalls += farthest > 6.0 ? 1 : 0;
	}
	return seen;
}

/// Which drawn rings the found circles lie on (within 6 pixels of its
/// centre); -1 for a circle on none.
std::vector<int> ringsFound(const std::vector<cv::Point2f>& found, const Board& board)
{
	std::vector<int> rings;
	for (const cv::Point2f& p : found)
	{
		int on = -1;
		for (size_t i = 0; i < board.rings.size(); ++i)
		{
			on = cv::norm(cv::Point2d(p) - board.rings[i].centre) < 6.0 ? int(i) : on;
		}
		rings.push_back(on);
	}
	std::sort(rings.begin(), rings.end());
	return rings;
}

std::string places(const std::vector<cv::Point2f>& found)
{
	std::string text;
	for (const cv::Point2f& p : found)
	{
		text += "(" + std::to_string(int(std::lround(p.x))) + ", " + std::to_string(int(std::lround(p.y))) + ") ";
	}
	return text;
}

int count(const std::vector<bool>& found)
{
	return int(std::count(found.begin(), found.end(), true));
}

const Pen yellow{{150, 220, 250}, 4.0};

/// The drawing every light is tried on: two black rings, two yellow ones and
/// three strokes spread over the board.
Board standardBoard()
{
	Board board;
	board.rings = {{{160, 140}, marker}, {{330, 140}, yellow}, {{480, 330}, marker}, {{160, 330}, yellow}};
	board.strokes = {{{60, 240}, {280, 262}, marker}, {{560, 60}, {585, 250}, marker}, {{260, 420}, {420, 380}, marker}};
	return board;
}

struct Condition
{
	std::string name;
	Light light;
	Board board = standardBoard();
	/// Whether the hand test must see what it sees under even light. The
	/// darkest skin lies on the edge of the skin colours, and the mapping
	/// greys the darkest colours: whether colour alone sees it is chance, and
	/// the hand test tells it by other means.
	bool sameHand = true;
};

/// The warm lamp's light beside daylight: less blue and green, as a 2700 K
/// bulb gives against a camera balanced for daylight.
const cv::Vec3d warmLamp(0.55, 0.8, 1.0);
/// A 2700 K bulb as a webcam balanced for daylight reads it, the two lights
/// alike in brightness: blue far below, as far as a channel departs from the
/// others between the lights of a home.
const cv::Vec3d bulb(0.42, 0.75, 1.0);

std::vector<Condition> lightConditions()
{
	std::vector<Condition> conditions;
	const auto add = [&](const std::string& name, const Light& light) { conditions.push_back({name, light}); };
	// An arm's shadow: a band about 5 cm (100 board pixels) wide over a yellow
	// ring and a stroke.
	add("arm's shadow, 45 % darker, edge 15", Light().shadow(bandOutline({330, 200}, 100, 100), 0.45, 15));
	add("arm's shadow, 60 % darker, edge 20", Light().shadow(bandOutline({330, 200}, 100, 100), 0.6, 20));
	add("arm's shadow, 60 % darker, edge 15, over a ring's edge",
		Light().shadow(bandOutline({270, 200}, 80, 110), 0.6, 15));
	add("head's shadow, 30 % darker, edge 30", Light().shadow(discOutline({330, 140}, 75), 0.3, 30));
	add("head's shadow, 60 % darker, edge 15", Light().shadow(discOutline({330, 150}, 60), 0.6, 15));
	add("shadow polygon, 50 % darker, edge 15",
		Light().shadow({{90, 280}, {260, 250}, {300, 470}, {60, 470}}, 0.5, 15));
	add("two shadows, 40 % darker, edge 15",
		Light().shadow(discOutline({160, 330}, 55), 0.4, 15).shadow(bandOutline({480, 300}, 70, 90), 0.4, 15));
	add("warm lamp beside daylight, edge 15", Light().patch(halfPlaneOutline({330, 480}, {330, 0}), warmLamp, 15));
	add("warm lamp beside daylight, edge 40", Light().patch(halfPlaneOutline({300, 480}, {360, 0}), warmLamp, 40));
	add("warm lamp beside daylight, edge through a ring",
		Light().patch(halfPlaneOutline({160, 480}, {160, 0}), warmLamp, 20));
	// The bulb over most of the board (so the room's smooth field is its
	// light), its edge just beyond a stroke beside a pale yellow ring: the
	// ink leaves no paper between them to read, and daylight lies on both.
	for (const int edge : {15, 40})
	{
		Condition c{"2700 K bulb over most of the board, edge " + std::to_string(edge)
				+ " beside a pale yellow ring and a stroke",
			Light().patch(halfPlaneOutline({206, 0}, {206, 480}), bulb, edge)};
		c.board.rings[3].pen = highlighter(55, 0.3, 0.99);
		c.board.strokes.push_back({{198, 300}, {198, 370}, marker});
		conditions.push_back(c);
	}
	Light clipping;
	clipping.white = cv::Vec3d(200, 215, 235);
	clipping.patch(halfPlaneOutline({0, 300}, {640, 180}), cv::Vec3d(0.8, 1.0, 1.25), 30);
	add("desk lamp clipping red, edge 30", clipping);
	// A lamp's highlight, its paper clipped for 19 pixels round its middle
	// and its halo adding up to 45 grey levels as far as the next drawing,
	// on paper reading 200 (paper reading 240 would clip under any halo).
	Light lamp;
	lamp.white = cv::Vec3d(200, 200, 200);
	add("glare a centimetre from a yellow ring", Light(lamp).glare({391, 140}, 6, 45, 45));
	add("glare a centimetre from a black ring", Light(lamp).glare({160, 79}, 6, 45, 45));
	add("glare beside a stroke, halo over it", Light(lamp).glare({170, 212}, 6, 45, 45));
	add("glare on a stroke, what it clips left out", Light(lamp).glare({170, 251}, 6, 45, 45));
	Light warmDesk;
	warmDesk.white = cv::Vec3d(200 * warmLamp[0], 200 * warmLamp[1], 200 * warmLamp[2]);
	add("glare beside a yellow ring under a warm lamp", warmDesk.glare({99, 330}, 6, 45, 45));
	Light dimShadow;
	dimShadow.white = cv::Vec3d(120, 150, 190);
	dimShadow.shadow(bandOutline({330, 200}, 100, 100), 0.45, 15);
	add("warm dim room with an arm's shadow", dimShadow);
	return conditions;
}

/// A hand and sleeve coming in from the bottom right, and a patch of ink:
/// large parts of the board covered, under a warm uneven room's light.
std::vector<Condition> coveredConditions()
{
	const cv::Scalar lightSkin(150, 189, 215), darkSkin(42, 49, 58), sleeve(60, 40, 35);
	const std::vector<cv::Point2d> handAndSleeve = {{330, 480}, {380, 330}, {420, 250}, {470, 220}, {560, 230},
		{620, 290}, {640, 300}, {640, 480}};
	const std::vector<cv::Point2d> sleeveAcross = {{0, 480}, {0, 380}, {640, 250}, {640, 480}};
	Light warmUneven;
	warmUneven.white = cv::Vec3d(150, 195, 235);
	warmUneven.patch(halfPlaneOutline({640, 0}, {0, 480}), cv::Vec3d(0.8, 0.8, 0.8), 200);
	std::vector<Condition> conditions;
	for (const auto& [name, colour, outline] : {std::make_tuple("light-skinned hand and sleeve, 25 %", lightSkin, handAndSleeve),
			 std::make_tuple("dark-skinned hand and sleeve, 25 %", darkSkin, handAndSleeve),
			 std::make_tuple("dark sleeve across the board, 40 %", sleeve, sleeveAcross)})
	{
		Condition c{std::string(name) + ", warm uneven room", warmUneven};
		c.sameHand = colour != darkSkin;
		c.board.rings.erase(c.board.rings.begin() + 2);  // under the hand
		c.board.strokes.pop_back();
		const std::vector<cv::Point2d> shape = outline;
		const cv::Scalar skin = colour;
		c.board.covering = [shape, skin](Drawing& d) { d.cover(shape, skin); };
		conditions.push_back(c);
	}
	return conditions;
}

/// Where a board's covering lies, grown by a few pixels: walls along its
/// outline are drawn ink, not strays.
cv::Mat coveredPlaces(const Board& board)
{
	if (!board.covering)
	{
		return cv::Mat();
	}
	Drawing drawing;
	board.covering(drawing);
	cv::Mat grey, mask;
	cv::cvtColor(drawing.atBoardSize(), grey, cv::COLOR_BGR2GRAY);
	mask = grey < 0.95f;
	cv::dilate(mask, mask, cv::Mat(), cv::Point(-1, -1), 4);
	return mask;
}

std::string row(const Condition& c, const Seen& twin, const Seen& seen, const Seen& empty)
{
	char text[400];
	const int fromNothing = int(empty.balls.size() + empty.sensors.size()) + empty.walls + seen.strayWalls;
	std::snprintf(text, sizeof text, "| %s | %zu of %zu | %zu of %zu | %d of %d | %s | %s |\n", c.name.c_str(),
		seen.balls.size(), twin.balls.size(), seen.sensors.size(), twin.sensors.size(), count(seen.strokes),
		count(twin.strokes), fromNothing == 0 ? "none" : std::to_string(fromNothing).c_str(),
		seen.hand == twin.hand ? (seen.hand ? "yes, as under even light" : "no") : (seen.hand ? "yes" : "missed"));
	return text;
}

void expectAsUnderEvenLight(const Condition& c, std::string& table)
{
	SCOPED_TRACE(c.name);
	const Drawing drawing = c.board.draw();
	const cv::Mat covered = coveredPlaces(c.board);
	cv::Mat hidden(480, 640, CV_8U, cv::Scalar(0));
	for (const Light::Glare& g : c.light.glares)
	{
		// As far as ink clips, and the camera's blur beyond.
		cv::circle(hidden, cv::Point(g.centre), int(std::ceil(Light::clippedInk(g))) + 3, cv::Scalar(255), cv::FILLED);
	}
	const Seen twin = look(photograph(drawing, Light()), c.board, covered, hidden);
	const Seen seen = look(photograph(drawing, c.light), c.board, covered, hidden);
	const Seen empty = look(photograph(Drawing(), c.light), Board());

	// Under even light the drawing is found whole.
	size_t blackRings = 0;
	for (const DrawnRing& r : c.board.rings)
	{
		blackRings += r.pen.colour == marker.colour ? 1 : 0;
	}
	EXPECT_EQ(twin.balls.size(), blackRings);
	EXPECT_EQ(twin.sensors.size(), c.board.rings.size() - blackRings);
	EXPECT_EQ(count(twin.strokes), int(c.board.strokes.size()));

	EXPECT_EQ(ringsFound(seen.balls, c.board), ringsFound(twin.balls, c.board)) << places(seen.balls);
	EXPECT_EQ(ringsFound(seen.sensors, c.board), ringsFound(twin.sensors, c.board)) << places(seen.sensors);
	EXPECT_EQ(seen.strokes, twin.strokes);
	EXPECT_EQ(seen.strayWalls, 0);
	if (c.sameHand)
	{
		EXPECT_EQ(seen.hand, twin.hand);
	}
	EXPECT_TRUE(empty.balls.empty() && empty.sensors.empty());
	EXPECT_EQ(empty.walls, 0);
	EXPECT_FALSE(empty.hand);
	table += row(c, twin, seen, empty);
}

TEST(HomeLightMatrix, ShadowsLampsAndGlareLeaveEveryInkAsEvenLightDoes)
{
	std::string table = "| light | balls | sensors | strokes | made from light | hand seen |\n|---|---|---|---|---|---|\n";
	for (const Condition& c : lightConditions())
	{
		expectAsUnderEvenLight(c, table);
	}
	std::printf("%s", table.c_str());
}

TEST(HomeLightMatrix, ALargePartOfTheBoardCoveredBendsNothing)
{
	std::string table = "| covered | balls | sensors | strokes | made from light | hand seen |\n|---|---|---|---|---|---|\n";
	for (const Condition& c : coveredConditions())
	{
		expectAsUnderEvenLight(c, table);
	}
	std::printf("%s", table.c_str());
}

/// A board drawn with other pens: its twin is the same drawing in a fresh
/// marker and the usual yellow highlighter, under the same light.
struct PenCondition
{
	std::string name;
	Pen black;
	Pen yellow;
	Light light;
};

Board drawnWith(const Pen& black, const Pen& highlight)
{
	Board board = standardBoard();
	for (DrawnRing& r : board.rings)
	{
		r.pen = r.pen.colour == marker.colour ? black : highlight;
	}
	for (DrawnStroke& s : board.strokes)
	{
		s.pen = black;
	}
	return board;
}

std::vector<PenCondition> penConditions()
{
	Light warm;
	warm.white = cv::Vec3d(140, 190, 235);
	std::vector<PenCondition> conditions;
	const std::pair<const char*, Pen> highlighters[] = {{"yellow highlighter", highlighter(55, 0.6, 0.98)},
		{"lemon highlighter", highlighter(60, 0.7, 0.97)}, {"neon yellow-green highlighter", highlighter(72, 0.65, 0.95)},
		{"pale yellow highlighter", highlighter(55, 0.3, 0.99)},
		{"pale green-yellow highlighter", highlighter(68, 0.3, 0.97)}};
	for (const auto& [name, pen] : highlighters)
	{
		conditions.push_back({name, marker, pen, Light()});
		conditions.push_back({std::string(name) + ", warm room", marker, pen, warm});
	}
	conditions.push_back({"0.6 mm fineliner, 70 below paper", fineliner, yellow, Light()});
	conditions.push_back({"0.6 mm fineliner, 70 below paper, warm room", fineliner, yellow, warm});
	conditions.push_back({"0.6 mm fineliner, 45 below paper", faintFineliner, yellow, Light()});
	conditions.push_back({"0.6 mm fineliner, 45 below paper, warm room", faintFineliner, yellow, warm});
	conditions.push_back({"half-dry marker, 1.2 mm", halfDryMarker, yellow, Light()});
	conditions.push_back({"half-dry marker, 1.2 mm, warm room", halfDryMarker, yellow, warm});
	conditions.push_back({"half-dry marker, 0.9 mm", thinHalfDryMarker, yellow, Light()});
	conditions.push_back({"half-dry marker, arm's shadow", halfDryMarker, yellow,
		Light().shadow(bandOutline({330, 200}, 100, 100), 0.45, 15)});
	return conditions;
}

TEST(HomeLightMatrix, EveryCommonPenDrawsWhatAMarkerAndAHighlighterDraw)
{
	std::string table = "| pens | balls | sensors | strokes | made from light | hand seen |\n|---|---|---|---|---|---|\n";
	for (const PenCondition& p : penConditions())
	{
		SCOPED_TRACE(p.name);
		const Board board = drawnWith(p.black, p.yellow);
		const Board usual = drawnWith(marker, yellow);
		const Seen twin = look(photograph(usual.draw(), p.light), usual);
		const Seen seen = look(photograph(board.draw(), p.light), board);
		EXPECT_EQ(ringsFound(seen.balls, board), ringsFound(twin.balls, board)) << places(seen.balls);
		EXPECT_EQ(ringsFound(seen.sensors, board), ringsFound(twin.sensors, board)) << places(seen.sensors);
		EXPECT_EQ(seen.strokes, twin.strokes);
		EXPECT_EQ(seen.strayWalls, 0);
		EXPECT_FALSE(seen.hand);
		table += row(Condition{p.name, p.light, board}, twin, seen, Seen());
	}
	std::printf("%s", table.c_str());
}

}  // namespace
