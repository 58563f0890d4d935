#include "SceneFrames.h"
#include "TestSupport.h"
#include "analysis/RingBorder.h"

#include "core/PixelWorldMapping.h"
#include "physics/BodyInfo.h"
#include "platform/StillFrameSource.h"

#include <box2d/b2_body.h>
#include <box2d/b2_edge_shape.h>
#include <box2d/b2_fixture.h>
#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <string>

namespace
{

/// How a webcam roughens the edge of a drawn ring in a dim room: the scene
/// is taken at `exposure` of its light, the camera's gain brings it back and
/// multiplies its grain, its sharpening (an unsharp mask) makes the grain on
/// the pen's edge into specks, and the picture is sent as JPEG.
struct Roughness
{
	const char* id;
	double exposure;
	double gain;
	/// The sensor's grain before the gain, in grey levels.
	double grain;
	/// The unsharp mask: amount, and sigma in frame pixels.
	double sharpen;
	double sharpenSigma;
	int jpegQuality;
};

/// Each rough row traps the ball in its own ring in 3 to 7 of 32 seeds when
/// every piece of a ring's rough line is taken for a wall; the clean row is
/// their twin.
const Roughness roughnesses[] = {
	{"Clean", 1.0, 1.0, 0.0, 0.0, 1.0, 95},
	{"DimRoomGainThree", 0.33, 3.0, 6.0, 1.0, 1.0, 70},
	{"DimmerRoomGainFour", 0.25, 4.0, 4.0, 1.0, 1.0, 75},
	{"WideSharpening", 0.33, 3.0, 5.0, 1.0, 1.5, 70},
	{"StrongSharpening", 0.33, 3.0, 5.0, 1.5, 1.0, 70},
};

constexpr int seeds = 32;

/// A ring whose ball must stay free, a floor well below it that must stay a
/// wall, and the portal. Board pixels.
const cv::Point2d ringCentre(300, 230);
constexpr double drawnRadius = 28;
constexpr double floorDistance = 70;

std::string sceneOf(const Roughness& rough)
{
	return "view 480 10 0\nlight exposure " + std::to_string(rough.exposure)
		+ "\ncamera noise 0 blur 0.8\nmap a\nring black 300 230 28 4\nstroke black 4 200 300 400 300\nportal 500 240\n";
}

/// The frame as the webcam sends it, different grain in every seed.
cv::Mat roughened(const cv::Mat& frame, const Roughness& rough, int seed)
{
	cv::Mat light;
	frame.convertTo(light, CV_32FC3, rough.gain);
	cv::Mat grain(frame.size(), CV_32FC3);
	cv::RNG rng(uint64_t(seed) * 7919 + 17);
	rng.fill(grain, cv::RNG::NORMAL, cv::Scalar::all(0), cv::Scalar::all(rough.grain * rough.gain));
	light += grain;
	if (rough.sharpen > 0.0)
	{
		cv::Mat soft;
		cv::GaussianBlur(light, soft, cv::Size(), rough.sharpenSigma);
		light += rough.sharpen * (light - soft);
	}
	cv::Mat sent;
	light.convertTo(sent, CV_8UC3);
	std::vector<uchar> bytes;
	cv::imencode(".jpg", sent, bytes, {cv::IMWRITE_JPEG_QUALITY, rough.jpegQuality});
	return cv::imdecode(bytes, cv::IMREAD_COLOR);
}

double distanceToSegment(cv::Point2d p, cv::Point2d a, cv::Point2d b)
{
	const cv::Point2d ab = b - a;
	const double along = ab.dot(ab) > 0.0 ? std::clamp((p - a).dot(ab) / ab.dot(ab), 0.0, 1.0) : 0.0;
	return cv::norm(p - (a + along * ab));
}

/// What one rescan built: the balls' centres and each wall's nearest
/// approach to the ring's centre, in board pixels.
struct Built
{
	std::vector<cv::Point2d> balls;
	std::vector<double> wallReach;
};

Built rescanned(const cv::Mat& frame)
{
	TestProgram program(std::make_unique<StillFrameSource>(frame));
	testing::internal::CaptureStdout();
	program.run(1);
	program.app->rescan();
	testing::internal::GetCapturedStdout();
	Built built;
	for (const BodyInfo* info : program.app->scene().collectBodyInfo())
	{
		const b2Body* body = info->body;
		if (info->kind == Solid)
		{
			built.balls.push_back(boardMapping.toPixel(body->GetPosition().x, body->GetPosition().y));
		}
		if (info->kind != Wall)
		{
			continue;
		}
		double nearest = 1e9;
		for (const b2Fixture* f = body->GetFixtureList(); f != nullptr; f = f->GetNext())
		{
			const auto* edge = static_cast<const b2EdgeShape*>(f->GetShape());
			const cv::Point2d a = boardMapping.toPixel(edge->m_vertex1.x, edge->m_vertex1.y);
			const cv::Point2d b = boardMapping.toPixel(edge->m_vertex2.x, edge->m_vertex2.y);
			nearest = std::min(nearest, distanceToSegment(ringCentre, a, b));
		}
		built.wallReach.push_back(nearest);
	}
	return built;
}

class RoughRing : public testing::TestWithParam<Roughness>
{
};

TEST_P(RoughRing, StaysOneFreeBallAndTheFloorStaysAWallInEverySeed)
{
	const Roughness& rough = GetParam();
	SceneFrames scene(sceneOf(rough));
	const cv::Mat clean = scene.frame(1);
	int trapped = 0, lost = 0, floorless = 0;
	for (int seed = 0; seed < seeds; ++seed)
	{
		const Built built = rescanned(roughened(clean, rough, seed));
		const bool oneBallInItsRing = built.balls.size() == 1 && cv::norm(built.balls[0] - ringCentre) < drawnRadius / 2;
		lost += oneBallInItsRing ? 0 : 1;
		// A wall that comes within the ring's reach of its centre holds the
		// ball in; the floor lies far beyond it.
		const double ringReach = drawnRadius + 2 * ringBorderReach;
		trapped += std::count_if(built.wallReach.begin(), built.wallReach.end(),
						   [&](double reach) { return reach < ringReach; })
				> 0
			? 1
			: 0;
		floorless += std::count_if(built.wallReach.begin(), built.wallReach.end(),
						 [&](double reach) { return std::abs(reach - floorDistance) < 6; })
				> 0
			? 0
			: 1;
	}
	EXPECT_EQ(trapped, 0) << "seeds whose ring became a wall round its own ball, of " << seeds;
	EXPECT_EQ(lost, 0) << "seeds whose ring was not one ball at its centre, of " << seeds;
	EXPECT_EQ(floorless, 0) << "seeds whose stroke below the ring was no wall, of " << seeds;
}

INSTANTIATE_TEST_SUITE_P(Webcam, RoughRing, testing::ValuesIn(roughnesses),
	[](const testing::TestParamInfo<Roughness>& info) { return std::string(info.param.id); });

/// A ring's line as a thinned board gives it: a closed run of pixels round
/// (300, 230), its radius wandering by `wander` pixels.
Contour ringLine(double radius, double wander)
{
	Contour line;
	for (int k = 0; k < 180; ++k)
	{
		const double angle = k * 2.0 * CV_PI / 180.0;
		const double r = radius + wander * std::sin(7.0 * angle);
		line.emplace_back(int(std::lround(300 + r * std::cos(angle))), int(std::lround(230 + r * std::sin(angle))));
	}
	return line;
}

struct Piece
{
	const char* what;
	Contour contour;
	bool border;
};

TEST(RingBorder, TellsPiecesOfTheRingsLineFromStrokesBesideOrAcrossIt)
{
	const Contour ring = ringLine(28, 0);
	const Piece pieces[] = {
		{"the line itself, wandering two pixels", ringLine(28, 2), true},
		{"a speck's little loop on the line", {{327, 229}, {329, 229}, {329, 231}, {327, 231}}, true},
		{"an arc of the line, there and back", {{328, 230}, {320, 250}, {300, 258}, {320, 250}}, true},
		{"a chord across the ring", {{272, 230}, {328, 230}}, false},
		{"a chord whose ends lie on the line", {{300, 202}, {300, 258}, {300, 202}}, false},
		{"a stroke ten pixels outside", ringLine(38, 0), false},
		{"a stroke leaving the line", {{328, 230}, {360, 230}}, false},
		{"a stroke far away", {{100, 100}, {140, 100}}, false},
		{"nothing", {}, false},
	};
	for (const Piece& piece : pieces)
	{
		EXPECT_EQ(liesAlongRing(piece.contour, ring), piece.border) << piece.what;
	}
}

TEST(RingBorder, APieceAlongABorderAlreadyFlaggedIsFlaggedToo)
{
	// The ring's record is the outer border; its hole's border was flagged by
	// the circle search; a speck lies along the hole only.
	const Contour outer = ringLine(30, 0);
	const std::vector<Contour> left = {ringLine(24, 0), {{278, 229}, {279, 229}, {279, 231}}, {{100, 100}, {140, 100}}};
	std::vector<bool> ownBorder = {true, false, false};
	flagRingBorders(left, {&outer}, ownBorder);
	EXPECT_EQ(ownBorder, (std::vector<bool>{true, true, false}));
	ownBorder = {false, false, false};
	flagRingBorders(left, {}, ownBorder);
	EXPECT_EQ(ownBorder, (std::vector<bool>{false, false, false}));
}

}  // namespace
