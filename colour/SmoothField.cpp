#include "colour/SmoothField.h"

#include "colour/Luma.h"
#include "colour/PaperCells.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

/// The field is fitted to blocks of 32 x 32 pixels, every other pixel of
/// them sampled (a 640 x 480 board gives 20 x 15 blocks of up to 256
/// samples), each the mean of its brightest quarter of samples: ink, darker,
/// stays below it where it covers less than three quarters of the block.
constexpr int block = 32;
constexpr int sampleStep = 2;
constexpr int samplesPerBlock = (block / sampleStep) * (block / sampleStep);

/// A block agrees with the field when each channel lies within this factor
/// of it, in log units (2 %, the grain of paper and sensor), or within three
/// of the blocks' typical disagreements, whichever is larger.
constexpr double agreement = 0.02;
constexpr int fitRounds = 6;

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

/// Keep the blocks within three of the typical disagreements (1.4826 times
/// the median disagreement estimates their standard deviation as for
/// normally spread ones, without letting the outliers set it), or within
/// `agreement`.
std::vector<bool> agreeing(const std::vector<double>& misses, const std::vector<bool>& used)
{
	std::vector<double> usedMisses;
	for (size_t i = 0; i < misses.size(); ++i)
	{
		if (used[i])
		{
			usedMisses.push_back(misses[i]);
		}
	}
	const double limit = std::max(agreement, 3.0 * 1.4826 * median(usedMisses));
	std::vector<bool> agree(misses.size());
	for (size_t i = 0; i < misses.size(); ++i)
	{
		agree[i] = misses[i] <= limit;
	}
	return agree;
}

struct Sample
{
	int luma;
	cv::Vec3b colour;
};

/// The brightest quarter of a block's samples, averaged: places that may
/// show paper, are neither black (outside the camera's view) nor clipped, and
/// lie in no covered cell of `cells`; the sensor's top where most of them
/// are clipped. False when too few are left to tell.
bool blockPaper(const cv::Mat& picture, const cv::Mat& paper, const PaperCells& cells, cv::Rect area,
	std::vector<Sample>& samples, cv::Vec3d& colour)
{
	samples.clear();
	int clipped = 0;
	for (int y = area.y; y < area.y + area.height; y += sampleStep)
	{
		const cv::Vec3b* row = picture.ptr<cv::Vec3b>(y);
		const uchar* mayBePaper = paper.ptr<uchar>(y);
		for (int x = area.x; x < area.x + area.width; x += sampleStep)
		{
			const cv::Vec3b& c = row[x];
			if (mayBePaper[x] == 0 || (c[0] | c[1] | c[2]) == 0
				|| cells.state(y / PaperCells::cellSide, x / PaperCells::cellSide) == PaperCells::Covered)
			{
				continue;
			}
			if (!PaperCells::clipped(c.val))
			{
				samples.push_back({lumaTimes256(c), c});
			}
			else
			{
				++clipped;
			}
		}
	}
	if (clipped >= samplesPerBlock / 2)
	{
		// Paper the sensor clips in most of the block reads its top: an
		// overexposed board is white as the camera shows it, and a small
		// highlight is one block far brighter than the rest, left out of the fit.
		colour = cv::Vec3d::all(255.0);
		return true;
	}
	if (int(samples.size()) < samplesPerBlock / 4)
	{
		return false;
	}
	const auto quarter = samples.begin() + long(samples.size() * 3 / 4);
	std::nth_element(samples.begin(), quarter, samples.end(), [](const Sample& a, const Sample& b) { return a.luma < b.luma; });
	cv::Vec3d sum(0.0, 0.0, 0.0);
	for (auto s = quarter; s != samples.end(); ++s)
	{
		sum += cv::Vec3d(s->colour[0], s->colour[1], s->colour[2]);
	}
	colour = sum / double(samples.end() - quarter);
	return colour[0] >= 1.0 && colour[1] >= 1.0 && colour[2] >= 1.0;
}

}  // namespace

