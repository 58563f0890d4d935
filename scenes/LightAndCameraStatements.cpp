#include "scenes/SceneStatements.h"

namespace
{

/// light [temperature K] [cast R G B] [exposure E] [gradient G [ANGLE]] [vignetting V]
bool readLight(StatementReader& in, SceneBeingRead& scene)
{
	RoomLight& light = scene.script.photography.light;
	return in.options(
		{
			{"temperature", [&] { return readTemperature(in, light.cast); }},
			{"cast", [&] { return readCast(in, light.cast); }},
			{"exposure", [&] { return readSingle(in, "E", 0.05f, 4.0f, light.exposure); }},
			{"gradient",
				[&] {
					return readSingle(in, "G", 0.0f, 0.95f, light.gradient)
						&& (!in.nextIsNumber() || readSingle(in, "ANGLE", -360.0f, 360.0f, light.gradientAngle));
				}},
			{"vignetting", [&] { return readSingle(in, "V", 0.0f, 0.95f, light.vignetting); }},
		},
		1);
}

/// bands A PERIOD [SPEED]
bool readBands(StatementReader& in, RollingBands& bands)
{
	return readSingle(in, "A", 0.0f, 0.5f, bands.amplitude) && readSingle(in, "PERIOD", 2.0f, 10000.0f, bands.period)
		&& (!in.nextIsNumber() || readSingle(in, "SPEED", -10000.0f, 10000.0f, bands.speed));
}

/// sharpen A [RADIUS]
bool readSharpen(StatementReader& in, CameraStages& stages)
{
	return readSingle(in, "A", 0.0f, 5.0f, stages.sharpen)
		&& (!in.nextIsNumber() || readSingle(in, "RADIUS", 0.3f, 10.0f, stages.sharpenRadius));
}

/// camera [blur SIGMA] [noise SIGMA] [jpeg QUALITY] [grain fresh] [size W H] [flicker A] [bands A PERIOD [SPEED]]
///        [mosaic] [sharpen A [RADIUS]] [denoise S] [lateral P] [haze H] [metering N] [lowlight G] [seed N]
bool readCamera(StatementReader& in, SceneBeingRead& scene)
{
	Photography& photography = scene.script.photography;
	CameraStages& stages = photography.stages;
	return in.options(
		{
			{"blur", [&] { return readSingle(in, "SIGMA", 0.0f, 10.0f, photography.blur); }},
			{"noise", [&] { return readSingle(in, "SIGMA", 0.0f, 50.0f, photography.noise); }},
			{"jpeg", [&] { return in.whole("QUALITY", 1, 100, photography.jpegQuality); }},
			{"grain",
				[&] {
					return in.choice("the word after grain", {{"fresh", true}}, photography.freshGrain);
				}},
			// From a small webcam's to a 4K one's.
			{"size",
				[&] {
					return in.whole("W", 160, 3840, photography.frameSize.width)
						&& in.whole("H", 120, 2160, photography.frameSize.height);
				}},
			{"flicker", [&] { return readSingle(in, "A", 0.0f, 0.5f, photography.flicker); }},
			{"bands", [&] { return readBands(in, photography.bands); }},
			{"mosaic",
				[&] {
					stages.mosaic = true;
					return true;
				}},
			{"sharpen", [&] { return readSharpen(in, stages); }},
			{"denoise", [&] { return readSingle(in, "S", 0.0f, 0.95f, stages.denoise); }},
			{"lateral", [&] { return readSingle(in, "P", 0.0f, 20.0f, stages.lateral); }},
			{"haze", [&] { return readSingle(in, "H", 0.0f, 0.9f, stages.haze); }},
			{"metering", [&] { return in.whole("N", 1, 1000, stages.metering); }},
			{"lowlight", [&] { return readSingle(in, "G", 1.0f, 16.0f, stages.lowLightGain); }},
			{"seed", [&] { return in.whole("N", 0, 1000000, photography.seed); }},
		},
		1);
}

}  // namespace

bool readSingle(StatementReader& in, const char* name, float low, float high, double& value)
{
	float read;
	if (!in.number(name, low, high, read))
	{
		return false;
	}
	value = read;
	return true;
}

bool readTemperature(StatementReader& in, cv::Vec3d& cast)
{
	double kelvin;
	if (!readSingle(in, "K", 1000.0f, 40000.0f, kelvin))
	{
		return false;
	}
	cast = colourTemperatureCast(kelvin);
	return true;
}

bool readCast(StatementReader& in, cv::Vec3d& cast)
{
	double red, green, blue;
	if (!readSingle(in, "R", 0.05f, 4.0f, red) || !readSingle(in, "G", 0.05f, 4.0f, green)
		|| !readSingle(in, "B", 0.05f, 4.0f, blue))
	{
		return false;
	}
	cast = cv::Vec3d(blue, green, red);
	return true;
}

const std::vector<SceneStatement>& lightAndCameraStatements()
{
	static const std::vector<SceneStatement> statements = {{"light", readLight}, {"camera", readCamera}};
	return statements;
}
