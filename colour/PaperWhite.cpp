#include "colour/PaperWhite.h"

#include "colour/BalancedColours.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

/// Cells of 32 x 32 pixels, every other pixel of them sampled: a 640 x 480
/// board gives 20 x 15 cells of up to 256 samples.
constexpr int cellSide = 32;
constexpr int sampleStep = 2;
constexpr int samplesPerCell = (cellSide / sampleStep) * (cellSide / sampleStep);

/// A cell agrees with the field when each channel lies within this factor of
/// it, in log units (2 %, the grain of paper and sensor), or within three of
/// the cells' typical disagreements, whichever is larger.
constexpr double agreement = 0.02;
constexpr int fitRounds = 6;

/// The gains are computed on a grid this much coarser than the picture and
/// interpolated: the field is smooth.
constexpr int gainStep = 8;

struct PaperCell
{
	cv::Point2d centre;
	cv::Vec3d logColour;
};

struct Sample
{
	int luminance;
	cv::Vec3b colour;
};

/// The brightest quarter of a cell's paper places, averaged; false when the
/// cell shows too little paper to tell.
bool cellPaper(const cv::Mat& picture, const cv::Mat& paper, cv::Rect cell, std::vector<Sample>& samples, cv::Vec3d& colour)
{
	samples.clear();
	for (int y = cell.y; y < cell.y + cell.height; y += sampleStep)
	{
		const cv::Vec3b* row = picture.ptr<cv::Vec3b>(y);
		const uchar* mayBePaper = paper.ptr<uchar>(y);
		for (int x = cell.x; x < cell.x + cell.width; x += sampleStep)
		{
			const cv::Vec3b& c = row[x];
			if (mayBePaper[x] != 0 && (c[0] | c[1] | c[2]) != 0)
			{
				samples.push_back({29 * c[0] + 150 * c[1] + 77 * c[2], c});
			}
		}
	}
	if (int(samples.size()) < samplesPerCell / 4)
	{
		return false;
	}
	const auto quarter = samples.begin() + long(samples.size() * 3 / 4);
	std::nth_element(samples.begin(), quarter, samples.end(),
		[](const Sample& a, const Sample& b) { return a.luminance < b.luminance; });
	cv::Vec3d sum(0.0, 0.0, 0.0);
	for (auto s = quarter; s != samples.end(); ++s)
	{
		sum += cv::Vec3d(s->colour[0], s->colour[1], s->colour[2]);
	}
	colour = sum / double(samples.end() - quarter);
	return colour[0] >= 1.0 && colour[1] >= 1.0 && colour[2] >= 1.0;
}

std::vector<PaperCell> paperCells(const cv::Mat& picture, const cv::Mat& paper)
{
	std::vector<PaperCell> cells;
	std::vector<Sample> samples;
	samples.reserve(samplesPerCell);
	for (int y = 0; y + cellSide <= picture.rows; y += cellSide)
	{
		for (int x = 0; x + cellSide <= picture.cols; x += cellSide)
		{
			cv::Vec3d colour;
			if (cellPaper(picture, paper, cv::Rect(x, y, cellSide, cellSide), samples, colour))
			{
				const cv::Point2d centre(x + cellSide * 0.5, y + cellSide * 0.5);
				cells.push_back({centre, cv::Vec3d(std::log(colour[0]), std::log(colour[1]), std::log(colour[2]))});
			}
		}
	}
	return cells;
}

/// The quadratic's terms at a pixel, the picture's coordinates scaled to [-1, 1].
cv::Matx<double, 6, 1> terms(cv::Point2d pixel, cv::Size size)
{
	const double u = 2.0 * pixel.x / size.width - 1.0;
	const double v = 2.0 * pixel.y / size.height - 1.0;
	return cv::Matx<double, 6, 1>(1.0, u, v, u * u, u * v, v * v);
}

double median(std::vector<double> values)
{
	const auto middle = values.begin() + long(values.size() / 2);
	std::nth_element(values.begin(), middle, values.end());
	return *middle;
}

/// The standard BT.601 colour difference components of a BGR colour, as
/// OpenCV's YCrCb conversion computes them (without rounding).
cv::Vec3d yCrCb(const cv::Vec3d& bgr)
{
	const double y = 0.299 * bgr[2] + 0.587 * bgr[1] + 0.114 * bgr[0];
	return cv::Vec3d(y, (bgr[2] - y) * 0.713 + 128.0, (bgr[0] - y) * 0.564 + 128.0);
}

}  // namespace

