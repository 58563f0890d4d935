#include "colour/PaperWhite.h"

#include "colour/BalancedColours.h"
#include "colour/PaperCells.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <array>
#include <vector>

namespace
{

/// The smooth field is fitted to cells of 32 x 32 pixels, every other pixel
/// of them sampled (a 640 x 480 board gives 20 x 15 cells of up to 256
/// samples), each the mean of its brightest quarter of samples: ink, darker,
/// stays below it where it covers less than three quarters of the cell.
constexpr int fieldCell = 32;
constexpr int sampleStep = 2;
constexpr int samplesPerCell = (fieldCell / sampleStep) * (fieldCell / sampleStep);

/// A cell agrees with the smooth field when each channel lies within this
/// factor of it, in log units (2 %, the grain of paper and sensor), or within
/// three of the cells' typical disagreements, whichever is larger.
constexpr double agreement = 0.02;
constexpr int fitRounds = 6;

/// Where the paper departs from the smooth field by less than this in every
/// channel (log units, 4 %), the departure is noise, compression, the grain
/// of the paper and the colour blur spreads beside ink, not light: the local
/// white is the smooth field there. Shadows and lamps depart by 15 % and more.
constexpr float departureNoise = 0.04f;

/// What light may make of the paper beside the smooth field, in log units:
/// its level (the mean of the three channels) down to 0.3 of the field's (a
/// shadow of 60 % in a room that is itself uneven) and up to 1.6 times it (a
/// lamp's glare), and its colour, each channel apart from that level, within
/// a factor of 4: a 2700 K bulb beside daylight departs by about 1.6 in blue
/// from the level, and a bulb beside the 8000 K of shade by about 2.5. A cell
/// read beyond is held there, and no place's paper is taken for darker than
/// `darkestPaper` grey levels: the gains stay bounded whatever covers the
/// board.
const float lowestLocal = float(std::log(0.3));
const float highestLocal = float(std::log(1.6));
const float widestColour = float(std::log(4.0));
constexpr double darkestPaper = 4.0;

/// Where the smooth field reads darker than this (luminance), the edges that
/// tell a shadow from a thing on the board are lost in the noise: the paper
/// there is read by the smooth field alone.
constexpr double dimmestLocalPaper = 48.0;

/// The departures of paper cells are spread over covered and unseen cells
/// with a Gaussian of this sigma, in cells (24 pixels): what a hand or a
/// highlight covers is filled from the paper round it. Where less than
/// `enoughPaper` of the Gaussian's weight falls on paper, the spread fades
/// towards the smooth field; but deep under a thing with sharp edges (a
/// covered cell: a hand, a sleeve) what it lacks is taken from the nearest
/// paper cell, the light at the thing's border rather than the board's
/// average, as far as paper is round the thing at all (a Gaussian of
/// `wideSigma`, 96 pixels): where the paper round it is clipped or hidden,
/// the few paper cells left are no sure guide. Unseen cells (clipped, or too
/// little paper in them to read) may border on what made them unseen, and
/// are not carried that far.
constexpr double spreadSigma = 3.0;
constexpr double wideSigma = 12.0;
constexpr float enoughPaper = 0.25f;

/// A cell that ink leaves unseen still shows, roughly, the paper round its
/// ink (PaperCells::roughLogColour). Where that departs from the spread by
/// more than `departureNoise`, the spread mixed lights that the cell does not
/// show (a lamp's edge between a ring and a stroke): the cell takes the
/// departures of the paper cells near it (within `guideReach` cells, weighed
/// by the spread's Gaussian) that read like it, within `guideTolerance` in
/// every channel (log units, about 15 %: the colour blur spreads from ink
/// beside it, where a lamp of another colour is far more). Where less than
/// `enoughAlike` of that weight reads like it, the rough reading is no sure
/// guide (a highlighter's colour, a thing on the board) and the spread stays
/// in proportion.
constexpr int guideReach = 6;
constexpr float guideTolerance = 0.15f;
constexpr float enoughAlike = 0.25f;

/// Cells whose missing light is carried whole (under a thing on the board),
/// and cells that get only its level (places left out of the paper).
constexpr uchar carriedWhole = 255;
constexpr uchar carriedLevel = 128;

/// The part of a departure every channel shares: a shadow or a brighter
/// light of the same colour. The rest, a colour only paper shows, cannot be
/// carried where no paper was read: beside a hand read as paper it is the
/// hand's colour.
cv::Vec3f levelOf(const cv::Vec3f& departure)
{
	const float darkest = std::max({departure[0], departure[1], departure[2]});
	const float brightest = std::min({departure[0], departure[1], departure[2]});
	return cv::Vec3f::all(darkest < 0.0f ? darkest : brightest > 0.0f ? brightest : 0.0f);
}

/// `departure` held within what light may make of the paper: its level
/// within [lowestLocal, highestLocal], each channel within widestColour of
/// the level. A warm lamp beside daylight departs far in blue alone, and a
/// bound on each channel by itself would take a colour from its light.
cv::Vec3f bounded(const cv::Vec3f& departure)
{
	const float level = (departure[0] + departure[1] + departure[2]) / 3.0f;
	const float heldLevel = std::min(std::max(level, lowestLocal), highestLocal);
	cv::Vec3f held;
	for (int c = 0; c < 3; ++c)
	{
		held[c] = heldLevel + std::min(std::max(departure[c] - level, -widestColour), widestColour);
	}
	return held;
}

/// The departures of the cells `weight` marks (1) spread with a Gaussian of
/// `spreadSigma` cells: their weighted mean near each cell where at least
/// `enoughPaper` of the weight falls on them, and where less does, that
/// much of it and, in the cells `carried` marks, the rest from the nearest
/// marked cell as far as marked cells lie round it (whole, or its level).
cv::Mat spreadOver(const cv::Mat& departure, const cv::Mat& weight, const cv::Mat& carried)
{
	cv::Mat sum, total, bounded, wideTotal;
	cv::GaussianBlur(departure, sum, cv::Size(), spreadSigma, spreadSigma, cv::BORDER_CONSTANT);
	cv::GaussianBlur(weight, total, cv::Size(), spreadSigma, spreadSigma, cv::BORDER_CONSTANT);
	cv::GaussianBlur(weight, wideTotal, cv::Size(), wideSigma, wideSigma, cv::BORDER_CONSTANT);
	cv::max(total, enoughPaper, bounded);
	cv::Mat spread(departure.size(), CV_32FC3);

	// The nearest marked cell of each: distanceTransform labels the marked
	// (zero) cells one by one in the order of a raster scan.
	cv::Mat distance, nearest;
	cv::distanceTransform(weight == 0.0f, distance, nearest, cv::DIST_L2, cv::DIST_MASK_5, cv::DIST_LABEL_PIXEL);
	std::vector<cv::Vec3f> labelled(1);
	for (int row = 0; row < weight.rows; ++row)
	{
		for (int col = 0; col < weight.cols; ++col)
		{
			if (weight.at<float>(row, col) != 0.0f)
			{
				labelled.push_back(departure.at<cv::Vec3f>(row, col));
			}
		}
	}
	for (int row = 0; row < spread.rows; ++row)
	{
		for (int col = 0; col < spread.cols; ++col)
		{
			const float near = total.at<float>(row, col);
			const float round = std::min(wideTotal.at<float>(row, col) / enoughPaper, 1.0f);
			const float lacking =
				carried.at<uchar>(row, col) != 0 ? round * std::max(enoughPaper - near, 0.0f) / enoughPaper : 0.0f;
			const int label = nearest.at<int>(row, col);
			cv::Vec3f far = label > 0 && size_t(label) < labelled.size() ? labelled[size_t(label)] : cv::Vec3f();
			if (carried.at<uchar>(row, col) == carriedLevel)
			{
				far = levelOf(far);
			}
			spread.at<cv::Vec3f>(row, col) = sum.at<cv::Vec3f>(row, col) / bounded.at<float>(row, col) + lacking * far;
		}
	}
	return spread;
}

/// The departure of the unseen cell at `at` guided by its rough reading
/// `rough` (log departure from the smooth field) from the paper cells near
/// it that read alike, or `spread` where too few do.
cv::Vec3f guided(const cv::Mat& departure, const cv::Mat& weight, cv::Point at, const cv::Vec3f& rough,
	const cv::Vec3f& spread)
{
	// The spread's Gaussian over the square of cells looked at, once.
	static const std::array<float, (2 * guideReach + 1) * (2 * guideReach + 1)> gaussian = [] {
		std::array<float, (2 * guideReach + 1) * (2 * guideReach + 1)> g{};
		for (int y = -guideReach; y <= guideReach; ++y)
		{
			for (int x = -guideReach; x <= guideReach; ++x)
			{
				g[size_t((y + guideReach) * (2 * guideReach + 1) + x + guideReach)] =
					float(std::exp(-(x * x + y * y) / (2.0 * spreadSigma * spreadSigma)));
			}
		}
		return g;
	}();
	float near = 0.0f, alike = 0.0f;
	cv::Vec3f sum;
	for (int row = std::max(at.y - guideReach, 0); row <= std::min(at.y + guideReach, departure.rows - 1); ++row)
	{
		const float* read = weight.ptr<float>(row);
		// The Gaussian's row, its middle under `at`.
		const float* g = &gaussian[size_t((row - at.y + guideReach) * (2 * guideReach + 1) + guideReach)];
		for (int col = std::max(at.x - guideReach, 0); col <= std::min(at.x + guideReach, departure.cols - 1); ++col)
		{
			if (read[col] == 0.0f)
			{
				continue;
			}
			const cv::Vec3f d = departure.at<cv::Vec3f>(row, col);
			const float apart = std::max({std::abs(d[0] - rough[0]), std::abs(d[1] - rough[1]), std::abs(d[2] - rough[2])})
				/ guideTolerance;
			const float likeness = std::max(0.0f, 1.0f - apart * apart);
			const float w = g[col - at.x];
			near += w;
			alike += w * likeness;
			sum += w * likeness * d;
		}
	}
	if (alike <= 0.0f)
	{
		return spread;
	}
	const float trust = std::min(alike / (enoughAlike * near), 1.0f);
	return spread + trust * (sum / alike - spread);
}

struct PaperCell
{
	cv::Point2d centre;
	cv::Vec3d logColour;
};

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

/// Keep the cells within three of the typical disagreements (1.4826 times the
/// median disagreement estimates their standard deviation as for normally
/// spread ones, without letting the outliers set it), or within `agreement`.
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

/// The standard BT.601 colour difference components of a BGR colour, as
/// OpenCV's YCrCb conversion computes them (without rounding).
cv::Vec3d yCrCb(const cv::Vec3d& bgr)
{
	const double y = 0.299 * bgr[2] + 0.587 * bgr[1] + 0.114 * bgr[0];
	return cv::Vec3d(y, (bgr[2] - y) * 0.713 + 128.0, (bgr[0] - y) * 0.564 + 128.0);
}

/// A grid value at a pixel, bilinear between cell centres and held beyond the outer ones.
cv::Vec3f interpolate(const cv::Mat& grid, cv::Point2d pixel)
{
	const double gx = std::min(std::max((pixel.x + 0.5) / PaperCells::cellSide - 0.5, 0.0), grid.cols - 1.0);
	const double gy = std::min(std::max((pixel.y + 0.5) / PaperCells::cellSide - 0.5, 0.0), grid.rows - 1.0);
	const int x0 = int(gx), y0 = int(gy);
	const int x1 = std::min(x0 + 1, grid.cols - 1), y1 = std::min(y0 + 1, grid.rows - 1);
	const float fx = float(gx - x0), fy = float(gy - y0);
	const cv::Vec3f top = grid.at<cv::Vec3f>(y0, x0) * (1.0f - fx) + grid.at<cv::Vec3f>(y0, x1) * fx;
	const cv::Vec3f bottom = grid.at<cv::Vec3f>(y1, x0) * (1.0f - fx) + grid.at<cv::Vec3f>(y1, x1) * fx;
	return top * (1.0f - fy) + bottom * fy;
}

struct Sample
{
	int luminance;
	cv::Vec3b colour;
};

/// The brightest quarter of a field cell's samples, averaged: places that may
/// show paper, are neither black (outside the camera's view) nor clipped, and
/// lie in no covered cell of `cells`; the sensor's top where most of them
/// are clipped. False when too few are left to tell.
bool fieldCellPaper(const cv::Mat& picture, const cv::Mat& paper, const PaperCells& cells, cv::Rect cell,
	std::vector<Sample>& samples, cv::Vec3d& colour)
{
	samples.clear();
	int clipped = 0;
	for (int y = cell.y; y < cell.y + cell.height; y += sampleStep)
	{
		const cv::Vec3b* row = picture.ptr<cv::Vec3b>(y);
		const uchar* mayBePaper = paper.ptr<uchar>(y);
		for (int x = cell.x; x < cell.x + cell.width; x += sampleStep)
		{
			const cv::Vec3b& c = row[x];
			const int atTop = (c[0] >= PaperCells::clipLevel) + (c[1] >= PaperCells::clipLevel) + (c[2] >= PaperCells::clipLevel);
			if (mayBePaper[x] == 0 || (c[0] | c[1] | c[2]) == 0
				|| cells.state(y / PaperCells::cellSide, x / PaperCells::cellSide) == PaperCells::Covered)
			{
				continue;
			}
			if (atTop < 2)
			{
				samples.push_back({29 * c[0] + 150 * c[1] + 77 * c[2], c});
			}
			else
			{
				++clipped;
			}
		}
	}
	if (clipped >= samplesPerCell / 2)
	{
		// Paper the sensor clips in most of the cell reads its top: an
		// overexposed board is white as the camera shows it, and a small
		// highlight is one cell far brighter than the rest, left out of the fit.
		colour = cv::Vec3d::all(255.0);
		return true;
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

}  // namespace

PaperWhite PaperWhite::measure(const cv::Mat& picture, const cv::Mat& paper, const cv::Mat& fieldPaper)
{
	CV_Assert(picture.type() == CV_8UC3 && paper.type() == CV_8UC1 && paper.size() == picture.size());
	CV_Assert(fieldPaper.empty() || (fieldPaper.type() == CV_8UC1 && fieldPaper.size() == picture.size()));
	PaperWhite white;
	white.size = picture.size();
	const PaperCells cells = PaperCells::measure(picture, paper);
	white.fitSmoothField(picture, fieldPaper.empty() ? paper : paper & fieldPaper, cells);
	if (white.found())
	{
		white.spreadLocalWhite(cells, paper);
	}
	return white;
}

void PaperWhite::fitSmoothField(const cv::Mat& picture, const cv::Mat& paper, const PaperCells& cells)
{
	std::vector<PaperCell> paperCells;
	std::vector<Sample> samples;
	samples.reserve(samplesPerCell);
	for (int y = 0; y + fieldCell <= picture.rows; y += fieldCell)
	{
		for (int x = 0; x + fieldCell <= picture.cols; x += fieldCell)
		{
			cv::Vec3d colour;
			if (fieldCellPaper(picture, paper, cells, cv::Rect(x, y, fieldCell, fieldCell), samples, colour))
			{
				const cv::Point2d centre(x + fieldCell * 0.5, y + fieldCell * 0.5);
				paperCells.push_back({centre, cv::Vec3d(std::log(colour[0]), std::log(colour[1]), std::log(colour[2]))});
			}
		}
	}
	cellsMeasured = int(paperCells.size());
	cellsUsed = cellsMeasured;
	if (cellsUsed < minimumCells)
	{
		return;
	}

	// A robust start: the cells near the median paper, so that what covers a
	// large part of the board does not set its own cut-off.
	std::vector<double> misses(paperCells.size());
	for (int c = 0; c < 3; ++c)
	{
		std::vector<double> channel;
		for (const PaperCell& cell : paperCells)
		{
			channel.push_back(cell.logColour[c]);
		}
		const double middle = median(channel);
		for (size_t i = 0; i < paperCells.size(); ++i)
		{
			misses[i] = std::max(c == 0 ? 0.0 : misses[i], std::abs(paperCells[i].logColour[c] - middle));
		}
	}
	std::vector<bool> used = agreeing(misses, std::vector<bool>(paperCells.size(), true));

	for (int round = 0; round < fitRounds; ++round)
	{
		const int count = int(std::count(used.begin(), used.end(), true));
		cellsUsed = count;
		if (count < minimumCells)
		{
			return;
		}
		// Least squares over the cells in use, all three channels at once.
		cv::Mat A(count, 6, CV_64F), b(count, 3, CV_64F);
		for (size_t i = 0, row = 0; i < paperCells.size(); ++i)
		{
			if (!used[i])
			{
				continue;
			}
			const cv::Matx<double, 6, 1> t = terms(paperCells[i].centre, size);
			for (int k = 0; k < 6; ++k)
			{
				A.at<double>(int(row), k) = t(k);
			}
			for (int c = 0; c < 3; ++c)
			{
				b.at<double>(int(row), c) = paperCells[i].logColour[c];
			}
			++row;
		}
		cv::Mat x;
		cv::solve(A, b, x, cv::DECOMP_SVD);
		for (int c = 0; c < 3; ++c)
		{
			for (int k = 0; k < 6; ++k)
			{
				logField[size_t(c)](k) = x.at<double>(k, c);
			}
		}

		for (size_t i = 0; i < paperCells.size(); ++i)
		{
			const cv::Matx<double, 6, 1> t = terms(paperCells[i].centre, size);
			double miss = 0.0;
			for (int c = 0; c < 3; ++c)
			{
				miss = std::max(miss, std::abs(paperCells[i].logColour[c] - logField[size_t(c)].dot(t)));
			}
			misses[i] = miss;
		}
		const std::vector<bool> agree = agreeing(misses, used);
		if (agree == used)
		{
			break;
		}
		used = agree;
	}
	cellsUsed = int(std::count(used.begin(), used.end(), true));
}

void PaperWhite::spreadLocalWhite(const PaperCells& cells, const cv::Mat& paper)
{
	// The smooth field per cell, and where each paper cell departs from it.
	const cv::Size grid = cells.grid();
	cv::Mat smooth(grid, CV_32FC3), departure(grid, CV_32FC3, cv::Scalar::all(0.0)), weight(grid, CV_32F, cv::Scalar(0.0));
	for (int row = 0; row < grid.height; ++row)
	{
		cv::Vec3f* logSmooth = smooth.ptr<cv::Vec3f>(row);
		cv::Vec3f* away = departure.ptr<cv::Vec3f>(row);
		float* read = weight.ptr<float>(row);
		for (int col = 0; col < grid.width; ++col)
		{
			const cv::Matx<double, 6, 1> t = terms(PaperCells::centre(row, col), size);
			logSmooth[col] = cv::Vec3f(float(logField[0].dot(t)), float(logField[1].dot(t)), float(logField[2].dot(t)));
			const double luminance = 0.114 * std::exp(logSmooth[col][0]) + 0.587 * std::exp(logSmooth[col][1])
				+ 0.299 * std::exp(logSmooth[col][2]);
			if (cells.state(row, col) == PaperCells::Paper && luminance >= dimmestLocalPaper)
			{
				away[col] = cells.logColour(row, col) - logSmooth[col];
				read[col] = 1.0f;
			}
		}
	}

	// Over the cells that show no paper, the weighted mean of the paper cells
	// near each (normalised convolution); under a thing lying on the board,
	// what little paper near lacks comes from the nearest paper. So it does
	// over what the caller left out of the paper (a printed code, the portal
	// card), as a level without colour: the light there goes on from the
	// paper beside it, and an arm's shadow running onto the card is a shadow
	// there too.
	cv::Mat covered(grid, CV_8U);
	for (int row = 0; row < grid.height; ++row)
	{
		for (int col = 0; col < grid.width; ++col)
		{
			const cv::Rect cell = cv::Rect(col * PaperCells::cellSide, row * PaperCells::cellSide, PaperCells::cellSide,
				PaperCells::cellSide) & cv::Rect(cv::Point(), size);
			const bool leftOut = cv::countNonZero(paper(cell)) * 2 < cell.area();
			covered.at<uchar>(row, col) =
				cells.state(row, col) == PaperCells::Covered ? carriedWhole : leftOut ? carriedLevel : 0;
		}
	}
	const cv::Mat spread = spreadOver(departure, weight, covered);
	const cv::Mat paperDeparture = departure.clone();
	spread.copyTo(departure, weight == 0.0f);
	for (int row = 0; row < grid.height; ++row)
	{
		for (int col = 0; col < grid.width; ++col)
		{
			if (cells.state(row, col) != PaperCells::Unseen || covered.at<uchar>(row, col) != 0
				|| !cells.roughlySeen(row, col))
			{
				continue;
			}
			const cv::Vec3f rough = cells.roughLogColour(row, col) - smooth.at<cv::Vec3f>(row, col);
			cv::Vec3f& here = departure.at<cv::Vec3f>(row, col);
			const cv::Vec3f off = rough - here;
			if (std::max({std::abs(off[0]), std::abs(off[1]), std::abs(off[2])}) > departureNoise)
			{
				here = guided(paperDeparture, weight, cv::Point(col, row), rough, here);
			}
		}
	}

	// Light changes over many cells, never in one: the median of the 3 x 3
	// cells round each keeps the soft edges of shadows and lamps and drops
	// what a cell alone read (a speck, the colour of a stroke that blur spread
	// beyond its line). Departures within the cells' noise are none.
	cv::medianBlur(departure, departure, 3);
	// A plain sweep: a few thousand cells, and OpenCV's thread pool would
	// hide its synchronisation from the thread sanitizer.
	for (auto d = departure.begin<cv::Vec3f>(); d != departure.end<cv::Vec3f>(); ++d)
	{
		const bool noise = std::max({std::abs((*d)[0]), std::abs((*d)[1]), std::abs((*d)[2])}) < departureNoise;
		*d = noise ? cv::Vec3f() : bounded(*d);
	}
	cv::max(departure + smooth, std::log(darkestPaper), localLog);
}

cv::Vec3d PaperWhite::smoothAt(cv::Point2d pixel) const
{
	const cv::Matx<double, 6, 1> t = terms(pixel, size);
	return cv::Vec3d(std::exp(logField[0].dot(t)), std::exp(logField[1].dot(t)), std::exp(logField[2].dot(t)));
}

cv::Vec3d PaperWhite::at(cv::Point2d pixel) const
{
	if (localLog.empty())
	{
		return smoothAt(pixel);
	}
	const cv::Vec3f local = interpolate(localLog, pixel);
	return cv::Vec3d(std::exp(local[0]), std::exp(local[1]), std::exp(local[2]));
}

bool PaperWhite::readsNeutral() const
{
	if (!found())
	{
		return false;
	}
	for (int row = 0; row < localLog.rows; ++row)
	{
		for (int col = 0; col < localLog.cols; ++col)
		{
			const cv::Vec3d ycc = yCrCb(at(PaperCells::centre(row, col)));
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
	normaliseBy(picture, localLog);
}

void PaperWhite::normaliseSmoothly(cv::Mat& picture) const
{
	if (!found() || picture.empty())
	{
		return;
	}
	cv::Mat smoothLog(localLog.size(), CV_32FC3);
	bool neutral = true;
	for (int row = 0; row < smoothLog.rows; ++row)
	{
		for (int col = 0; col < smoothLog.cols; ++col)
		{
			const cv::Vec3d white = smoothAt(PaperCells::centre(row, col));
			const cv::Vec3d ycc = yCrCb(white);
			neutral = neutral && ycc[0] >= neutralBrightness && std::abs(ycc[1] - 128.0) <= neutralChroma
				&& std::abs(ycc[2] - 128.0) <= neutralChroma;
			smoothLog.at<cv::Vec3f>(row, col) =
				cv::Vec3f(float(std::log(white[0])), float(std::log(white[1])), float(std::log(white[2])));
		}
	}
	if (!neutral)
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
	CV_Assert(picture.type() == CV_8UC3 && picture.size() == size);
	// Gains per cell, linearly interpolated between the cells' centres: cell
	// k of a grid n times coarser is where resize takes it from, pixel
	// (k + 0.5) n - 0.5.
	cv::Mat coarse(logWhite.size(), CV_32FC3);
	for (int row = 0; row < coarse.rows; ++row)
	{
		for (int col = 0; col < coarse.cols; ++col)
		{
			const cv::Vec3f local = logWhite.at<cv::Vec3f>(row, col);
			coarse.at<cv::Vec3f>(row, col) = cv::Vec3f(float(referenceWhite / std::exp(local[0])),
				float(referenceWhite / std::exp(local[1])), float(referenceWhite / std::exp(local[2])));
		}
	}
	cv::Mat gains;
	cv::resize(coarse, gains, cv::Size(coarse.cols * PaperCells::cellSide, coarse.rows * PaperCells::cellSide), 0, 0,
		cv::INTER_LINEAR);
	gains = gains(cv::Rect(cv::Point(), size)).clone();
	const cv::Mat clipped = clippedPlaces(picture);
	balanceColours(picture, gains);
	picture.setTo(cv::Scalar::all(referenceWhite), clipped);
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
