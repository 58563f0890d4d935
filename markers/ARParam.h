#pragma once

/// Camera parameters in the marker tracker's layout: image size, the 3 x 4
/// projection matrix and the distortion factors (x0, y0, f, s).
struct ARParam
{
	int xsize;
	int ysize;
	double mat[3][4];
	double dist_factor[4];
};

/// Read `num` parameter sets from a binary camera parameter file into
/// param[0..num-1]. Values are big-endian whatever the machine. Returns 0, or
/// -1 after a one-line message on standard error naming the file.
int arParamLoad(const char* filename, int num, ARParam* param);

/// Write parameter sets in the same big-endian layout, whole: a file already
/// there stays as it was until the new one is complete. Returns 0, or -1 with
/// errno saying why.
int arParamSave(const char* filename, int num, const ARParam* param);

/// The parameters for another image size: rows 0 and 1 of the matrix and the
/// distortion centre scale with the width ratio, f with its inverse square.
/// Returns -1 when either size is not positive.
int arParamChangeSize(const ARParam* source, int xsize, int ysize, ARParam* newparam);

/// Print the parameters the way the tracker always has.
int arParamDisp(const ARParam* param);

/// Lens distortion: from ideal (pinhole) image coordinates to where the lens
/// puts them, and back.
int arParamIdeal2Observ(const double dist_factor[4], double ix, double iy, double* ox, double* oy);
int arParamObserv2Ideal(const double dist_factor[4], double ox, double oy, double* ix, double* iy);
