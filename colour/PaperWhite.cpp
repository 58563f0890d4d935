#include "colour/PaperWhite.h"

#include "colour/BalancedColours.h"
#include "colour/Luma.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

/// Paper of this colour (B, G, R) is as neutral and bright as the colour
/// ranges expect: its luma at least neutralBrightness and its Cr and Cb
/// (unrounded, as OpenCV's YCrCb conversion computes them) within
/// neutralChroma of grey.
bool neutralAndBright(const cv::Vec3d& white)
{
	const double y = lumaOf(white);
	const double cr = crScale * (white[2] - y), cb = cbScale * (white[0] - y);
	return y >= PaperWhite::neutralBrightness && std::abs(cr) <= PaperWhite::neutralChroma
		&& std::abs(cb) <= PaperWhite::neutralChroma;
}

}  // namespace

PaperWhite PaperWhite::measure(const cv::Mat& picture, const cv::Mat& paper, const cv::Mat& fieldPaper)
{
	PaperWhite white = measureSmoothly(picture, paper, fieldPaper);
	white.followLocalLight(paper);
	return white;
}

PaperWhite PaperWhite::measureSmoothly(const cv::Mat& picture, const cv::Mat& paper, const cv::Mat& fieldPaper)
{
	CV_Assert(picture.type() == CV_8UC3 && paper.type() == CV_8UC1 && paper.size() == picture.size());
	CV_Assert(fieldPaper.empty() || (fieldPaper.type() == CV_8UC1 && fieldPaper.size() == picture.size()));
	PaperWhite white;
	white.m_size = picture.size();
	white.m_cells = PaperCells::measure(picture, paper);
	white.m_field = SmoothField::fit(picture, fieldPaper.empty() ? paper : paper & fieldPaper, white.m_cells);
	return white;
}

void PaperWhite::followLocalLight(const cv::Mat& paper)
{
	if (found())
	{
		m_local = LocalWhite::spread(m_field, m_cells, paper);
	}
}

PaperWhite PaperWhite::readAsNeutral(cv::Mat& picture, const cv::Mat& paper, const cv::Mat& fieldPaper)
{
	const PaperWhite white = measure(picture, paper, fieldPaper);
	if (!white.readsNeutral())
	{
		white.normalise(picture);
	}
	return white;
}

cv::Vec3d PaperWhite::at(cv::Point2d pixel) const
{
	return m_local.empty() ? m_field.at(pixel) : m_local.at(pixel);
}

bool PaperWhite::readsNeutral() const
{
	if (!found())
	{
		return false;
	}
	const cv::Size grid = m_cells.grid();
	for (int row = 0; row < grid.height; ++row)
	{
		for (int col = 0; col < grid.width; ++col)
		{
			if (!neutralAndBright(at(PaperCells::centre(row, col))))
			{
				return false;
			}
		}
	}
	return true;
}

void PaperWhite::normalise(cv::Mat& picture) const
{
	// A paper measured smoothly alone has no local white to map by.
	CV_Assert(!found() || !m_local.empty());
	normaliseBy(picture, m_local.logGrid());
}

void PaperWhite::normaliseSmoothly(cv::Mat& picture) const
{
	if (!found() || picture.empty())
	{
		return;
	}
	// Each cell by itself, a row of cells on each of OpenCV's threads.
	cv::Mat smoothLog(m_cells.grid(), CV_32FC3);
	std::vector<char> neutralRows(size_t(smoothLog.rows), 1);
	cv::parallel_for_(cv::Range(0, smoothLog.rows), [&](const cv::Range& rows) {
		for (int row = rows.start; row < rows.end; ++row)
		{
			cv::Vec3f* logWhite = smoothLog.ptr<cv::Vec3f>(row);
			for (int col = 0; col < smoothLog.cols; ++col)
			{
				const cv::Vec3d white = smoothAt(PaperCells::centre(row, col));
				neutralRows[size_t(row)] = neutralRows[size_t(row)] && neutralAndBright(white);
				logWhite[col] = cv::Vec3f(float(std::log(white[0])), float(std::log(white[1])), float(std::log(white[2])));
			}
		}
	});
	if (std::find(neutralRows.begin(), neutralRows.end(), 0) != neutralRows.end())
	{
		normaliseBy(picture, smoothLog);
	}
}

void PaperWhite::normaliseBy(cv::Mat& picture, const cv::Mat& logWhite) const
{
	if (!found() || picture.empty())
	{
		return;
	}
	CV_Assert(picture.type() == CV_8UC3 && picture.size() == m_size);
	// Gains per cell, linearly interpolated between the cells' centres: cell
	// k of a grid n times coarser is where resize takes it from, pixel
	// (k + 0.5) n - 0.5.
	cv::Mat coarse(logWhite.size(), CV_32FC3);
	cv::parallel_for_(cv::Range(0, coarse.rows), [&](const cv::Range& rows) {
		for (int row = rows.start; row < rows.end; ++row)
		{
			const cv::Vec3f* local = logWhite.ptr<cv::Vec3f>(row);
			cv::Vec3f* gain = coarse.ptr<cv::Vec3f>(row);
			for (int col = 0; col < coarse.cols; ++col)
			{
				gain[col] = cv::Vec3f(float(referenceWhite / std::exp(local[col][0])),
					float(referenceWhite / std::exp(local[col][1])), float(referenceWhite / std::exp(local[col][2])));
			}
		}
	});
	cv::Mat gains;
	cv::resize(coarse, gains, cv::Size(coarse.cols * PaperCells::cellSide, coarse.rows * PaperCells::cellSide), 0, 0,
		cv::INTER_LINEAR);
	const cv::Mat clipped = clippedPlaces(picture);
	balanceColours(picture, gains(cv::Rect(cv::Point(), m_size)));
	picture.setTo(cv::Scalar::all(referenceWhite), clipped);
}
