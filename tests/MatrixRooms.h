#pragma once

#include <ostream>

// The ordinary rooms of the room matrix: a board under warm, cool, dim,
// bright and uneven light, seen by webcams with noise, blur and compression,
// as scene statements. The room and hand-shadow matrices play each of them.

struct MatrixRoom
{
	/// The test's name for it.
	const char* id;
	const char* name;
	/// The scene statement of the room's light, and the words of its webcam's
	/// camera statement.
	const char* light;
	const char* webcam;
};

inline constexpr MatrixRoom matrixRooms[] = {
	{"Tungsten", "tungsten bulb, 2700 K, vignetting", "light temperature 2700 exposure 0.94 vignetting 0.25",
		"noise 3 jpeg 80"},
	{"WarmLed", "warm-white LED, 3000 K, 20 % gradient", "light temperature 3000 exposure 0.8 gradient 0.2 30",
		"noise 3 blur 0.8 jpeg 70"},
	{"SlightlyWarm", "slightly warm: red +6 %, blue -8 %", "light cast 1.06 1 0.92 exposure 0.94", "jpeg 85"},
	{"DimEvening", "dim evening, 3500 K, 0.6 of normal", "light temperature 3500 exposure 0.56 vignetting 0.3",
		"noise 4 blur 1 jpeg 70"},
	{"DeskLamp", "desk lamp at the side, 4000 K", "light temperature 4000 exposure 0.9 gradient 0.2 0 vignetting 0.35",
		"noise 3 jpeg 70"},
	{"Overcast", "overcast daylight, 6500 K, darker", "light temperature 6500 exposure 0.75 gradient 0.15 vignetting 0.2",
		"noise 3 jpeg 75"},
	{"CoolShade", "cool shade, 7500 K", "light temperature 7500 exposure 0.94 gradient 0.1 90", "noise 3 jpeg 80"},
	{"BrightSunny", "bright sunny room, 5500 K, 1.2 of normal", "light temperature 5500 exposure 1.13 gradient 0.2 120",
		"jpeg 70"},
};

inline void PrintTo(const MatrixRoom& room, std::ostream* out)
{
	*out << room.name << " (" << room.webcam << ")";
}