SmoothField SmoothField::fit(const cv::Mat& picture, const cv::Mat& paper, const PaperCells& cells)
{
	SmoothField field;
	field.m_size = picture.size();
	// Each block is read by itself, so the rows of blocks are shared among
	// OpenCV's threads; the blocks of paper are then taken in order.
	const cv::Size grid(picture.cols / block, picture.rows / block);
	std::vector<Block> read(size_t(grid.area()));
	std::vector<char> isPaper(read.size(), 0);
	cv::parallel_for_(cv::Range(0, grid.height), [&](const cv::Range& rows) {
		std::vector<Sample> samples;
		samples.reserve(samplesPerBlock);
		for (int row = rows.start; row < rows.end; ++row)
		{
			for (int col = 0; col < grid.width; ++col)
			{
				const int x = col * block, y = row * block;
				const size_t at = size_t(row * grid.width + col);
				cv::Vec3d colour;
				isPaper[at] = blockPaper(picture, paper, cells, cv::Rect(x, y, block, block), samples, colour);
				if (isPaper[at])
				{
					const cv::Point2d centre(x + block * 0.5, y + block * 0.5);
					read[at] = {centre, cv::Vec3d(std::log(colour[0]), std::log(colour[1]), std::log(colour[2]))};
				}
			}
		}
	});
	std::vector<Block> blocks;
	for (size_t at = 0; at < read.size(); ++at)
	{
		if (isPaper[at])
		{
			blocks.push_back(read[at]);
		}
	}
	field.m_blocksUsed = int(blocks.size());
	if (field.m_blocksUsed < minimumBlocks)
	{
		return field;
	}

	// A robust start: the blocks near the median paper, so that what covers
	// a large part of the board does not set its own cut-off.
	std::vector<double> misses(blocks.size());
	for (int c = 0; c < 3; ++c)
	{
		std::vector<double> channel;
		for (const Block& b : blocks)
		{
			channel.push_back(b.logColour[c]);
		}
		const double middle = median(channel);
		for (size_t i = 0; i < blocks.size(); ++i)
		{
			misses[i] = std::max(c == 0 ? 0.0 : misses[i], std::abs(blocks[i].logColour[c] - middle));
		}
	}
	std::vector<bool> used = agreeing(misses, std::vector<bool>(blocks.size(), true));

	for (int round = 0; round < fitRounds; ++round)
	{
		field.m_blocksUsed = int(std::count(used.begin(), used.end(), true));
		if (field.m_blocksUsed < minimumBlocks)
		{
			return field;
		}
		field.fitTo(blocks, used);
		const std::vector<bool> agree = agreeing(field.missesOf(blocks), used);
		if (agree == used)
		{
			break;
		}
		used = agree;
	}
	field.m_blocksUsed = int(std::count(used.begin(), used.end(), true));
	return field;
}

void SmoothField::fitTo(const std::vector<Block>& blocks, const std::vector<bool>& used)
{
	const int count = int(std::count(used.begin(), used.end(), true));
	cv::Mat A(count, 6, CV_64F), b(count, 3, CV_64F);
	for (size_t i = 0, row = 0; i < blocks.size(); ++i)
	{
		if (!used[i])
		{
			continue;
		}
		const cv::Matx<double, 6, 1> t = terms(blocks[i].centre, m_size);
		for (int k = 0; k < 6; ++k)
		{
			A.at<double>(int(row), k) = t(k);
		}
		for (int c = 0; c < 3; ++c)
		{
			b.at<double>(int(row), c) = blocks[i].logColour[c];
		}
		++row;
	}
	cv::Mat x;
	cv::solve(A, b, x, cv::DECOMP_SVD);
	for (int c = 0; c < 3; ++c)
	{
		for (int k = 0; k < 6; ++k)
		{
			m_logField[size_t(c)](k) = x.at<double>(k, c);
		}
	}
}

std::vector<double> SmoothField::missesOf(const std::vector<Block>& blocks) const
{
	std::vector<double> misses(blocks.size());
	for (size_t i = 0; i < blocks.size(); ++i)
	{
		const cv::Vec3d field = logAt(blocks[i].centre);
		double miss = 0.0;
		for (int c = 0; c < 3; ++c)
		{
			miss = std::max(miss, std::abs(blocks[i].logColour[c] - field[c]));
		}
		misses[i] = miss;
	}
	return misses;
}

cv::Vec3d SmoothField::logAt(cv::Point2d pixel) const
{
	const cv::Matx<double, 6, 1> t = terms(pixel, m_size);
	return cv::Vec3d(m_logField[0].dot(t), m_logField[1].dot(t), m_logField[2].dot(t));
}

cv::Vec3d SmoothField::at(cv::Point2d pixel) const
{
	const cv::Vec3d log = logAt(pixel);
	return cv::Vec3d(std::exp(log[0]), std::exp(log[1]), std::exp(log[2]));
}
