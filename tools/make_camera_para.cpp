// Writes the camera parameter file the program ships: a 640 x 480 webcam with
// a focal length of 660 pixels, the optical centre near the image centre and a
// mild barrel distortion (about 2 pixels at the image corners).
//
//   make_camera_para [FILE]     (default Data/camera_para.dat)

#include "markers/ARParam.h"
#include "tools/ToolUsage.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
	if (answeredHelpOrVersion(argc, argv,
			"usage: make_camera_para [FILE]\n"
			"writes the shipped camera parameters (a 640 x 480 webcam) to FILE\n"
			"(default Data/camera_para.dat)\n"))
	{
		return 0;
	}
	if (const char* option = unknownOption(argc, argv))
	{
		return refuseOption(argv[0], option);
	}
	if (argc > 2)
	{
		std::fprintf(stderr, "usage: make_camera_para [FILE]\n");
		return 2;
	}
	const char* path = argc > 1 ? argv[1] : "Data/camera_para.dat";
	ARParam param = {};
	param.xsize = 640;
	param.ysize = 480;
	const double focal = 660.0;
	const double mat[3][4] = {{focal, 0.0, 319.5, 0.0}, {0.0, focal, 239.5, 0.0}, {0.0, 0.0, 1.0, 0.0}};
	for (int row = 0; row < 3; ++row)
	{
		for (int col = 0; col < 4; ++col)
		{
			param.mat[row][col] = mat[row][col];
		}
	}
	// Distortion centre (x0, y0), strength f and scale s.
	param.dist_factor[0] = 321.0;
	param.dist_factor[1] = 241.0;
	param.dist_factor[2] = 3.0;
	param.dist_factor[3] = 1.0;
	if (arParamSave(path, 1, &param) < 0)
	{
		std::fprintf(stderr, "%s: cannot write camera parameter file: %s\n", path, std::strerror(errno));
		return 1;
	}
	arParamDisp(&param);
	return 0;
}
