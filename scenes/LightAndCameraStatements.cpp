#include "scenes/SceneStatements.h"

namespace
{

/// A value of the room or the webcam, read in single precision as it always
/// was, so that a room tuned in a scene keeps its exact light.
bool readInto(StatementReader& in, const char* name, float low, float high, double& value)
{
	float read;
	if (!in.number(name, low, high, read))
	{
		return false;
	}
	value = read;
	return true;
}

/// temperature K: the cast of that colour of light.
bool readTemperature(StatementReader& in, RoomLight& light)
{
	double kelvin;
	if (!readInto(in, "K", 1000.0f, 40000.0f, kelvin))
	{
		return false;
	}
	light.cast = colourTemperatureCast(kelvin);
	return true;
}

/// cast R G B: written red, green, blue; the frames are blue, green, red.
bool readCast(StatementReader& in, RoomLight& light)
{
	double red, green, blue;
	if (!readInto(in, "R", 0.05f, 4.0f, red) || !readInto(in, "G", 0.05f, 4.0f, green)
		|| !readInto(in, "B", 0.05f, 4.0f, blue))
	{
		return false;
	}
	light.cast = cv::Vec3d(blue, green, red);
	return true;
}

/// light [temperature K] [cast R G B] [exposure E] [gradient G [ANGLE]] [vignetting V]
bool readLight(StatementReader& in, SceneBeingRead& scene)
{
	RoomLight& light = scene.script.photography.light;
	return in.options(
		{
			{"temperature", [&] { return readTemperature(in, light); }},
			{"cast", [&] { return readCast(in, light); }},
			{"exposure", [&] { return readInto(in, "E", 0.05f, 4.0f, light.exposure); }},
			{"gradient",
				[&] {
					return readInto(in, "G", 0.0f, 0.95f, light.gradient)
						&& (!in.nextIsNumber() || readInto(in, "ANGLE", -360.0f, 360.0f, light.gradientAngle));
				}},
			{"vignetting", [&] { return readInto(in, "V", 0.0f, 0.95f, light.vignetting); }},
		},
		1);
}

/// camera [blur SIGMA] [noise SIGMA] [jpeg QUALITY]
bool readCamera(StatementReader& in, SceneBeingRead& scene)
{
	Photography& photography = scene.script.photography;
	return in.options(
		{
			{"blur", [&] { return readInto(in, "SIGMA", 0.0f, 10.0f, photography.blur); }},
			{"noise", [&] { return readInto(in, "SIGMA", 0.0f, 50.0f, photography.noise); }},
			{"jpeg", [&] { return in.whole("QUALITY", 1, 100, photography.jpegQuality); }},
		},
		1);
}

}  // namespace

const std::vector<SceneStatement>& lightAndCameraStatements()
{
	static const std::vector<SceneStatement> statements = {{"light", readLight}, {"camera", readCamera}};
	return statements;
}
