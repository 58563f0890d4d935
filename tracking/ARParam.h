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

/// A loaded multi-marker set; defined by the marker layer.
struct ARMultiMarkerInfoT;
