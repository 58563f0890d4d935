#include "markers/ARParam.h"

#include "platform/WholeFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace
{

/// One parameter set on disk: two int32, then twelve and four doubles.
constexpr size_t recordSize = 2 * 4 + 16 * 8;

/// The file is big-endian; the bytes of each value are reversed on a
/// little-endian machine.
bool machineIsLittleEndian()
{
	const uint16_t one = 1;
	unsigned char first;
	std::memcpy(&first, &one, 1);
	return first == 1;
}

template <typename T>
T readBigEndian(const unsigned char* bytes)
{
	unsigned char ordered[sizeof(T)];
	std::memcpy(ordered, bytes, sizeof(T));
	if (machineIsLittleEndian())
	{
		std::reverse(ordered, ordered + sizeof(T));
	}
	T value;
	std::memcpy(&value, ordered, sizeof(T));
	return value;
}

template <typename T>
void writeBigEndian(T value, std::vector<unsigned char>& out)
{
	unsigned char bytes[sizeof(T)];
	std::memcpy(bytes, &value, sizeof(T));
	if (machineIsLittleEndian())
	{
		std::reverse(bytes, bytes + sizeof(T));
	}
	out.insert(out.end(), bytes, bytes + sizeof(T));
}

/// Why a decoded parameter set cannot be used, or null when it can.
const char* fault(const ARParam& param)
{
	if (param.xsize <= 0 || param.ysize <= 0 || param.xsize > 100000 || param.ysize > 100000)
	{
		return "image size is not between 1 and 100000 pixels";
	}
	for (const auto& row : param.mat)
	{
		for (double value : row)
		{
			if (!std::isfinite(value))
			{
				return "projection matrix holds a value that is not a number";
			}
		}
	}
	for (double value : param.dist_factor)
	{
		if (!std::isfinite(value))
		{
			return "distortion factor is not a number";
		}
	}
	if (param.mat[0][0] == 0.0 || param.mat[1][1] == 0.0 || param.mat[2][2] == 0.0)
	{
		return "projection matrix is singular";
	}
	if (param.dist_factor[3] <= 0.0)
	{
		return "distortion scale is not positive";
	}
	return nullptr;
}

ARParam decode(const unsigned char* bytes)
{
	ARParam param;
	param.xsize = readBigEndian<int32_t>(bytes);
	param.ysize = readBigEndian<int32_t>(bytes + 4);
	const unsigned char* next = bytes + 8;
	for (auto& row : param.mat)
	{
		for (double& value : row)
		{
			value = readBigEndian<double>(next);
			next += 8;
		}
	}
	for (double& value : param.dist_factor)
	{
		value = readBigEndian<double>(next);
		next += 8;
	}
	return param;
}

}  // namespace

int arParamLoad(const char* filename, int num, ARParam* param)
{
	if (num <= 0 || param == nullptr)
	{
		return -1;
	}
	std::ifstream file(filename, std::ios::binary);
	if (!file)
	{
		std::fprintf(stderr, "%s: cannot open camera parameter file\n", filename);
		return -1;
	}
	const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
	const size_t needed = recordSize * size_t(num);
	if (bytes.size() < needed)
	{
		std::fprintf(stderr, "%s: truncated camera parameter file: %zu of %zu bytes\n", filename, bytes.size(), needed);
		return -1;
	}
	// Bytes after the last set are ignored, as they always were.
	for (int i = 0; i < num; ++i)
	{
		const ARParam decoded = decode(bytes.data() + recordSize * size_t(i));
		if (const char* why = fault(decoded))
		{
			std::fprintf(stderr, "%s: camera parameter set %d: %s\n", filename, i + 1, why);
			return -1;
		}
		param[i] = decoded;
	}
	return 0;
}

int arParamSave(const char* filename, int num, const ARParam* param)
{
	std::vector<unsigned char> bytes;
	for (int i = 0; i < num; ++i)
	{
		writeBigEndian<int32_t>(param[i].xsize, bytes);
		writeBigEndian<int32_t>(param[i].ysize, bytes);
		for (const auto& row : param[i].mat)
		{
			for (double value : row)
			{
				writeBigEndian(value, bytes);
			}
		}
		for (double value : param[i].dist_factor)
		{
			writeBigEndian(value, bytes);
		}
	}
	// A calibration takes a while to make: the old file stays until the new
	// one is whole.
	const std::error_code failure = writeWholeFile(filename, bytes);
	if (failure)
	{
		errno = failure.value();
		return -1;
	}
	return 0;
}

int arParamChangeSize(const ARParam* source, int xsize, int ysize, ARParam* newparam)
{
	if (source->xsize <= 0 || xsize <= 0 || ysize <= 0)
	{
		return -1;
	}
	// One ratio, from the widths: pixels are taken to stay square.
	const double scale = double(xsize) / double(source->xsize);
	ARParam scaled = *source;
	scaled.xsize = xsize;
	scaled.ysize = ysize;
	for (int i = 0; i < 4; ++i)
	{
		scaled.mat[0][i] = source->mat[0][i] * scale;
		scaled.mat[1][i] = source->mat[1][i] * scale;
	}
	scaled.dist_factor[0] = source->dist_factor[0] * scale;
	scaled.dist_factor[1] = source->dist_factor[1] * scale;
	scaled.dist_factor[2] = source->dist_factor[2] / (scale * scale);
	*newparam = scaled;
	return 0;
}

int arParamDisp(const ARParam* param)
{
	std::printf("--------------------------------------\n");
	std::printf("SIZE = %d, %d\n", param->xsize, param->ysize);
	std::printf("Distortion factor = %f %f %f %f\n", param->dist_factor[0], param->dist_factor[1],
		param->dist_factor[2], param->dist_factor[3]);
	for (const auto& row : param->mat)
	{
		for (double value : row)
		{
			std::printf("%7.5f ", value);
		}
		std::printf("\n");
	}
	std::printf("--------------------------------------\n");
	return 0;
}

int arParamIdeal2Observ(const double dist_factor[4], double ix, double iy, double* ox, double* oy)
{
	const double x = (ix - dist_factor[0]) * dist_factor[3];
	const double y = (iy - dist_factor[1]) * dist_factor[3];
	const double d = 1.0 - dist_factor[2] / 100000000.0 * (x * x + y * y);
	*ox = x * d + dist_factor[0];
	*oy = y * d + dist_factor[1];
	return 0;
}

int arParamObserv2Ideal(const double dist_factor[4], double ox, double oy, double* ix, double* iy)
{
	// The lens only changes the distance r from the centre, to r (1 - k r^2);
	// Newton's method finds r from the observed distance.
	const double k = dist_factor[2] / 100000000.0;
	const double dx = ox - dist_factor[0];
	const double dy = oy - dist_factor[1];
	const double observed = std::sqrt(dx * dx + dy * dy);
	double r = observed;
	for (int i = 0; i < 20; ++i)
	{
		const double slope = 1.0 - 3.0 * k * r * r;
		if (slope <= 0.0)
		{
			break;  // beyond the turning point of the lens model: keep the last estimate
		}
		const double step = (r - k * r * r * r - observed) / slope;
		r -= step;
		if (std::abs(step) < 1e-9)
		{
			break;
		}
	}
	const double ratio = observed > 0.0 ? r / observed : 1.0;
	*ix = dx * ratio / dist_factor[3] + dist_factor[0];
	*iy = dy * ratio / dist_factor[3] + dist_factor[1];
	return 0;
}
