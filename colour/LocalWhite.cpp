#include "colour/LocalWhite.h"

#include "colour/Luma.h"
#include "colour/PaperCells.h"
#include "colour/SmoothField.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace
{

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

/// Where the smooth field reads darker than this (luma), the edges that
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

/// The smooth field at the centre of every cell of `grid`, as log B, G, R.
cv::Mat smoothGrid(const SmoothField& field, cv::Size grid)
{
	cv::Mat smooth(grid, CV_32FC3);
	for (int row = 0; row < grid.height; ++row)
	{
		cv::Vec3f* logSmooth = smooth.ptr<cv::Vec3f>(row);
		for (int col = 0; col < grid.width; ++col)
		{
			logSmooth[col] = cv::Vec3f(field.logAt(PaperCells::centre(row, col)));
		}
	}
	return smooth;
}

/// Where each paper cell departs from the smooth field (log units), and
/// which cells were read (1 in `weight`): paper cells bright enough for
/// their edges to be told from the noise.
void paperDepartures(const PaperCells& cells, const cv::Mat& smooth, cv::Mat& departure, cv::Mat& weight)
{
	departure = cv::Mat(smooth.size(), CV_32FC3, cv::Scalar::all(0.0));
	weight = cv::Mat(smooth.size(), CV_32F, cv::Scalar(0.0));
	for (int row = 0; row < smooth.rows; ++row)
	{
		const cv::Vec3f* logSmooth = smooth.ptr<cv::Vec3f>(row);
		cv::Vec3f* away = departure.ptr<cv::Vec3f>(row);
		float* read = weight.ptr<float>(row);
		for (int col = 0; col < smooth.cols; ++col)
		{
			const cv::Vec3f& s = logSmooth[col];
			const double luma = lumaOf(cv::Vec3d(std::exp(s[0]), std::exp(s[1]), std::exp(s[2])));
			if (cells.state(row, col) == PaperCells::Paper && luma >= dimmestLocalPaper)
			{
				away[col] = cells.logColour(row, col) - s;
				read[col] = 1.0f;
			}
		}
	}
}

/// What each cell lacking paper is carried from the paper round it: whole
/// under a thing lying on the board (a covered cell), the level alone over
/// what the caller left out of `paper` (a printed code, the portal card:
/// the light there goes on from the paper beside it, and an arm's shadow
/// running onto the card is a shadow there too), nothing elsewhere.
cv::Mat carriedMarks(const PaperCells& cells, const cv::Mat& paper)
{
	// The places `paper` marks in each cell, counted row by row.
	const cv::Size grid = cells.grid();
	cv::Mat marked(grid, CV_32S, cv::Scalar(0));
	for (int y = 0; y < paper.rows; ++y)
	{
		const uchar* mayBePaper = paper.ptr<uchar>(y);
		int* count = marked.ptr<int>(y / PaperCells::cellSide);
		for (int x = 0; x < paper.cols; ++x)
		{
			count[x / PaperCells::cellSide] += mayBePaper[x] != 0 ? 1 : 0;
		}
	}
	cv::Mat carried(grid, CV_8U);
	for (int row = 0; row < grid.height; ++row)
	{
		for (int col = 0; col < grid.width; ++col)
		{
			const cv::Rect cell = cv::Rect(col * PaperCells::cellSide, row * PaperCells::cellSide, PaperCells::cellSide,
				PaperCells::cellSide) & cv::Rect(cv::Point(), paper.size());
			const bool leftOut = marked.at<int>(row, col) * 2 < cell.area();
			carried.at<uchar>(row, col) =
				cells.state(row, col) == PaperCells::Covered ? carriedWhole : leftOut ? carriedLevel : 0;
		}
	}
	return carried;
}

/// The unseen cells that ink leaves roughly readable, where their rough
/// reading departs from the spread `departure` by more than the noise:
/// guided by the paper cells near them that read alike.
void guideUnseen(const PaperCells& cells, const cv::Mat& smooth, const cv::Mat& paperDeparture, const cv::Mat& weight,
	const cv::Mat& carried, cv::Mat& departure)
{
	for (int row = 0; row < departure.rows; ++row)
	{
		for (int col = 0; col < departure.cols; ++col)
		{
			if (cells.state(row, col) != PaperCells::Unseen || carried.at<uchar>(row, col) != 0
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
}

/// Light changes over many cells, never in one: the median of the 3 x 3
/// cells round each keeps the soft edges of shadows and lamps and drops what
/// a cell alone read (a speck, the colour of a stroke that blur spread beyond
/// its line). Departures within the cells' noise are none, and the rest are
/// held within what light may do.
void settle(cv::Mat& departure)
{
	cv::medianBlur(departure, departure, 3);
	// A plain sweep: a few thousand cells, and OpenCV's thread pool would
	// hide its synchronisation from the thread sanitizer.
	for (auto d = departure.begin<cv::Vec3f>(); d != departure.end<cv::Vec3f>(); ++d)
	{
		const bool noise = std::max({std::abs((*d)[0]), std::abs((*d)[1]), std::abs((*d)[2])}) < departureNoise;
		*d = noise ? cv::Vec3f() : bounded(*d);
	}
}

}  // namespace

LocalWhite LocalWhite::spread(const SmoothField& field, const PaperCells& cells, const cv::Mat& paper)
{
	const cv::Mat smooth = smoothGrid(field, cells.grid());
	cv::Mat departure, weight;
	paperDepartures(cells, smooth, departure, weight);

	// Over the cells that show no paper, the weighted mean of the paper cells
	// near each (normalised convolution); under a thing lying on the board,
	// what little paper near lacks comes from the nearest paper.
	const cv::Mat carried = carriedMarks(cells, paper);
	const cv::Mat spread = spreadOver(departure, weight, carried);
	const cv::Mat paperDeparture = departure.clone();
	spread.copyTo(departure, weight == 0.0f);
	guideUnseen(cells, smooth, paperDeparture, weight, carried, departure);
	settle(departure);

	LocalWhite white;
	cv::max(departure + smooth, std::log(darkestPaper), white.m_logWhite);
	return white;
}

cv::Vec3d LocalWhite::at(cv::Point2d pixel) const
{
	const cv::Vec3f local = interpolate(m_logWhite, pixel);
	return cv::Vec3d(std::exp(local[0]), std::exp(local[1]), std::exp(local[2]));
}