PaperWhite PaperWhite::measure(const cv::Mat& picture, const cv::Mat& paper)
{
	CV_Assert(picture.type() == CV_8UC3 && paper.type() == CV_8UC1 && paper.size() == picture.size());
	PaperWhite white;
	white.size = picture.size();
	const std::vector<PaperCell> cells = paperCells(picture, paper);
	white.cellsMeasured = int(cells.size());

	std::vector<bool> used(cells.size(), true);
	for (int round = 0; round < fitRounds; ++round)
	{
		const int count = int(std::count(used.begin(), used.end(), true));
		white.cellsUsed = count;
		if (count < minimumCells)
		{
			return white;
		}
		// Least squares over the cells in use, all three channels at once.
		cv::Mat A(count, 6, CV_64F), b(count, 3, CV_64F);
		for (size_t i = 0, row = 0; i < cells.size(); ++i)
		{
			if (!used[i])
			{
				continue;
			}
			const cv::Matx<double, 6, 1> t = terms(cells[i].centre, white.size);
			for (int k = 0; k < 6; ++k)
			{
				A.at<double>(int(row), k) = t(k);
			}
			for (int c = 0; c < 3; ++c)
			{
				b.at<double>(int(row), c) = cells[i].logColour[c];
			}
			++row;
		}
		cv::Mat x;
		cv::solve(A, b, x, cv::DECOMP_SVD);
		for (int c = 0; c < 3; ++c)
		{
			for (int k = 0; k < 6; ++k)
			{
				white.logField[size_t(c)](k) = x.at<double>(k, c);
			}
		}

		// Which cells agree with it.
		std::vector<double> misses(cells.size());
		std::vector<double> usedMisses;
		for (size_t i = 0; i < cells.size(); ++i)
		{
			const cv::Matx<double, 6, 1> t = terms(cells[i].centre, white.size);
			double miss = 0.0;
			for (int c = 0; c < 3; ++c)
			{
				miss = std::max(miss, std::abs(cells[i].logColour[c] - white.logField[size_t(c)].dot(t)));
			}
			misses[i] = miss;
			if (used[i])
			{
				usedMisses.push_back(miss);
			}
		}
		// 1.4826 times the median miss estimates the misses' standard deviation
		// as for normally spread ones, without letting the outliers set it.
		const double limit = std::max(agreement, 3.0 * 1.4826 * median(usedMisses));
		std::vector<bool> agreeing(cells.size());
		for (size_t i = 0; i < cells.size(); ++i)
		{
			agreeing[i] = misses[i] <= limit;
		}
		if (agreeing == used)
		{
			break;
		}
		used = agreeing;
	}
	white.cellsUsed = int(std::count(used.begin(), used.end(), true));
	return white;
}

cv::Vec3d PaperWhite::at(cv::Point2d pixel) const
{
	const cv::Matx<double, 6, 1> t = terms(pixel, size);
	return cv::Vec3d(std::exp(logField[0].dot(t)), std::exp(logField[1].dot(t)), std::exp(logField[2].dot(t)));
}

bool PaperWhite::readsNeutral() const
{
	if (!found())
	{
		return false;
	}
	for (int y = cellSide / 2; y < size.height; y += cellSide)
	{
		for (int x = cellSide / 2; x < size.width; x += cellSide)
		{
			const cv::Vec3d ycc = yCrCb(at(cv::Point2d(x, y)));
			if (!(ycc[0] >= neutralBrightness) || !(std::abs(ycc[1] - 128.0) <= neutralChroma)
				|| !(std::abs(ycc[2] - 128.0) <= neutralChroma))
			{
				return false;
			}
		}
	}
	return true;
}

void PaperWhite::normalise(cv::Mat& picture) const
{
	if (!found() || picture.empty())
	{
		return;
	}
	CV_Assert(picture.type() == CV_8UC3 && picture.size() == size);
	// Gains on a coarse grid, linearly interpolated: node k of a grid n times
	// coarser is where resize takes it from, pixel (k + 0.5) n - 0.5.
	const cv::Size coarseSize((size.width + gainStep - 1) / gainStep, (size.height + gainStep - 1) / gainStep);
	const double stepX = double(size.width) / coarseSize.width;
	const double stepY = double(size.height) / coarseSize.height;
	cv::Mat coarse(coarseSize, CV_32FC3);
	for (int row = 0; row < coarse.rows; ++row)
	{
		for (int col = 0; col < coarse.cols; ++col)
		{
			const cv::Vec3d paper = at(cv::Point2d((col + 0.5) * stepX - 0.5, (row + 0.5) * stepY - 0.5));
			coarse.at<cv::Vec3f>(row, col) = cv::Vec3f(float(referenceWhite / paper[0]),
				float(referenceWhite / paper[1]), float(referenceWhite / paper[2]));
		}
	}
	cv::Mat gains;
	cv::resize(coarse, gains, size, 0, 0, cv::INTER_LINEAR);
	balanceColours(picture, gains);
}

PaperWhite PaperWhite::readAsNeutral(cv::Mat& picture, const cv::Mat& paper)
{
	const PaperWhite white = measure(picture, paper);
	if (!white.readsNeutral())
	{
		white.normalise(picture);
	}
	return white;
}
